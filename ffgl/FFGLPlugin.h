// Base of every plug-in object the host drives: host-pushed state and the eighteen virtual
// slots with their default behaviour. Every slot runs on the host's render thread, one call at a
// time.
#pragma once

#include "ffgl/FFGLPluginManager.h"
#include "ffgl/FFGLTypes.h"

#include <cstdint>
#include <string>

class CFFGLPlugin : public CFFGLPluginManager
{
public:
    explicit CFFGLPlugin(bool supportsCapability16);
    ~CFFGLPlugin() override;

    virtual std::uint32_t InitGL(const ffgl::ViewportRecord* viewport);
    virtual std::uint32_t DeInitGL();
    // The returned text stays valid until the next display call in the process.
    virtual const char* GetParameterDisplay(std::uint32_t index);
    virtual std::uint32_t SetFloatParameter(std::uint32_t index, float value);
    virtual std::uint32_t SetTextParameter(std::uint32_t index, const char* text);
    virtual float GetFloatParameter(std::uint32_t index);
    // Answers the failure code in place of a pointer unless replaced.
    virtual char* GetTextParameter(std::uint32_t index);
    virtual std::uint32_t ProcessOpenGL(const ffgl::FrameDataRecord* frame);
    virtual std::uint32_t SetTime(double time);
    virtual void SetBeatInfo(float bpm, float barPhase);
    virtual void SetHostInfo(const char* name, const char* version);
    virtual void SetSampleRate(std::uint32_t rate);
    virtual std::uint32_t GetInputStatus(std::uint32_t inputIndex);
    virtual const char* GetOptionalText();
    virtual std::uint32_t Connect();
    virtual std::uint32_t Disconnect();
    virtual std::uint32_t Resize(const ffgl::ViewportRecord* viewport);

    bool IsConnected() const { return connected; }
    void SetConnected(bool value) { connected = value; }
    void SetOwner(CFFGLPlugin* plugin) { owner = plugin; }

    const ffgl::ViewportRecord& GetViewport() const { return viewport; }
    float GetTempo() const { return tempo; }
    float GetBarPhase() const { return barPhase; }
    const std::string& GetHostName() const { return hostName; }
    const std::string& GetHostVersion() const { return hostVersion; }
    double GetHostTime() const { return hostTime; }
    std::uint32_t GetSampleRate() const { return sampleRate; }

protected:
    void StoreViewport(const ffgl::ViewportRecord* record);

private:
    bool connected = false;
    CFFGLPlugin* owner = nullptr;
    ffgl::ViewportRecord viewport{};
    float tempo = 120.0f;
    float barPhase = 0.0f;
    std::string hostName;
    std::string hostVersion;
    double hostTime = 0.0;
    std::uint32_t sampleRate = 0;
};

// Creates one plug-in object into `out`; answers kSuccess, or kFailure with nothing created.
using PluginFactory = std::uint32_t (*)(CFFGLPlugin** out);
