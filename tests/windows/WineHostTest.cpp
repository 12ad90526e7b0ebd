// Drives VendrolixPro.dll the way a Windows host does: a hidden window with an OpenGL 4.1 core
// context, LoadLibrary from the host's folder, and every request through plugMain. Runs under
// Wine with Xvfb as the display; the receiver on the Linux side judges what the plug-in sends.
// Usage: WineHostTest [--osc-port PORT] [check ...]   (every check when none is named)
#include "tests/ffgl/LoadedPlugin.h"
#include "tests/windows/CatcherProtocol.h"
#include "tests/windows/Check.h"
#include "tests/windows/HostSession.h"
#include "tests/windows/SendingChecks.h"
#include "tools/testhost/GlContext.h"
#include "tools/testhost/GlPixels.h"
#include "tools/testhost/PluginInstance.h"
#include "tools/testhost/RgbaImage.h"

#include <GL/glew.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numeric>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace wine_host
{
namespace
{
using testhost::PluginLibrary;

constexpr std::uint32_t kWidth = 64;
constexpr std::uint32_t kHeight = 48;
constexpr testhost::ViewportIn kViewport{0, 0, kWidth, kHeight};

std::string Hex(const void* bytes, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
    {
        std::array<char, 4> digits{};
        std::snprintf(digits.data(), digits.size(), "%02x ",
                      static_cast<const unsigned char*>(bytes)[i]);
        text += digits.data();
    }
    return text;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += "\"" + line + "\" ";
    return text;
}

void CheckText(const char* actual, std::string_view expected, const std::string& what)
{
    Check(actual != nullptr, what + " is null");
    Check(actual == expected, what + " reads \"" + actual + "\"");
}

void CheckNoGlError(const std::string& after)
{
    const GLenum error = glGetError();
    Check(error == GL_NO_ERROR, "GL error " + std::to_string(error) + " after " + after);
}

void CheckGlContext(const HostSession&)
{
    GLint major = 0;
    GLint minor = 0;
    GLint profile = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    const std::string version = std::to_string(major) + "." + std::to_string(minor);
    Check(major > 4 || (major == 4 && minor >= 1), "the host's context is OpenGL " + version);
    Check((profile & GL_CONTEXT_CORE_PROFILE_BIT) != 0,
          "the host's OpenGL " + version + " context is not a core profile");
}

void CheckInfoRecords(const HostSession& session)
{
    const PluginLibrary& plugin = session.Plugin();
    const testhost::InfoRecord* info = plugin.GetInfo();
    Check(info != nullptr, "GetInfo (code 0) answered no record");
    constexpr std::array<unsigned char, 32> expectedInfo{
        2,   0,   0,   0,   1,   0,   0,   0,   'V', 'D', 'R', 'X', 'V', 'e', 'n', 'd',
        'r', 'o', 'l', 'i', 'x', 'O', 'S', 'C', 0,   0,   0,   0,   0,   0,   0,   0,
    };
    Check(std::memcmp(info, expectedInfo.data(), expectedInfo.size()) == 0,
          "PluginInfo reads " + Hex(info, expectedInfo.size()));

    const testhost::ExtendedInfoRecord* extended = plugin.GetExtendedInfo();
    Check(extended != nullptr, "GetExtendedInfo (code 13) answered no record");
    Check(extended->versionMajor == 1 && extended->versionMinor == 0,
          "PluginExtendedInfo starts " + Hex(extended, 8) + "instead of version 1.0");
    CheckText(extended->description,
              "Vendrolix: after N seconds from clip start, set selected layer transition "
              "duration and trigger selected layer next clip via OSC.",
              "the description");
    CheckText(extended->about, "Vazezoda FFGL", "the about text");
    Check(extended->dataSize == 0 && extended->data == nullptr,
          "PluginExtendedInfo carries extended data: " + Hex(&extended->dataSize, 16));
}

// The prototype and the instance are both plug-in objects, and each announces itself through
// the host's log callback, which has to work across the DLL boundary.
void CheckInstanceLifecycle(const HostSession& session)
{
    const PluginLibrary& plugin = session.Plugin();
    Check(plugin.Deinitialise() == testhost::kOk, "Deinitialise (code 2) answered failure");
    vdrxtest::HostLogLines().clear();
    testhost::PluginInstance instance(plugin, kViewport);
    const std::vector<std::string> created(2, "Created VendrolixPro");
    Check(vdrxtest::HostLogLines() == created,
          "the host log holds " + Joined(vdrxtest::HostLogLines()) +
              "instead of \"Created VendrolixPro\" for the prototype and the instance");
    CheckNoGlError("InstantiateGL (code 18)");
    Check(instance.Deinstantiate() == testhost::kOk, "DeinstantiateGL (code 19) answered failure");
}

// The pass-through samples texel centres without blending, so every pixel arrives unchanged.
void CheckImagesMatch(const testhost::RgbaImage& expected, const testhost::RgbaImage& actual)
{
    const auto mismatch =
        std::mismatch(expected.pixels.begin(), expected.pixels.end(), actual.pixels.begin());
    if (mismatch.first == expected.pixels.end())
        return;
    const auto first = static_cast<std::size_t>(mismatch.first - expected.pixels.begin());
    const auto different = std::inner_product(
        expected.pixels.begin(), expected.pixels.end(), actual.pixels.begin(), std::size_t{0},
        std::plus<>(), [](const testhost::Rgba& a, const testhost::Rgba& b) { return a != b; });
    std::ostringstream message;
    message << different << " of " << expected.pixels.size()
            << " pixels differ from the input; first at (" << first % expected.width << ", "
            << first / expected.width << "): expected " << *mismatch.first << ", got "
            << *mismatch.second;
    throw std::runtime_error(message.str());
}

void CheckFramePassesInputThrough(const HostSession& session)
{
    const PluginLibrary& plugin = session.Plugin();
    const testhost::RgbaImage image = testhost::GradientImage(kWidth, kHeight);
    const testhost::RgbaTexture texture(image);
    testhost::PluginInstance instance(plugin, kViewport);
    testhost::TextureIn input{kWidth, kHeight, kWidth, kHeight, texture.Name()};
    std::array<testhost::TextureIn*, 1> inputs{&input};
    const testhost::FrameIn frame{1, 0, inputs.data()};

    const testhost::RenderTarget target(kWidth, kHeight);
    Check(target.IsComplete(), "the host's framebuffer is incomplete");
    Check(plugin.ProcessOpenGL(instance.Id(), frame) == testhost::kOk,
          "ProcessOpenGL (code 17) answered failure");
    CheckNoGlError("ProcessOpenGL (code 17)");
    CheckImagesMatch(image, target.Read());
}

struct NamedCheck
{
    std::string_view name;
    void (*run)(const HostSession&);
};

// In the order a host meets the plug-in, except that unloading comes first: it needs the
// library's first load in the process, before the others load it for good.
constexpr std::array kChecks{
    NamedCheck{"gl-context", &CheckGlContext},
    NamedCheck{wine_catcher::kUnloadAfterSend, &CheckUnloadAfterSend},
    NamedCheck{"info-records", &CheckInfoRecords},
    NamedCheck{"instance-lifecycle", &CheckInstanceLifecycle},
    NamedCheck{"frame-pass-through", &CheckFramePassesInputThrough},
    NamedCheck{wine_catcher::kTestButton, &CheckTestButton},
    NamedCheck{wine_catcher::kTimedSequence, &CheckTimedSequence},
};

bool IsKnownCheck(std::string_view name)
{
    return std::any_of(kChecks.begin(), kChecks.end(),
                       [name](const NamedCheck& check) { return check.name == name; });
}

struct Options
{
    std::optional<std::uint16_t> catcherPort;
    std::vector<const NamedCheck*> checks; // in the order of kChecks
};

std::optional<std::uint16_t> ParsePort(std::string_view text)
{
    unsigned port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc{} || end != text.data() + text.size() || port == 0 || port > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

// Nothing, with the reason printed, when the command line names an unknown check or no port.
std::optional<Options> ParseOptions(int argc, char** argv)
{
    Options options;
    std::vector<std::string_view> names;
    for (int i = 1; i < argc; ++i)
    {
        const std::string_view argument = argv[i];
        if (argument == "--osc-port" && i + 1 < argc)
        {
            options.catcherPort = ParsePort(argv[++i]);
            if (!options.catcherPort)
            {
                std::printf("--osc-port takes a port number, not \"%s\"\n", argv[i]);
                return std::nullopt;
            }
        }
        else if (IsKnownCheck(argument))
            names.push_back(argument);
        else
        {
            std::printf("unknown check \"%s\"; known:", argv[i]);
            for (const NamedCheck& known : kChecks)
                std::printf(" %s", known.name.data());
            std::printf("\n");
            return std::nullopt;
        }
    }
    for (const NamedCheck& check : kChecks)
        if (names.empty() || std::find(names.begin(), names.end(), check.name) != names.end())
            options.checks.push_back(&check);
    return options;
}

// The host's own GL entry points, for the texture it hands over and the framebuffer it reads.
void LoadHostGlEntryPoints()
{
    glewExperimental = GL_TRUE; // core profiles hide the extension string GLEW would look at
    Check(glewInit() == GLEW_OK, "the host's glewInit failed");
}

int RunChecks(const Options& options)
{
    std::string error;
    const auto context = testhost::CreateWglContext(error);
    if (!context)
    {
        std::printf("FAILED  host set-up: %s\n", error.c_str());
        return EXIT_FAILURE;
    }
    try
    {
        LoadHostGlEntryPoints();
    }
    catch (const std::exception& setUpError)
    {
        std::printf("FAILED  host set-up: %s\n", setUpError.what());
        return EXIT_FAILURE;
    }
    const HostSession session(options.catcherPort);
    int failed = 0;
    for (const NamedCheck* check : options.checks)
    {
        try
        {
            check->run(session);
            std::printf("ok      %s\n", check->name.data());
        }
        catch (const std::exception& checkError)
        {
            ++failed;
            std::printf("FAILED  %s: %s\n", check->name.data(), checkError.what());
        }
    }
    std::printf("%d passed, %d failed\n", static_cast<int>(options.checks.size()) - failed, failed);
    return failed == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
} // namespace
} // namespace wine_host

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0); // every line is out before a crash under Wine
    const auto options = wine_host::ParseOptions(argc, argv);
    return options ? wine_host::RunChecks(*options) : 2;
}
