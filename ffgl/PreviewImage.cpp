#include "ffgl/PreviewImage.h"

namespace ffgl
{
namespace
{
const PreviewImageSource* previewSource = nullptr;
}

void SetPreviewImageSource(const PreviewImageSource* source)
{
    previewSource = source;
}

const PreviewImageSource* GetPreviewImageSource()
{
    return previewSource;
}
} // namespace ffgl
