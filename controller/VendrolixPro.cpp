#include "controller/VendrolixPro.h"

#include "host/HostLog.h"

#include <new>

VendrolixPro::VendrolixPro() : CFFGLPlugin(false)
{
    SetMinInputs(0);
    SetMaxInputs(1);
    SetTimeSupported(true);
    ffgl::SendHostLog("Created VendrolixPro");
}

std::uint32_t VendrolixPro::ProcessOpenGL(const ffgl::FrameDataRecord*)
{
    return ffgl::kSuccess;
}

std::uint32_t VendrolixPro::Create(CFFGLPlugin** out)
{
    *out = new (std::nothrow) VendrolixPro();
    return *out ? ffgl::kSuccess : ffgl::kFailure;
}
