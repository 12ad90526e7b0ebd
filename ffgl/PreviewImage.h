// The process-wide preview image the host may ask for. This plug-in never sets one.
#pragma once

#include <cstdint>

namespace ffgl
{
struct PreviewImageSource
{
    std::uint32_t width;
    std::uint32_t height;
    const std::uint8_t* pixels; // width * height * 4 bytes
};

// The source stays owned by the caller; null removes it.
void SetPreviewImageSource(const PreviewImageSource* source);
const PreviewImageSource* GetPreviewImageSource();
} // namespace ffgl
