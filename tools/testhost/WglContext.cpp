#include "tools/testhost/GlContext.h"

#include <GL/glew.h>
#include <GL/wglew.h>
#include <windows.h>

#include <bit>

namespace testhost
{
namespace
{
constexpr const char* kWindowClass = "VendrolixTestHost";

std::string LastError(const char* what)
{
    return std::string(what) + " failed with error " + std::to_string(GetLastError());
}

class WglContext final : public GlContext
{
public:
    WglContext(HWND contextWindow, HDC windowDc, HGLRC glContext)
        : window(contextWindow), deviceContext(windowDc), context(glContext)
    {
    }

    ~WglContext() override
    {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context);
        DestroyWindow(window);
    }

    WglContext(const WglContext&) = delete;
    WglContext& operator=(const WglContext&) = delete;

    bool MakeCurrent(bool current) override
    {
        return wglMakeCurrent(current ? deviceContext : nullptr, current ? context : nullptr) !=
               FALSE;
    }

    const char* Kind() const override { return "WGL"; }

private:
    HWND window;
    HDC deviceContext; // owned by the window (CS_OWNDC)
    HGLRC context;
};

// Never shown: the host draws into framebuffer objects. Its device context lives as long as
// the window does.
HWND CreateHiddenWindow(std::string& error)
{
    const HINSTANCE application = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = application;
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    {
        error = LastError("RegisterClassEx");
        return nullptr;
    }
    const HWND window =
        CreateWindowExA(0, kWindowClass, "VendrolixPro test host", WS_OVERLAPPEDWINDOW, 0, 0, 64,
                        64, nullptr, nullptr, application, nullptr);
    if (!window)
        error = LastError("CreateWindowEx");
    return window;
}

bool SetDrawablePixelFormat(HDC deviceContext, std::string& error)
{
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 32;
    format.cDepthBits = 24;
    format.iLayerType = PFD_MAIN_PLANE;
    const int index = ChoosePixelFormat(deviceContext, &format);
    if (index == 0)
        error = LastError("ChoosePixelFormat");
    else if (!SetPixelFormat(deviceContext, index, &format))
        error = LastError("SetPixelFormat");
    return error.empty();
}

// wglCreateContextAttribsARB is only reachable through a current legacy context.
PFNWGLCREATECONTEXTATTRIBSARBPROC LoadCreateContextAttribs(HDC deviceContext, std::string& error)
{
    const HGLRC legacy = wglCreateContext(deviceContext);
    if (!legacy)
    {
        error = LastError("wglCreateContext");
        return nullptr;
    }
    wglMakeCurrent(deviceContext, legacy);
    const PROC address = wglGetProcAddress("wglCreateContextAttribsARB");
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(legacy);
    if (!address)
        error = "wglCreateContextAttribsARB is not available";
    return std::bit_cast<PFNWGLCREATECONTEXTATTRIBSARBPROC>(address);
}

HGLRC CreateCoreContext(HDC deviceContext, std::string& error)
{
    const auto createContextAttribs = LoadCreateContextAttribs(deviceContext, error);
    if (!createContextAttribs)
        return nullptr;
    // clang-format off
    const int attributes[] = {
        WGL_CONTEXT_MAJOR_VERSION_ARB, 4,
        WGL_CONTEXT_MINOR_VERSION_ARB, 1,
        WGL_CONTEXT_PROFILE_MASK_ARB, WGL_CONTEXT_CORE_PROFILE_BIT_ARB,
        0,
    };
    // clang-format on
    const HGLRC context = createContextAttribs(deviceContext, nullptr, attributes);
    if (!context)
        error = LastError("wglCreateContextAttribsARB (4.1 core)");
    return context;
}
} // namespace

std::unique_ptr<GlContext> CreateWglContext(std::string& error)
{
    const HWND window = CreateHiddenWindow(error);
    if (!window)
        return nullptr;
    const HDC deviceContext = GetDC(window);
    const HGLRC context = deviceContext && SetDrawablePixelFormat(deviceContext, error)
                              ? CreateCoreContext(deviceContext, error)
                              : nullptr;
    if (!context)
    {
        if (error.empty())
            error = LastError("GetDC");
        DestroyWindow(window);
        return nullptr;
    }
    auto created = std::make_unique<WglContext>(window, deviceContext, context);
    if (!created->MakeCurrent(true))
    {
        error = LastError("wglMakeCurrent");
        return nullptr;
    }
    return created;
}
} // namespace testhost
