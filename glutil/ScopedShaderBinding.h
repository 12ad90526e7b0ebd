// Program in use for one block. Ends with program 0 in use, never the earlier program.
#pragma once

#include <cstdint>

namespace ffglex
{

// Render thread, host's context current.
class ScopedShaderBinding
{
public:
    explicit ScopedShaderBinding(std::uint32_t program);
    ~ScopedShaderBinding();

    ScopedShaderBinding(const ScopedShaderBinding&) = delete;
    ScopedShaderBinding& operator=(const ScopedShaderBinding&) = delete;

    // Puts program 0 into use now; the destructor then does nothing.
    void Unbind();

private:
    bool isBound;
};

} // namespace ffglex
