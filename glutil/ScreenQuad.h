// Two triangles covering clip space from -1 to 1, with texture coordinates, in one vertex
// array and one vertex buffer.
#pragma once

#include <cstdint>

namespace ffglex
{

// Render thread, host's context current. The destructor makes no GL call: Release deletes
// the objects while the context is still current.
class ScreenQuad
{
public:
    ScreenQuad() = default;
    ScreenQuad(const ScreenQuad&) = delete;
    ScreenQuad& operator=(const ScreenQuad&) = delete;

    // Uploads the vertices once, as static data. Upright texture coordinates put v = 1 at the
    // top edge; `flipVertical` swaps that. On false nothing is left behind.
    bool Create(bool flipVertical);
    // Draws the six vertices with whatever program is in use; no GL call unless created.
    void Draw() const;
    // Deletes both objects and zeroes their names; repeatable.
    void Release();

private:
    std::uint32_t vaoId = 0;
    std::uint32_t vboId = 0;
};

} // namespace ffglex
