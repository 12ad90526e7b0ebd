#include "ffgl/FFGLPlugin.h"

#include "ffgl/DisplayNumber.h"

#include <array>

namespace
{
// Shared by every instance: 16 characters and a terminator, as the host expects of the
// default display; valid until the next default display call.
std::array<char, 17> defaultDisplayBuffer{};
} // namespace

CFFGLPlugin::CFFGLPlugin(bool supportsCapability16) : CFFGLPluginManager(supportsCapability16)
{
}

CFFGLPlugin::~CFFGLPlugin() = default;

void CFFGLPlugin::StoreViewport(const ffgl::ViewportRecord* record)
{
    if (record)
        viewport = *record;
}

std::uint32_t CFFGLPlugin::InitGL(const ffgl::ViewportRecord* record)
{
    StoreViewport(record);
    return ffgl::kSuccess;
}

std::uint32_t CFFGLPlugin::DeInitGL()
{
    return ffgl::kSuccess;
}

const char* CFFGLPlugin::GetParameterDisplay(std::uint32_t index)
{
    CFFGLPlugin& source = owner ? *owner : *this;
    const std::uint32_t type = source.GetParamType(index);
    if (type == ffgl::kFailure)
        return nullptr;
    if (ffgl::IsTextType(type))
        return source.GetTextParameter(index);

    defaultDisplayBuffer.fill('\0');
    ffgl::FormatDecimal(defaultDisplayBuffer.data(), defaultDisplayBuffer.size(),
                        static_cast<double>(source.GetFloatParameter(index)), 6);
    return defaultDisplayBuffer.data();
}

std::uint32_t CFFGLPlugin::SetFloatParameter(std::uint32_t, float)
{
    return ffgl::kFailure;
}

std::uint32_t CFFGLPlugin::SetTextParameter(std::uint32_t, const char*)
{
    return ffgl::kFailure;
}

float CFFGLPlugin::GetFloatParameter(std::uint32_t)
{
    return 0.0f;
}

char* CFFGLPlugin::GetTextParameter(std::uint32_t)
{
    return reinterpret_cast<char*>(static_cast<std::uintptr_t>(ffgl::kFailure));
}

std::uint32_t CFFGLPlugin::ProcessOpenGL(const ffgl::FrameDataRecord*)
{
    return ffgl::kFailure;
}

std::uint32_t CFFGLPlugin::SetTime(double time)
{
    hostTime = time;
    return ffgl::kSuccess;
}

void CFFGLPlugin::SetBeatInfo(float bpm, float phase)
{
    tempo = bpm;
    barPhase = phase;
}

void CFFGLPlugin::SetHostInfo(const char* name, const char* version)
{
    hostName = name ? name : "";
    hostVersion = version ? version : "";
}

void CFFGLPlugin::SetSampleRate(std::uint32_t rate)
{
    sampleRate = rate;
}

std::uint32_t CFFGLPlugin::GetInputStatus(std::uint32_t inputIndex)
{
    const std::int32_t inputLimit = GetMaxInputs();
    if (inputLimit > 0 && inputIndex < static_cast<std::uint32_t>(inputLimit))
        return 1u;
    return ffgl::kFailure;
}

const char* CFFGLPlugin::GetOptionalText()
{
    return nullptr;
}

std::uint32_t CFFGLPlugin::Connect()
{
    return ffgl::kSuccess;
}

std::uint32_t CFFGLPlugin::Disconnect()
{
    return ffgl::kSuccess;
}

std::uint32_t CFFGLPlugin::Resize(const ffgl::ViewportRecord* record)
{
    StoreViewport(record);
    return ffgl::kSuccess;
}
