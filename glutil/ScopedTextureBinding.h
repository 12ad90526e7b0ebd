// Texture binding for one block. Ends by binding 0 on whatever unit is active then: the earlier
// binding is never read back, so the host finds the default afterwards.
#pragma once

#include <cstdint>

namespace ffglex
{

// Render thread, host's context current.
class ScopedTextureBinding
{
public:
    ScopedTextureBinding(std::uint32_t textureTarget, std::uint32_t texture);
    virtual ~ScopedTextureBinding();

    ScopedTextureBinding(const ScopedTextureBinding&) = delete;
    ScopedTextureBinding& operator=(const ScopedTextureBinding&) = delete;

    // Binds 0 to the target now; the destructor then does nothing.
    void Unbind();

private:
    std::uint32_t target;
    bool isBound;
};

class Scoped2DTextureBinding : public ScopedTextureBinding
{
public:
    explicit Scoped2DTextureBinding(std::uint32_t texture);
};

} // namespace ffglex
