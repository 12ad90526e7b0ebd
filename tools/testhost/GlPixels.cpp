#include "tools/testhost/GlPixels.h"

#include "platform/GlPrototypes.h"

namespace testhost
{
namespace
{
GLsizei Size(std::uint32_t value)
{
    return static_cast<GLsizei>(value);
}
} // namespace

RgbaTexture::RgbaTexture(const RgbaImage& image)
{
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, Size(image.width), Size(image.height), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, image.pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
}

RgbaTexture::~RgbaTexture()
{
    glDeleteTextures(1, &name);
}

RenderTarget::RenderTarget(std::uint32_t targetWidth, std::uint32_t targetHeight)
    : width(targetWidth), height(targetHeight)
{
    glGenRenderbuffers(1, &renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, Size(width), Size(height));
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffer);
    glViewport(0, 0, Size(width), Size(height));
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

RenderTarget::~RenderTarget()
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteRenderbuffers(1, &renderbuffer);
}

bool RenderTarget::IsComplete() const
{
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

RgbaImage RenderTarget::Read() const
{
    RgbaImage image(width, height, Rgba{});
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, Size(width), Size(height), GL_RGBA, GL_UNSIGNED_BYTE, image.pixels.data());
    return image;
}

} // namespace testhost
