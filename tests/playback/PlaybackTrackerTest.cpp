// The playback tracker: the passes of clips played every way a host plays them, and when each
// began.
#include "playback/PlaybackTracker.h"
#include "tests/controller/ControllerFixture.h"
#include "tests/playback/PlaybackSimulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace
{
using vdrxtest::Episode;
using vdrxtest::PlaybackSimulator;
using vdrxtest::TruePass;

struct SeenStart
{
    std::size_t frame = 0;
    PlaybackTracker::Start start;
};

std::vector<SeenStart> Track(const Episode& episode)
{
    PlaybackTracker tracker;
    std::vector<SeenStart> starts;
    for (std::size_t i = 0; i < episode.frames.size(); ++i)
    {
        const vdrxtest::ShowFrame& frame = episode.frames[i];
        const auto note = [&](const std::optional<PlaybackTracker::Start>& start)
        {
            if (start && (start->newPass || starts.empty()))
                starts.push_back(SeenStart{i, *start});
            else if (start)
                starts.back().start.anchorUs = start->anchorUs;
        };
        note(tracker.OnHostTime(frame.time, frame.callUs));
        if (frame.draws)
            note(tracker.OnFrame(frame.callUs + 50));
    }
    return starts;
}

// What the random shows came to.
struct Tally
{
    int passes = 0;
    int dated = 0;
    int miscounted = 0; // started no time or twice, or started where no pass began
    int early = 0;
    int late = 0;
    std::vector<std::string> examples;

    void Note(const Episode& episode, const std::string& what)
    {
        if (examples.size() < 12)
            examples.push_back(episode.description + ": " + what);
    }
};

void Judge(const Episode& episode, Tally& tally)
{
    const std::vector<SeenStart> starts = Track(episode);
    std::vector<bool> matched(starts.size(), false);
    for (std::size_t p = 0; p < episode.passes.size(); ++p)
    {
        const TruePass& pass = episode.passes[p];
        ++tally.passes;
        // Seen by the frame after the one that shows it, and before the next pass.
        std::size_t seenBy = pass.shownFrame + 1;
        if (p + 1 < episode.passes.size())
            seenBy = std::min(seenBy, episode.passes[p + 1].firstFrame - 1);
        std::vector<std::size_t> in;
        for (std::size_t s = 0; s < starts.size(); ++s)
            if (starts[s].frame >= pass.firstFrame && starts[s].frame <= seenBy)
            {
                in.push_back(s);
                matched[s] = true;
            }
        const bool unsure = pass.what.rfind("unsure", 0) == 0;
        if (in.size() != 1 && !(unsure && in.empty()))
        {
            ++tally.miscounted;
            tally.Note(episode, pass.what + " at frame " + std::to_string(pass.firstFrame) +
                                    " started " + std::to_string(in.size()) + " times");
        }
        if (in.size() != 1 || unsure)
            continue;
        // Dated to 2 ms, beyond what it cannot know of the in or out point, and as well as the
        // speed can be known over the time it is carried: the frames before its first, or the
        // gap (1 % of it later, 0.5 % earlier).
        const std::int64_t anchor = starts[in[0]].start.anchorUs;
        const std::int64_t carried = episode.frames[pass.firstFrame].callUs - pass.beginUs +
                                     std::llround(4 * episode.framePeriodUs);
        const std::int64_t earliest = pass.dated ? pass.beginUs - carried / 200 : pass.earliestUs;
        const std::int64_t latest = pass.dated
                                        ? pass.beginUs + 2000 + pass.unknowableUs + carried / 100
                                        : episode.frames[pass.shownFrame].callUs;
        tally.dated += pass.dated ? 1 : 0;
        if (anchor < earliest || anchor > latest)
        {
            ++(anchor < earliest ? tally.early : tally.late);
            tally.Note(episode,
                       pass.what + " at frame " + std::to_string(pass.firstFrame) + " dated " +
                           std::to_string(static_cast<double>(anchor - pass.beginUs) / 1e3) +
                           " ms after its beginning");
        }
    }
    for (std::size_t s = 0; s < starts.size(); ++s)
        if (!matched[s])
        {
            ++tally.miscounted;
            tally.Note(episode,
                       "a start where no pass began, frame " + std::to_string(starts[s].frame));
        }
}

// A clip played evenly by a host at a steady rate, and the tracker following it.
class Played
{
public:
    enum class Mode
    {
        Forward,
        Backward,
        PingPong,
    };
    struct Clip
    {
        Mode mode = Mode::Forward;
        double in = 0.0;
        double out = 1.0;
        double speed = 1.0;
    };

    // The clip's time `seconds` after a pass began, the pass beginning at the in point (forwards,
    // ping-pong) or the out point (backwards).
    static double TimeAt(const Clip& clip, double seconds)
    {
        const double length = clip.out - clip.in;
        const double run = clip.speed * seconds;
        switch (clip.mode)
        {
        case Mode::Forward:
            return clip.in + std::fmod(run, length);
        case Mode::Backward:
            return clip.out - std::fmod(run, length);
        case Mode::PingPong:
            break;
        }
        const double phase = std::fmod(run, 2 * length);
        return phase <= length ? clip.in + phase : clip.in + 2 * length - phase;
    }
    // The wall seconds of one pass.
    static double PassSeconds(const Clip& clip)
    {
        return (clip.mode == Mode::PingPong ? 2.0 : 1.0) * (clip.out - clip.in) / clip.speed;
    }

    // Frames at `fps` from `fromSeconds` to `toSeconds` of play (passes begin at 0, and a pass
    // length apart), the clip's time shifted back by `behindSeconds`; `uneven` frames come up to
    // a tenth of a period early or late.
    void Play(const Clip& clip, double fps, double fromSeconds, double toSeconds,
              double behindSeconds = 0.0, bool uneven = false)
    {
        for (int frame = 0;; ++frame)
        {
            const double wobble = uneven ? 0.1 * std::sin(frame * 2.3) : 0.0;
            const double at = fromSeconds + (frame + wobble) / fps;
            if (at >= toSeconds)
                return;
            Frame(at, TimeAt(clip, std::max(0.0, at - behindSeconds)));
        }
    }
    void Frame(double atSeconds, double time)
    {
        const std::int64_t nowUs = originUs + std::llround(atSeconds * 1e6);
        Note(tracker.OnHostTime(time, nowUs));
        Note(tracker.OnFrame(nowUs));
    }
    // A new pass, or the last one dated anew.
    void Note(const std::optional<PlaybackTracker::Start>& start)
    {
        if (start && (start->newPass || starts.empty()))
            starts.push_back(*start);
        else if (start)
            starts.back().anchorUs = start->anchorUs;
    }
    // How far after `atSeconds` of play the start `index` was dated, in milliseconds.
    double DatedAfterMs(std::size_t index, double atSeconds) const
    {
        return static_cast<double>(starts.at(index).anchorUs - originUs) / 1000.0 -
               atSeconds * 1000.0;
    }

    PlaybackTracker tracker;
    std::vector<PlaybackTracker::Start> starts;
    std::int64_t originUs = 1000000000;
};

using Mode = Played::Mode;

// Passes dated at their beginnings, never early and at most `lateMs` late: `first` the index of
// the start of the pass that begins at `beginSeconds`, each next one a pass later.
void ExpectDated(const Played& played, const Played::Clip& clip, std::size_t first,
                 double beginSeconds, double lateMs = 2.0)
{
    for (std::size_t i = first; i < played.starts.size(); ++i)
    {
        const double late = played.DatedAfterMs(i, beginSeconds + static_cast<double>(i - first) *
                                                                      Played::PassSeconds(clip));
        EXPECT_GE(late, 0.0) << "start " << i;
        EXPECT_LE(late, lateMs) << "start " << i;
    }
}

TEST(PlaybackTracker, OneClockStepBackMidClipIsNoRestart)
{
    for (const auto& [fps, backSeconds] :
         {std::pair{24.0, 0.0025}, std::pair{30.0, 0.0025}, std::pair{60.0, 1.0 / 60.0}})
    {
        SCOPED_TRACE(fps);
        Played played;
        const Played::Clip clip{Mode::Forward, 0.0, 1.0, 1.0};
        played.Frame(-0.05, 0.95); // the clip before
        played.Play(clip, fps, 0.0, 12 / fps);
        played.Play(clip, fps, 12 / fps, 3.0, backSeconds); // the clock re-synced back
        ASSERT_EQ(played.starts.size(), 3u) << "one start per pass";
        // The re-sync bends the speed measured across it by a fraction of a permille.
        EXPECT_GE(played.DatedAfterMs(1, 1.0 + backSeconds), -0.1);
        EXPECT_LE(played.DatedAfterMs(1, 1.0 + backSeconds), 2.0);
    }
}

// A busy machine: the host's calls come up to 8 ms after the moments whose times they give. The
// speed they show is off by more than a host's usual jitter, and its bounds must say so. Where
// the in point lies between 0 and the lowest landing is not known: late by up to a frame.
TEST(PlaybackTracker, ABusyHostsLateCallsDateNoPassEarly)
{
    for (const double fps : {24.0, 30.0, 60.0})
    {
        SCOPED_TRACE(fps);
        Played played;
        const Played::Clip clip{Mode::Forward, 0.0, 0.65, 1.0};
        std::mt19937 random(static_cast<unsigned>(fps));
        std::uniform_real_distribution<double> lateness(0.0, 0.008);
        played.Frame(-0.05, 0.6);
        for (int frame = 0; frame < static_cast<int>(20 * 0.65 * fps); ++frame)
        {
            const double at = (frame + 0.5) / fps; // passes begin between frames
            played.Frame(at + lateness(random), Played::TimeAt(clip, at));
        }
        ASSERT_EQ(played.starts.size(), 20u);
        for (std::size_t i = 1; i < played.starts.size(); ++i)
        {
            const double late = played.DatedAfterMs(i, static_cast<double>(i) * 0.65);
            EXPECT_GE(late, 0.0) << "start " << i;
            EXPECT_LE(late, 1000.0 / fps + 8.0) << "start " << i;
        }
    }
}

TEST(PlaybackTracker, GapsWhereTheClipDidNotRestartKeepThePass)
{
    {
        SCOPED_TRACE("ping-pong, a stall of 600 ms across its top turn");
        Played played;
        const Played::Clip clip{Mode::PingPong, 0.0, 1.0, 1.0};
        played.Frame(-0.05, 0.05); // on its way down to the bottom
        played.Play(clip, 60.0, 0.0, 0.7);
        played.Play(clip, 60.0, 1.3, 4.2);
        EXPECT_EQ(played.starts.size(), 3u) << "a start at each bottom, none at the top";
    }
    {
        SCOPED_TRACE("a 600 ms stall mid-pass, the calls coming unevenly");
        Played played;
        const Played::Clip clip{Mode::Forward, 0.0, 3.0, 1.0};
        played.Frame(-0.05, 2.95);
        for (double at = 0.0; at < 2.9; at += 1.0 / 60.0)
        {
            if (at > 1.0 && at < 1.6)
                continue;
            const double late = std::fmod(at * 7919.0, 1.0) * 0.003; // 0 to 3 ms after reading
            played.Frame(at + late, Played::TimeAt(clip, at));
        }
        EXPECT_EQ(played.starts.size(), 1u);
    }
    {
        SCOPED_TRACE("a layer hidden 2.5 s across a loop");
        Played played;
        const Played::Clip clip{Mode::Forward, 0.0, 3.0, 1.0};
        played.Frame(-0.05, 2.95);
        played.Play(clip, 60.0, 0.0, 2.0);
        played.Play(clip, 60.0, 4.5, 5.0);
        ASSERT_EQ(played.starts.size(), 2u);
        EXPECT_GE(played.DatedAfterMs(1, 3.0), 0.0) << "dated at the loop, inside the gap";
        EXPECT_LE(played.DatedAfterMs(1, 3.0), 2.0 + 15.0);
    }
}

TEST(PlaybackTracker, PingPongBetweenAnyTwoPointsStartsAtEachBottom)
{
    Played played;
    const Played::Clip clip{Mode::PingPong, 2.0, 5.0, 1.0};
    played.Frame(-0.067, 2.067); // on its way down
    played.Frame(-0.033, 2.033);
    played.Play(clip, 60.0, 0.0, 18.1);
    ASSERT_EQ(played.starts.size(), 4u) << "the bottom of every cycle";
    ExpectDated(played, clip, 0, 0.0);
}

// Where its in point lies, from 0 to the first time, is not known: counted from the first time.
TEST(PlaybackTracker, JoiningAClipInItsFirstMomentsCountsFromItsFirstTime)
{
    for (const auto& [fps, speed, inMs] :
         {std::tuple{24.0, 1.0, 8.0}, std::tuple{24.0, 1.0, 21.0}, std::tuple{30.0, 2.0, 33.0}})
    {
        SCOPED_TRACE(inMs);
        Played played;
        const Played::Clip clip{Mode::Forward, 0.0, 3.0, speed};
        played.Play(clip, fps, inMs / 1000.0, 1.0);
        ASSERT_EQ(played.starts.size(), 1u);
        EXPECT_EQ(played.DatedAfterMs(0, inMs / 1000.0), 0.0);
    }
}

TEST(PlaybackTracker, LoopsAtAnySpeedAreDatedWhereThePlayheadCrossed)
{
    for (const double speed : {0.25, 0.5, 2.0, 4.0, 8.0})
        for (const double fps : {24.0, 60.0})
        {
            SCOPED_TRACE(testing::Message() << speed << "x at " << fps << " fps");
            Played played;
            const Played::Clip clip{Mode::Forward, 0.0, 1.5 * speed, speed};
            played.Frame(-0.05, clip.out - 0.01);
            played.Play(clip, fps, 0.013, 4.6);
            ASSERT_EQ(played.starts.size(), 4u);
            // Each loop lands 13 ms after the in point: whether it lies there or at 0 is not
            // known, and counting from 0 could be early.
            ExpectDated(played, clip, 1, 1.5, 13.0 + 2.0);
        }
}

TEST(PlaybackTracker, StallsAcrossABoundaryAreDatedAtIt)
{
    for (const Mode mode : {Mode::Forward, Mode::Backward, Mode::PingPong})
    {
        SCOPED_TRACE(static_cast<int>(mode));
        Played played;
        const Played::Clip clip{mode, 0.0, 1.0, 1.0};
        played.Frame(-0.05, mode == Mode::Forward ? 0.95 : 0.05);
        played.Frame(-0.034, mode == Mode::Forward ? 0.966 : 0.034); // shows the way it plays
        const double boundary = mode == Mode::PingPong ? 2.0 : 1.0;
        played.Play(clip, 60.0, 0.0, 3 * boundary - 0.3);
        played.Play(clip, 60.0, 3 * boundary + 0.3, 3 * boundary + 0.6); // stalled across it
        ASSERT_FALSE(played.starts.empty());
        const std::size_t last = played.starts.size() - 1;
        EXPECT_GE(played.DatedAfterMs(last, 3 * boundary), 0.0);
        EXPECT_LE(played.DatedAfterMs(last, 3 * boundary), 2.0 + 6.0);
    }
}

TEST(PlaybackTracker, ANewInstanceOnAClipPlayingBackwardsStartsOnceAtTheWrapOrBottom)
{
    for (const auto& [mode, speed, fps] :
         {std::tuple{Mode::Backward, 1.0, 60.0}, std::tuple{Mode::PingPong, 1.0, 60.0},
          std::tuple{Mode::Backward, 2.0, 30.0}, std::tuple{Mode::Backward, 4.0, 60.0}})
    {
        SCOPED_TRACE(testing::Message() << static_cast<int>(mode) << " " << speed << "x");
        Played played;
        const Played::Clip clip{mode, 0.0, 1.0 * speed, speed};
        // Added at 0.04 s of clip time, on the way down.
        const double downAt = mode == Mode::Backward ? 1.0 - 0.04 / speed : 2.0 - 0.04 / speed;
        const double boundary = mode == Mode::Backward ? 1.0 : 2.0;
        played.Play(clip, fps, downAt, boundary + 0.5);
        ASSERT_EQ(played.starts.size(), 1u) << "one start, at the boundary";
        EXPECT_GE(played.DatedAfterMs(0, boundary), mode == Mode::Backward ? 0.0 : -0.0);
        EXPECT_LE(played.DatedAfterMs(0, boundary), 1000.0 / fps + 2.0);
    }
}

TEST(PlaybackTracker, InPointLoopsWrapsAndBottomsAreDatedAtTheirBoundaries)
{
    for (const Mode mode : {Mode::Forward, Mode::Backward, Mode::PingPong})
        for (const double fps : {24.0, 30.0, 60.0})
        {
            SCOPED_TRACE(testing::Message() << static_cast<int>(mode) << " at " << fps);
            Played played;
            const Played::Clip clip{mode, 2.0, 3.31, 1.0}; // no whole number of frames
            played.Frame(-0.05, mode == Mode::Forward ? 3.25 : 2.05);
            played.Frame(-0.03, mode == Mode::Forward ? 3.27 : 2.03);
            played.Play(clip, fps, 0.011, 12 * Played::PassSeconds(clip), 0.0, true);
            ASSERT_EQ(played.starts.size(), 12u);
            // Where a loop or wrap lands a frame's travel or less from where the pass began, the
            // landings of a dozen passes tell that point to within a quarter of a frame.
            const std::size_t last = played.starts.size() - 1;
            const double late =
                played.DatedAfterMs(last, static_cast<double>(last) * Played::PassSeconds(clip));
            EXPECT_GE(late, 0.0);
            EXPECT_LE(late, 2.0 + 250.0 / fps);
        }
}

TEST(PlaybackTracker, TestBeforeAnyTimeLeavesTheLaunchAStart)
{
    Played played;
    played.tracker.OnTest();
    played.Play(Played::Clip{Mode::Forward, 0.0, 3.0, 1.0}, 60.0, 0.0, 0.2);
    EXPECT_EQ(played.starts.size(), 1u) << "the launch";
    played.tracker.OnTest();
    played.Play(Played::Clip{Mode::Forward, 0.0, 3.0, 1.0}, 60.0, 0.2, 2.9);
    EXPECT_EQ(played.starts.size(), 1u) << "Test stops the pass it was pressed in";
}

TEST(PlaybackTracker, TimesThatAreNoTimesAreIgnored)
{
    Played played;
    const Played::Clip clip{Mode::Forward, 0.0, 1.0, 1.0};
    played.Frame(-0.05, 0.95);
    played.Play(clip, 60.0, 0.0, 0.5);
    for (const double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -0.001, 1e13})
        played.Frame(0.5, bad);
    played.Play(clip, 60.0, 0.51, 0.99);
    played.Frame(1.0, -0.0005); // the next pass begins with a pre-roll
    played.Play(clip, 60.0, 1.016, 1.5);
    EXPECT_EQ(played.starts.size(), 2u);
}

TEST(PlaybackTracker, RandomShowsStartEachPassOnceFromItsBeginning)
{
    PlaybackSimulator simulator(20261209);
    Tally tally;
    std::int64_t startUs = 1000000000;
    while (tally.passes < 4000)
    {
        const Episode episode = simulator.Play(startUs);
        startUs = episode.frames.back().callUs + 10000000;
        Judge(episode, tally);
    }
    std::printf("%d passes: %d miscounted, of %d dated %d early and %d late beyond the bounds\n",
                tally.passes, tally.miscounted, tally.dated, tally.early, tally.late);
    for (const std::string& example : tally.examples)
        std::printf("  %s\n", example.c_str());
    EXPECT_EQ(tally.miscounted, 0) << "every pass starts once, and only a pass";
    // Dating: the odd turn between two frames at a low rate, or a speed carried over a long gap,
    // comes out a few milliseconds off; no more than three in two hundred.
    EXPECT_LE(200 * (tally.early + tally.late), 3 * tally.dated);
    EXPECT_GT(tally.dated, tally.passes / 2) << "most passes are dated";
}

// The same shows through the whole plug-in: what its scheduler would send, and when.
class RandomShows : public vdrxtest::ControllerTest
{
protected:
    struct Sent
    {
        MessageKind kind;
        std::int64_t atUs;
    };

    // Plays the episode to a new instance with `delays` (and the kinds `on`), and answers what it
    // sent, taken from the queue at its deadline as the scheduler takes it.
    std::vector<Sent> Send(const Episode& episode, const MessageSet& on,
                           const std::array<float, kMessageKinds>& delays)
    {
        using P = VendrolixPro;
        auto effect = std::make_unique<VendrolixPro>();
        effect->SetOwner(effect.get());
        effect->SetFloatParameter(P::LayerTrans, on[kTransition] ? 1.0f : 0.0f);
        effect->SetFloatParameter(P::NextClip, on[kNextClip] ? 1.0f : 0.0f);
        effect->SetTextParameter(P::OscMsg, on[kFreeText] ? "/cue i 1" : "");
        effect->SetFloatParameter(P::Delay, delays[kTransition]);
        effect->SetFloatParameter(P::DelayNextClip, delays[kNextClip]);
        effect->SetFloatParameter(P::MessageDelay, delays[kFreeText]);
        std::vector<Sent> sent;
        const auto until = [&](std::int64_t nowUs)
        {
            ScheduledMessage message;
            while (vdrxtest::testQueue.TakeDue(nowUs, message))
                sent.push_back(Sent{message.kind, message.deadlineUs});
        };
        for (const vdrxtest::ShowFrame& frame : episode.frames)
        {
            until(frame.callUs);
            SetClockUs(frame.callUs);
            effect->SetTime(frame.time);
            if (frame.pressesTest)
                effect->SetFloatParameter(P::Test, 1.0f);
            SetClockUs(frame.callUs + 50);
            if (frame.draws)
                effect->ProcessOpenGL(nullptr);
        }
        until(episode.frames.back().callUs);
        return sent;
    }

    static void SetClockUs(std::int64_t us) { clockUs = us; }
    static std::int64_t ClockUs() { return clockUs.load(); }
    static inline std::atomic<std::int64_t> clockUs{0};
};

TEST_F(RandomShows, EachEnabledMessageGoesOncePerPassAtItsMomentNeverEarly)
{
    platform::InstallClockSource(&ClockUs);
    PlaybackSimulator simulator(20261210);
    std::mt19937 random(7);
    std::int64_t startUs = 1000000000;
    int cues = 0;
    int wrong = 0;
    std::vector<std::string> examples;
    while (cues < 5000)
    {
        const Episode episode = simulator.Play(startUs);
        startUs = episode.frames.back().callUs + 10000000;
        // Due within the first half of the shortest pass, in the plug-in's 100 ms steps.
        std::int64_t shortest = std::numeric_limits<std::int64_t>::max();
        for (const TruePass& pass : episode.passes)
            shortest = std::min(shortest, pass.endUs - pass.beginUs);
        const int steps = static_cast<int>(std::min<std::int64_t>(shortest / 200000, 20));
        MessageSet on{};
        std::array<float, kMessageKinds> delays{};
        for (const MessageKind kind : kAllMessages)
        {
            on[kind] = std::uniform_int_distribution(0, 1)(random) == 1;
            delays[kind] =
                100.0f * static_cast<float>(std::uniform_int_distribution(0, steps)(random));
        }
        std::vector<Sent> sent = Send(episode, on, delays);

        std::vector<std::int64_t> presses;
        for (const vdrxtest::ShowFrame& frame : episode.frames)
            if (frame.pressesTest)
                presses.push_back(frame.callUs);
        for (const std::int64_t press : presses)
            std::erase_if(sent, [press](const Sent& s) { return s.atUs == press; });
        for (std::size_t p = 0; p < episode.passes.size(); ++p)
        {
            const TruePass& pass = episode.passes[p];
            if (pass.what.rfind("unsure", 0) == 0)
                continue;
            const std::int64_t shownUs =
                episode.frames[std::min(pass.shownFrame + 1, episode.frames.size() - 1)].callUs;
            for (const MessageKind kind : kAllMessages)
            {
                const std::int64_t delayUs = static_cast<std::int64_t>(delays[kind]) * 1000;
                const std::int64_t carried = episode.frames[pass.firstFrame].callUs - pass.beginUs +
                                             std::llround(4 * episode.framePeriodUs);
                const std::int64_t earliest =
                    (pass.dated ? pass.beginUs - carried / 200 : pass.earliestUs) + delayUs;
                const std::int64_t moment =
                    (pass.dated ? pass.beginUs + pass.unknowableUs + carried / 100
                                : episode.frames[pass.shownFrame].callUs) +
                    delayUs;
                // At its moment, or where the frames did not let the plug-in see the pass
                // begin before then, right after the frame that shows it; or after a gap
                // in the frames, at the first frame after it.
                std::int64_t latest = std::max(moment, shownUs) + 2000;
                for (const vdrxtest::ShowFrame& frame : episode.frames)
                    if (frame.callUs >= moment)
                    {
                        latest = std::max(latest, frame.callUs + 2000);
                        break;
                    }
                // "Test" stops the pass it is pressed in.
                const bool pressed = std::any_of(
                    presses.begin(), presses.end(),
                    [&](std::int64_t press) { return press >= pass.beginUs && press <= latest; });
                if (!on[kind] || pressed || moment + 300000 > pass.endUs)
                    continue;
                ++cues;
                const auto count = std::count_if(sent.begin(), sent.end(),
                                                 [&](const Sent& s) {
                                                     return s.kind == kind &&
                                                            s.atUs >= pass.beginUs - 1000 &&
                                                            s.atUs < pass.endUs;
                                                 });
                const auto inTime = std::count_if(sent.begin(), sent.end(),
                                                  [&](const Sent& s) {
                                                      return s.kind == kind && s.atUs >= earliest &&
                                                             s.atUs <= latest;
                                                  });
                if (count != 1 || inTime != 1)
                {
                    ++wrong;
                    if (examples.size() < 10)
                        examples.push_back(episode.description + ": " + pass.what + " frame " +
                                           std::to_string(pass.firstFrame) + " kind " +
                                           std::to_string(kind) + ": " + std::to_string(count) +
                                           " sent, " + std::to_string(inTime) + " in time");
                }
            }
        }
    }
    for (const std::string& example : examples)
        std::printf("  %s\n", example.c_str());
    std::printf("%d cues, %d not once in time\n", cues, wrong);
    EXPECT_LE(500 * wrong, cues) << "each enabled message once per pass, in time";
}

} // namespace
