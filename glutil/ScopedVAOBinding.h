// Vertex array binding for one block. Ends with vertex array 0 bound, never the earlier one.
#pragma once

#include <cstdint>

namespace ffglex
{

// Render thread, host's context current.
class ScopedVAOBinding
{
public:
    explicit ScopedVAOBinding(std::uint32_t vertexArray);
    ~ScopedVAOBinding();

    ScopedVAOBinding(const ScopedVAOBinding&) = delete;
    ScopedVAOBinding& operator=(const ScopedVAOBinding&) = delete;

    // Binds vertex array 0 now; the destructor then does nothing.
    void Unbind();

private:
    bool isBound;
};

} // namespace ffglex
