// Host calls from several threads at once while sender threads run: meant for ThreadSanitizer,
// and a crash or a torn status line shows in any build.
#include "controller/VendrolixPro.h"
#include "tools/testhost/OscReceiver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace
{
using namespace std::chrono_literals;
using P = VendrolixPro;

bool IsKnownStatusShape(const std::string& status)
{
    return status == "idle" || status.rfind("started @ t=", 0) == 0 ||
           status.rfind("SEND ", 0) == 0 ||
           (status.size() >= 11 && status[0] == 'T' && status.find('|') != std::string::npos);
}

TEST(Concurrency, HostCallsFromSeveralThreadsWhileSendersRun)
{
    testhost::OscReceiver receiver;
    VendrolixPro plugin;
    plugin.SetOwner(&plugin);
    plugin.BeginSending();
    const std::string port = std::to_string(receiver.Port());
    plugin.SetTextParameter(P::OscPort, port.c_str());
    plugin.SetFloatParameter(P::NextClip, 1.0f);
    plugin.SetFloatParameter(P::Delay, 100.0f);
    plugin.SetFloatParameter(P::DelayNextClip, 200.0f);

    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    threads.emplace_back([&] { // the host's clock, restarting every 300 ms
        for (int i = 0; !stop; ++i)
        {
            plugin.SetTime((i % 30) * 0.01);
            std::this_thread::sleep_for(10ms);
        }
    });
    threads.emplace_back([&] { // frames
        const ffgl::FrameDataRecord noInputs{0, nullptr};
        while (!stop)
        {
            plugin.ProcessOpenGL(&noInputs);
            std::this_thread::sleep_for(2ms);
        }
    });
    threads.emplace_back([&] { // the host's interface: settings, texts, displays
        for (int i = 0; !stop; ++i)
        {
            plugin.SetFloatParameter(P::Duration, static_cast<float>(i % 11));
            plugin.SetFloatParameter(P::Layer, static_cast<float>(i % 3));
            plugin.SetTextParameter(P::OscMsg, i % 2 ? "/x/y f 0.5" : "");
            plugin.SetTextParameter(P::OscPort, port.c_str());
            EXPECT_TRUE(IsKnownStatusShape(plugin.GetParameterDisplay(P::Status)));
            plugin.GetTextParameter(P::OscMsg);
            plugin.GetFloatParameter(P::Status);
            std::this_thread::sleep_for(1ms);
        }
    });
    threads.emplace_back([&] { // "Test" presses
        while (!stop)
        {
            plugin.SetFloatParameter(P::Test, 1.0f);
            std::this_thread::sleep_for(50ms);
        }
    });
    threads.emplace_back([&] { // the host collecting events
        ffgl::ParameterEventEntry entries[12];
        while (!stop)
        {
            plugin.TakeEvents(entries, 12);
            std::this_thread::sleep_for(1ms);
        }
    });

    std::size_t received = 0;
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (std::chrono::steady_clock::now() < end)
        if (receiver.Receive(50ms))
            ++received;
    stop = true;
    for (auto& thread : threads)
        thread.join();
    EXPECT_GT(received, 0u);
}

} // namespace
