// The plug-in object the host creates for each use of the effect.
#pragma once

#include "host/FFGLPlugin.h"

#include <cstdint>

class VendrolixPro : public CFFGLPlugin
{
public:
    VendrolixPro();

    std::uint32_t ProcessOpenGL(const ffgl::FrameDataRecord* frame) override;

    // The descriptor's factory.
    static std::uint32_t Create(CFFGLPlugin** out);
};
