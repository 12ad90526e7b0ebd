#include "tests/windows/SendingChecks.h"

#include "platform/SharedLibrary.h"
#include "tests/ffgl/LoadedPlugin.h"
#include "tests/windows/CatcherProtocol.h"
#include "tests/windows/Check.h"
#include "tests/windows/HostPlayback.h"
#include "tools/testhost/ParameterIndex.h"
#include "tools/testhost/PluginInstance.h"

#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace wine_host
{
namespace
{
using namespace std::chrono_literals;
using testhost::PluginLibrary;

constexpr testhost::ViewportIn kViewport{0, 0, 32, 32};
// A sender thread is detached and never joined: the host keeps going while it sends.
constexpr std::chrono::milliseconds kSendAllowance = 500ms;

void Set(const PluginLibrary& plugin, void* instance, testhost::ParameterIndex index, float value)
{
    Check(plugin.SetParameter(instance, index, value) == testhost::kOk,
          "setting parameter " + std::to_string(index) + " to " + std::to_string(value) +
              " answered failure");
}

void CheckDisplay(const PluginLibrary& plugin, void* instance, testhost::ParameterIndex index,
                  std::string_view expected)
{
    const char* display = plugin.GetParameterDisplay(instance, index);
    Check(display != nullptr && display == expected,
          "parameter " + std::to_string(index) + " displays \"" + (display ? display : "(null)") +
              "\" instead of \"" + std::string(expected) + "\"");
}

// "OSC Host" and "OSC Port" name the receiver on the Linux side.
void AimAtReceiver(const PluginLibrary& plugin, void* instance, const CatcherLink& catcher)
{
    const std::string port = std::to_string(catcher.Port());
    Check(plugin.SetParameter(instance, testhost::OscHostIndex, "127.0.0.1") == testhost::kOk,
          "setting \"OSC Host\" answered failure");
    Check(plugin.SetParameter(instance, testhost::OscPortIndex, port.c_str()) == testhost::kOk,
          "setting \"OSC Port\" answered failure");
}

void PressTest(const PluginLibrary& plugin, void* instance)
{
    Set(plugin, instance, testhost::TestIndex, 1.0f);
}
} // namespace

// A host may delete the instance and unload the library while the send scheduler's thread still
// runs. The first instance starts it and pins the library, so the host's last FreeLibrary leaves
// it mapped; before any instance, the same FreeLibrary unmaps it.
void CheckUnloadAfterSend(const HostSession& session)
{
    Check(!platform::IsSharedLibraryLoaded(kPluginFile),
          "the plug-in is loaded already: this check needs its first load in the process");
    {
        const PluginLibrary plugin(kPluginFile);
    }
    Check(!platform::IsSharedLibraryLoaded(kPluginFile),
          "FreeLibrary left the plug-in mapped although it had made no instance");
    {
        const PluginLibrary plugin(kPluginFile);
        testhost::PluginInstance instance(plugin, kViewport);
        AimAtReceiver(plugin, instance.Id(), session.Catcher());
        Set(plugin, instance.Id(), testhost::LayerIndex, 3.0f);
        session.Catcher().Announce(wine_catcher::kUnloadAfterSend);
        PressTest(plugin, instance.Id());
        Check(instance.Deinstantiate() == testhost::kOk,
              "DeinstantiateGL (code 19) answered failure");
    }
    Check(platform::IsSharedLibraryLoaded(kPluginFile),
          "the host's last FreeLibrary unmapped the plug-in after its scheduler thread started");
    std::this_thread::sleep_for(kSendAllowance);
}

// A new GL instance holds the registered defaults: the transition duration of 1.0 s on the
// selected layer is the one message enabled, and "Test" sends it at once.
void CheckTestButton(const HostSession& session)
{
    const PluginLibrary& plugin = session.Plugin();
    testhost::PluginInstance instance(plugin, kViewport);
    HostPlayback playback(plugin, instance.Id());
    AimAtReceiver(plugin, instance.Id(), session.Catcher());
    session.Catcher().Announce(wine_catcher::kTestButton);
    vdrxtest::HostLogLines().clear();
    PressTest(plugin, instance.Id());
    const std::vector<std::string> pressed{"VendrolixOSC: Test pressed"};
    Check(vdrxtest::HostLogLines() == pressed,
          "pressing Test logged " + std::to_string(vdrxtest::HostLogLines().size()) +
              " lines instead of \"VendrolixOSC: Test pressed\"");
    CheckDisplay(plugin, instance.Id(), testhost::StatusIndex, "SEND T--");
    // Frames without a clip time start no sequence, so nothing else is sent.
    playback.DrawFor(kSendAllowance);
}

// The transition duration 300 ms and the next clip 600 ms after the clip starts, on layer 2.
void CheckTimedSequence(const HostSession& session)
{
    const PluginLibrary& plugin = session.Plugin();
    testhost::PluginInstance instance(plugin, kViewport);
    HostPlayback playback(plugin, instance.Id());
    AimAtReceiver(plugin, instance.Id(), session.Catcher());
    Set(plugin, instance.Id(), testhost::LayerIndex, 2.0f);
    Set(plugin, instance.Id(), testhost::DelayIndex, 300.0f); // milliseconds
    Set(plugin, instance.Id(), testhost::NextClipIndex, 1.0f);
    Set(plugin, instance.Id(), testhost::DelayNextClipIndex, 600.0f);
    CheckDisplay(plugin, instance.Id(), testhost::DelayIndex, "0.3s");
    CheckDisplay(plugin, instance.Id(), testhost::DelayNextClipIndex, "0.6s");
    session.Catcher().Announce(wine_catcher::kTimedSequence);
    playback.PlayClipFor(600ms + 2 * kSendAllowance);
    CheckDisplay(plugin, instance.Id(), testhost::StatusIndex, "Tok|Nok|Mno");
}
} // namespace wine_host
