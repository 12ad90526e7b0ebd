#include "glutil/ScreenQuad.h"

#include "glutil/ScopedBufferBinding.h"
#include "glutil/ScopedVAOBinding.h"

#include <GL/glew.h>

#include <array>
#include <cstddef>
#include <cstdint>

namespace ffglex
{
namespace
{

// Texture coordinate first, position second, while the attribute numbers run the other way.
struct QuadVertex
{
    float u;
    float v;
    float x;
    float y;
    float z;
};
static_assert(sizeof(QuadVertex) == 20 && offsetof(QuadVertex, x) == 8);

constexpr GLuint kPositionLocation = 0;
constexpr GLuint kTexCoordLocation = 1;

using QuadVertices = std::array<QuadVertex, 6>;

// (top-left, top-right, bottom-left), (bottom-left, top-right, bottom-right).
constexpr QuadVertices kUprightVertices = {{
    {0.0f, 1.0f, -1.0f, 1.0f, 0.0f},
    {1.0f, 1.0f, 1.0f, 1.0f, 0.0f},
    {0.0f, 0.0f, -1.0f, -1.0f, 0.0f},
    {0.0f, 0.0f, -1.0f, -1.0f, 0.0f},
    {1.0f, 1.0f, 1.0f, 1.0f, 0.0f},
    {1.0f, 0.0f, 1.0f, -1.0f, 0.0f},
}};

constexpr QuadVertices FlipV(QuadVertices vertices)
{
    for (QuadVertex& vertex : vertices)
        vertex.v = 1.0f - vertex.v;
    return vertices;
}

constexpr QuadVertices kFlippedVertices = FlipV(kUprightVertices);

const void* ByteOffset(std::size_t offset)
{
    return reinterpret_cast<const void*>(offset);
}

void DescribeAttribute(GLuint location, GLint components, std::size_t offset)
{
    glEnableVertexAttribArray(location);
    glVertexAttribPointer(location, components, GL_FLOAT, GL_FALSE,
                          static_cast<GLsizei>(sizeof(QuadVertex)), ByteOffset(offset));
}

} // namespace

bool ScreenQuad::Create(bool flipVertical)
{
    glGenVertexArrays(1, &vaoId);
    glGenBuffers(1, &vboId);
    if (vaoId == 0 || vboId == 0)
    {
        Release();
        return false;
    }
    // The buffer binding ends before the vertex array's, which keeps the attribute set-up.
    ScopedVAOBinding vertexArray(vaoId);
    ScopedVBOBinding buffer(vboId);
    const QuadVertices& vertices = flipVertical ? kFlippedVertices : kUprightVertices;
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(sizeof(vertices)), vertices.data(),
                 GL_STATIC_DRAW);
    DescribeAttribute(kPositionLocation, 3, offsetof(QuadVertex, x));
    DescribeAttribute(kTexCoordLocation, 2, offsetof(QuadVertex, u));
    return true;
}

void ScreenQuad::Draw() const
{
    if (vaoId == 0 || vboId == 0)
        return;
    ScopedVAOBinding vertexArray(vaoId);
    glDrawArrays(GL_TRIANGLES, 0, 6);
}

void ScreenQuad::Release()
{
    glDeleteBuffers(1, &vboId);
    vboId = 0;
    glDeleteVertexArrays(1, &vaoId);
    vaoId = 0;
}

} // namespace ffglex
