// The playback tracker: the passes of clips played every way a host plays them, and when each
// began.
#include "fuzz/PluginReplay.h"
#include "fuzz/ShowDecoder.h"
#include "fuzz/ShowReport.h"
#include "fuzz/TrackerJudge.h"
#include "playback/PlaybackTracker.h"
#include "tests/controller/ControllerFixture.h"

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
// Random shows: the show fuzzer's model (fuzz/ShowDecoder.h) fed random bytes, its truth worked
// out from its own playhead. `count` inputs of 16 to 128 bytes; what `judge` makes of each: the
// failure's report, or nothing. The tracker still fails `stillFailing` of them (the faults the
// show fuzzer finds and that are not yet mended): no more may fail, and the number only falls.
template <typename JudgeFn>
void ExpectRandomShowsPass(std::uint32_t seed, int count, int stillFailing, JudgeFn judge)
{
    std::mt19937 random(seed);
    int failed = 0;
    std::string first;
    for (int i = 0; i < count; ++i)
    {
        std::vector<std::uint8_t> bytes(std::uniform_int_distribution<std::size_t>(16, 128)(random));
        for (std::uint8_t& byte : bytes)
            byte = static_cast<std::uint8_t>(random());
        const showfuzz::Show show = showfuzz::DecodeShow(bytes.data(), bytes.size());
        const std::optional<std::string> failure = judge(show);
        if (failure && failed++ == 0)
            first = "show " + std::to_string(i) + ": " + *failure;
    }
    EXPECT_LE(failed, stillFailing) << failed << " of " << count << " shows failed; the first:\n"
                                    << first;
    if (failed > 0)
        std::printf("%d of %d random shows still fail; the first:\n%s\n", failed, count,
                    first.c_str());
}

std::optional<std::string> JudgeShow(const showfuzz::Show& show)
{
    const showfuzz::JudgedShow judged = showfuzz::JudgeTracker(show, false);
    if (!judged.failure)
        return std::nullopt;
    return showfuzz::Report("playback tracker", show, judged, *judged.failure);
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
    // The first at the frame after it: its in point is not yet known.
    ExpectDated(played, clip, 0, 0.0, 1000.0 / 60.0 + 2.0);
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
    ExpectRandomShowsPass(20261209, 200, 1, &JudgeShow);
}

// The same shows through the whole plug-in: what its scheduler would send, and when.
class RandomShows : public vdrxtest::ControllerTest
{
};

TEST_F(RandomShows, EachEnabledMessageGoesOncePerPassAtItsMomentNeverEarly)
{
    ExpectRandomShowsPass(20261210, 100, 1,
                          [](const showfuzz::Show& show) -> std::optional<std::string>
                          {
                              const showfuzz::JudgedShow judged = showfuzz::JudgeTracker(show, false);
                              if (judged.failure)
                                  return JudgeShow(show);
                              return showfuzz::ReplayThroughPlugin(show, judged, false);
                          });
}

} // namespace
