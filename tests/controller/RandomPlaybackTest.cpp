// Seeded random playback: clips played forwards, backwards and ping-pong at 0.25x to 4x, with
// clock jitter, render stalls, "Test" presses, times that are no times and settings changed
// between clips. Checked for what any sound clip-start rule keeps: each message at most once
// per pass and once per press, none before its moment, and a forward pass starts exactly once.
#include "tests/controller/ControllerFixture.h"

#include <cmath>
#include <limits>
#include <random>

namespace
{
using vdrxtest::ControllerTest;
using vdrxtest::fakeNowMs;
using P = VendrolixPro;

enum class Direction
{
    Forward,
    Reverse,
    PingPong,
};

struct Episode
{
    Direction direction = Direction::Forward;
    double speed = 1.0;
    double lengthSeconds = 1.0;
    double fps = 60.0;
    double jitterSeconds = 0.0;
    int passes = 1;
    std::array<std::int32_t, kMessageKinds> delayMs{};

    double PassSeconds() const
    {
        return direction == Direction::PingPong ? 2 * lengthSeconds : lengthSeconds;
    }
    // The host time at `pass` passes played.
    double TimeAt(double pass) const
    {
        const double in = (pass - std::floor(pass)) * PassSeconds();
        switch (direction)
        {
        case Direction::Forward:
            return in;
        case Direction::Reverse:
            return lengthSeconds - in;
        case Direction::PingPong:
            break;
        }
        return in <= lengthSeconds ? in : 2 * lengthSeconds - in;
    }
};

struct PlayedFrame
{
    std::int64_t atMs = 0;
    double time = 0.0; // as given, jitter included
    double pass = 0.0; // clip position in passes, from the episode's start
    std::size_t episode = 0;
    bool countsOnce = false; // the first frame of a forward pass after a forward pass
    int starts = 0;
};

struct Send
{
    std::int64_t atUs = 0; // when it leaves
    MessageKind kind = kTransition;
    std::int32_t delayMs = 0;
    std::size_t frame = 0;
    int press = -1; // the "Test" press that sent it; -1: the countdown
};

struct Pass
{
    std::size_t firstFrame = 0;
    double momentMs = 0.0; // what its delays count from
};

class RandomPlayback : public ControllerTest
{
protected:
    void SetUp() override
    {
        ControllerTest::SetUp();
        ApplyRegisteredDefaults();
    }

    Episode MakeEpisode()
    {
        Episode e;
        e.direction = static_cast<Direction>(Pick(0, 2));
        e.speed = std::exp2(Uniform(-2.0, 2.0));
        e.fps = std::array{24.0, 25.0, 30.0, 60.0, 144.0}[static_cast<std::size_t>(Pick(0, 4))];
        // Long enough for a dozen frames a pass; short enough for many passes.
        e.lengthSeconds = std::max(Uniform(0.5, 2.0), 12 * e.speed / e.fps);
        e.lengthSeconds = std::min(e.lengthSeconds, 3.0 * e.speed);
        e.jitterSeconds = Pick(0, 1) ? Uniform(0.0, 0.0009) : 0.0;
        e.passes = Pick(2, 6);
        // Due within the first half of a pass, in the plug-in's 100 ms steps.
        const int steps = static_cast<int>(e.PassSeconds() / e.speed * 5);
        for (std::int32_t& delay : e.delayMs)
            delay = 100 * Pick(0, std::max(0, steps));
        return e;
    }

    void Apply(const Episode& e)
    {
        plugin.SetFloatParameter(P::LayerTrans, static_cast<float>(Pick(0, 1)));
        plugin.SetFloatParameter(P::NextClip, static_cast<float>(Pick(0, 1)));
        plugin.SetTextParameter(P::OscMsg, Pick(0, 1) ? "/cue i 1" : "");
        plugin.SetFloatParameter(P::Delay, static_cast<float>(e.delayMs[kTransition]));
        plugin.SetFloatParameter(P::DelayNextClip, static_cast<float>(e.delayMs[kNextClip]));
        plugin.SetFloatParameter(P::MessageDelay, static_cast<float>(e.delayMs[kFreeText]));
        delaysInForce = e.delayMs;
        // What the change makes due goes now, in the pass that is playing.
        if (!frames.empty())
        {
            const std::size_t before = JobCount();
            Frame();
            CollectSends(before, -1);
        }
    }

    void Play(const Episode& e)
    {
        Apply(e);
        const double periodMs = 1000.0 / e.fps;
        const std::int64_t beginMs = fakeNowMs;
        double clockMs = static_cast<double>(beginMs);
        bool stalled = false;
        const bool afterForward =
            !frames.empty() && episodes.back().direction == Direction::Forward;
        episodes.push_back(e);
        for (;;)
        {
            const double pass =
                e.speed * static_cast<double>(fakeNowMs - beginMs) / 1000.0 / e.PassSeconds();
            if (pass >= e.passes)
                return;
            const double inPass = pass - std::floor(pass);
            const bool passBegins = frames.empty() ||
                                    frames.back().episode != episodes.size() - 1 ||
                                    std::floor(frames.back().pass) < std::floor(pass);
            double time = e.TimeAt(pass) + Uniform(-e.jitterSeconds, e.jitterSeconds);
            if (passBegins && e.direction == Direction::Forward && Chance(0.2))
                time = -0.0005; // a host's pre-roll
            // Not on the frame after a stall: a frame without a time there is a stopped clip.
            else if (inPass > 0.3 && inPass < 0.7 && !stalled && Chance(0.01))
                time = Chance(0.5) ? std::numeric_limits<double>::quiet_NaN() : -0.001;
            stalled = false;
            const bool countsOnce = passBegins && e.direction == Direction::Forward &&
                                    (std::floor(pass) > 0 || afterForward);
            PlayFrame(PlayedFrame{fakeNowMs, time, pass, episodes.size() - 1, countsOnce});

            clockMs += periodMs;
            // A render stall within the pass, the clip's time running on through it.
            const double stalledPass =
                e.speed * (clockMs + 600 - static_cast<double>(beginMs)) / 1000.0 / e.PassSeconds();
            const double stalledIn = stalledPass - std::floor(stalledPass);
            if (std::floor(stalledPass) == std::floor(pass) && inPass > 0.1 &&
                stalledIn < (e.direction == Direction::PingPong ? 0.45 : 0.9) &&
                (e.direction != Direction::PingPong || inPass > 0.55) && Chance(0.01))
            {
                clockMs += 600;
                stalled = true;
            }
            fakeNowMs = std::llround(clockMs);
        }
    }

    void PlayFrame(PlayedFrame frame)
    {
        frames.push_back(frame);
        plugin.SetTime(frame.time);
        CollectStarts();
        if (Chance(0.002))
        {
            const std::size_t before = JobCount();
            plugin.SetFloatParameter(P::Test, 1.0f);
            plugin.SetFloatParameter(P::Test, 0.0f);
            CollectSends(before, presses++);
        }
        const std::size_t before = JobCount();
        Frame();
        CollectStarts();
        CollectSends(before, -1);
    }

    void CollectStarts()
    {
        ffgl::ParameterEventEntry entries[16]{};
        const std::uint32_t count = plugin.TakeEvents(entries, 16);
        for (std::uint32_t i = 0; i < count; ++i)
            frames.back().starts += entries[i].index == P::Duration ? 1 : 0;
    }

    void CollectSends(std::size_t from, int press)
    {
        const std::lock_guard lock(vdrxtest::jobsMutex);
        for (std::size_t job = from; job < vdrxtest::startedJobs.size(); ++job)
            for (const MessageKind kind : kAllMessages)
                if (vdrxtest::startedJobs[job].Sends(kind))
                    sends.push_back(Send{vdrxtest::startedJobs[job].LeavesAtUs(kind), kind,
                                         delaysInForce[kind], frames.size() - 1, press});
    }

    // Where each pass begins: forwards its first frame, less the time it shows; backwards the
    // wrap; ping-pong the frame of the lowest time at the bottom.
    std::vector<Pass> FindPasses() const
    {
        std::vector<Pass> passes;
        for (std::size_t i = 0; i < frames.size(); ++i)
        {
            const bool newEpisode = i == 0 || frames[i - 1].episode != frames[i].episode;
            if (!newEpisode && std::floor(frames[i - 1].pass) == std::floor(frames[i].pass))
                continue;
            const Direction direction = episodes[frames[i].episode].direction;
            std::size_t first = i;
            if (!newEpisode && direction == Direction::PingPong &&
                frames[i - 1].time < frames[i].time)
                first = i - 1;
            const double shown = direction == Direction::Reverse ? 0.0 : frames[first].time;
            double moment = static_cast<double>(frames[first].atMs) - 1000.0 * std::max(0.0, shown);
            // Where one clip gives way to another, the last frame of the one before may show
            // the beginning already.
            if (newEpisode && i > 0 && std::isfinite(frames[i - 1].time))
                moment = std::min(moment, static_cast<double>(frames[i - 1].atMs) -
                                              1000.0 * std::max(0.0, frames[i - 1].time));
            passes.push_back(Pass{first, moment});
        }
        return passes;
    }

    int Pick(int low, int high) { return std::uniform_int_distribution(low, high)(random); }
    double Uniform(double low, double high)
    {
        return low < high ? std::uniform_real_distribution(low, high)(random) : low;
    }
    bool Chance(double p) { return std::bernoulli_distribution(p)(random); }

    std::mt19937 random{20261208};
    std::vector<Episode> episodes;
    std::vector<PlayedFrame> frames;
    std::vector<Send> sends;
    std::array<std::int32_t, kMessageKinds> delaysInForce{};
    int presses = 0;
};

TEST_F(RandomPlayback, EachMessageOncePerPassAndPressNeverEarlyOneStartPerForwardPass)
{
    int passesPlayed = 0;
    while (passesPlayed < 3000)
    {
        const Episode e = MakeEpisode();
        Play(e);
        passesPlayed += e.passes;
    }

    const std::vector<Pass> passes = FindPasses();
    std::size_t send = 0;
    std::optional<Pass> counting; // the latest pass the plug-in saw start
    std::map<int, std::array<int, kMessageKinds>> byPress;
    for (std::size_t k = 0; k < passes.size(); ++k)
    {
        const std::size_t end = k + 1 < passes.size() ? passes[k + 1].firstFrame : frames.size();
        int starts = 0;
        for (std::size_t f = passes[k].firstFrame; f < end; ++f)
            starts += frames[f].starts;
        const PlayedFrame& first = frames[passes[k].firstFrame];
        if (first.countsOnce)
        {
            EXPECT_EQ(starts, 1) << "forward pass " << k << " at frame " << passes[k].firstFrame;
        }
        if (starts > 0)
            counting = passes[k];

        std::array<int, kMessageKinds> timed{};
        for (; send < sends.size() && sends[send].frame < end; ++send)
        {
            const Send& s = sends[send];
            if (s.press >= 0)
            {
                EXPECT_LE(++byPress[s.press][s.kind], 1) << "press " << s.press;
                continue;
            }
            EXPECT_LE(++timed[s.kind], 1) << "kind " << int{s.kind} << " in pass " << k;
            ASSERT_TRUE(counting) << "a message before any start, frame " << s.frame;
            EXPECT_GE(static_cast<double>(s.atUs) / 1000.0 + 1e-6, counting->momentMs + s.delayMs)
                << "kind " << int{s.kind} << " early in pass " << k;
        }
    }
    EXPECT_GT(sends.size(), 3000u) << "the playback exercised the sends";
}

} // namespace
