// Buffer binding for one block. Ends by binding 0 to the same target, never the earlier buffer.
#pragma once

#include <cstdint>

namespace ffglex
{

// Render thread, host's context current.
class ScopedBufferBinding
{
public:
    ScopedBufferBinding(std::uint32_t bufferTarget, std::uint32_t buffer);
    virtual ~ScopedBufferBinding();

    ScopedBufferBinding(const ScopedBufferBinding&) = delete;
    ScopedBufferBinding& operator=(const ScopedBufferBinding&) = delete;

    // Binds 0 to the target now; the destructor then does nothing.
    void Unbind();

private:
    std::uint32_t target;
    bool isBound;
};

// The vertex buffer (array-buffer) binding.
class ScopedVBOBinding : public ScopedBufferBinding
{
public:
    explicit ScopedVBOBinding(std::uint32_t buffer);
};

} // namespace ffglex
