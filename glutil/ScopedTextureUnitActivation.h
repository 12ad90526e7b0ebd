// Active texture unit for one block. Ends with unit 0 active, whatever was active before.
#pragma once

#include <cstdint>

namespace ffglex
{

// Render thread, host's context current.
class ScopedTextureUnitActivation
{
public:
    explicit ScopedTextureUnitActivation(std::uint32_t unitIndex);
    ~ScopedTextureUnitActivation();

    ScopedTextureUnitActivation(const ScopedTextureUnitActivation&) = delete;
    ScopedTextureUnitActivation& operator=(const ScopedTextureUnitActivation&) = delete;

    // Makes unit 0 active now; the destructor then does nothing.
    void Unbind();

private:
    bool isBound;
};

} // namespace ffglex
