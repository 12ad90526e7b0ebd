// The playback tracker against shows hosts play that its own rules do not imagine: a speed that
// changes between clips, in points that move, pre-rolls, loops of a few frames, a hand drag,
// stalls with late calls, joins near a wrap or a turn, and calls back to back. Each show runs
// at the frame rates where it applies; every pass must start once, never early.
#include "playback/PlaybackTracker.h"
#include "tests/playback/HostShow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace
{
constexpr std::int64_t kOriginUs = 1000000000;

using vdrxtest::Forward;
using vdrxtest::HostShow;
using vdrxtest::PingPong;

// What the tracker told: each new pass, its beginning as last dated.
struct Told
{
    std::vector<PlaybackTracker::Start> passes;

    void Note(const std::optional<PlaybackTracker::Start>& start)
    {
        if (start && (start->newPass || passes.empty()))
            passes.push_back(*start);
        else if (start)
        {
            passes.back().anchorUs = start->anchorUs;
            passes.back().holdUntilUs = start->holdUntilUs;
        }
    }
    // Milliseconds from `atSeconds` of play to pass `index`'s beginning.
    double LateMs(std::size_t index, double atSeconds) const
    {
        return static_cast<double>(passes.at(index).anchorUs - kOriginUs) / 1e3 -
               atSeconds * 1e3;
    }
};

void Play(PlaybackTracker& tracker, Told& told, const HostShow& show, double from, double to)
{
    for (int frame = 0;; ++frame)
    {
        const double at = from + frame / show.fps;
        if (at >= to)
            return;
        if (show.Hidden(at))
            continue;
        const std::int64_t callUs = kOriginUs + std::llround((at + show.late(frame)) * 1e6);
        told.Note(tracker.OnHostTime(show.clip(at), callUs));
        told.Note(tracker.OnFrame(callUs));
    }
}

// A new tracker that saw the clip before at `before`, then the show from `from` to `to`.
Told PlayAfterClip(double before, const HostShow& show, double from, double to)
{
    PlaybackTracker tracker;
    Told told;
    told.Note(tracker.OnHostTime(before, kOriginUs - 100000));
    Play(tracker, told, show, from, to);
    return told;
}

// Passes that began at `beginnings` (seconds of play): each started once, dated no earlier than
// its beginning and at most `lateMs` after it.
void ExpectPasses(const Told& told, const std::vector<double>& beginnings, double lateMs)
{
    ASSERT_EQ(told.passes.size(), beginnings.size());
    for (std::size_t i = 0; i < beginnings.size(); ++i)
    {
        EXPECT_GE(told.LateMs(i, beginnings[i]), -1e-6) << "pass " << i;
        EXPECT_LE(told.LateMs(i, beginnings[i]), lateMs) << "pass " << i;
    }
}

const std::vector<double> kRates = {8.0, 24.0, 60.0, 144.0, 240.0};

TEST(HostShows, ANextClipAtAnotherSpeedIsMeasuredAnewAndNeverDatedEarly)
{
    for (const double fps : kRates)
        for (const double speed : {0.25, 6.0})
        {
            SCOPED_TRACE(testing::Message() << fps << " fps, then " << speed << "x");
            // A 1x clip for two passes, then one of 3 s played at `speed`, a pass of 3/speed s.
            const double pass = 3.0 / speed;
            HostShow show{fps, [&](double at)
                          {
                              return at < 2.0 ? Forward(at, 0.0, 0.0, 1.0, 1.0)
                                              : Forward(at, 2.0, 0.0, 3.0, speed);
                          }};
            PlaybackTracker tracker;
            Told told;
            Play(tracker, told, show, 0.0, 2.0 + 3 * pass - 0.01);
            ExpectPasses(told, {0.0, 1.0, 2.0, 2.0 + pass, 2.0 + 2 * pass}, 1000.0 / fps + 2.0);
        }
}

TEST(HostShows, PingPongAtANewSpeedStartsOnlyAtItsBottoms)
{
    for (const double fps : {24.0, 30.0, 60.0})
    {
        SCOPED_TRACE(fps);
        // Launched on its way down, 1 s before the old clip's bottom.
        HostShow show{fps, [](double at)
                      {
                          return at < 3.0 ? PingPong(at, 0.0, 0.0, 0.5, 0.25)
                                          : PingPong(at, 3.0, 0.0, 1.0, 4.0);
                      }};
        PlaybackTracker tracker;
        Told told;
        Play(tracker, told, show, 0.0, 4.9);
        ExpectPasses(told, {0.0, 3.0, 3.5, 4.0, 4.5}, 1000.0 / fps + 2.0);
    }
}

TEST(HostShows, ClipsLaunchedFastCountEveryPass)
{
    for (const auto& [speed, in] : {std::pair{10.0, 0.0}, {16.0, 0.0}, {16.0, 1.0}})
    {
        SCOPED_TRACE(testing::Message() << speed << "x from " << in);
        // A 1x clip, then one of 1 s at `speed`: passes of 100 and 62.5 ms, 6 and 3.75 frames.
        const double pass = 1.0 / speed;
        HostShow show{60.0, [&](double at)
                      {
                          return at < 1.5 ? Forward(at, 0.0, 0.0, 3.0, 1.0)
                                          : Forward(at, 1.5, in, in + 1.0, speed);
                      }};
        PlaybackTracker tracker;
        Told told;
        Play(tracker, told, show, 0.0, 1.5 + 16 * pass - 0.001);
        std::vector<double> beginnings = {0.0};
        for (int i = 0; i < 16; ++i)
            beginnings.push_back(1.5 + i * pass);
        ExpectPasses(told, beginnings, 1000.0 / 60.0 + 2.0);
    }
}

TEST(HostShows, InAndOutPointsThatMoveAreLearntByTheFirstPassToThem)
{
    for (const double fps : kRates)
    {
        SCOPED_TRACE(fps);
        // In point 0; then a clip whose in point is 1.0; then, while it loops, the in point set
        // to 1.3. Pass lengths of no whole number of frames.
        const double b = 3.9;
        const double c = b + 3 * 1.3071;
        HostShow show{fps, [&](double at)
                      {
                          if (at < b)
                              return Forward(at, 0.0, 0.0, 2.05, 1.0);
                          if (at < c)
                              return Forward(at, b, 1.0, 2.3071, 1.0);
                          return Forward(at, c, 1.3, 2.3137, 1.0);
                      }};
        const Told told = PlayAfterClip(2.5, show, 0.0, c + 3 * 1.0137 - 0.01);
        std::vector<double> beginnings = {0.0, 2.05};
        for (int i = 0; i < 3; ++i)
            beginnings.push_back(b + i * 1.3071);
        for (int i = 0; i < 3; ++i)
            beginnings.push_back(c + i * 1.0137);
        ExpectPasses(told, beginnings, 1000.0 / fps + 2.0);
    }
    {
        SCOPED_TRACE("backwards, the out point earlier");
        HostShow show{60.0, [](double at)
                      {
                          return at < 3.0 ? 2.0 - std::fmod(at, 1.5) : 1.6 - std::fmod(at - 3.0, 1.1);
                      }};
        PlaybackTracker tracker;
        Told told;
        Play(tracker, told, show, 0.0, 3.0 + 4 * 1.1 - 0.01);
        ASSERT_EQ(told.passes.size(), 5u);
        EXPECT_GE(told.LateMs(4, 3.0 + 3 * 1.1), 0.0);
        EXPECT_LE(told.LateMs(4, 3.0 + 3 * 1.1), 1000.0 / 60.0 + 2.0);
    }
}

TEST(HostShows, AnInPointNearZeroIsNeverTakenForZero)
{
    for (const double fps : kRates)
        for (const double in : {0.02, 0.04})
        {
            SCOPED_TRACE(testing::Message() << fps << " fps, in " << in);
            HostShow show{fps, [&](double at) { return Forward(at, 0.0, in, in + 0.9, 1.0); }};
            const Told told = PlayAfterClip(2.5, show, 0.0, 4.45);
            ExpectPasses(told, {0.0, 0.9, 1.8, 2.7, 3.6}, 1000.0 / fps + 2.0);
        }
}

TEST(HostShows, APreRollOrAClipParkedAtItsStartIsOnePass)
{
    PlaybackTracker launch;
    Told launched;
    for (const auto& [time, atMs] :
         {std::pair{2.5, 0.0}, {-0.01, 16.7}, {0.0024, 33.3}, {-0.0026, 50.0}, {0.0141, 66.7}})
        launched.Note(launch.OnHostTime(time, kOriginUs + std::llround(atMs * 1e3)));
    HostShow on{60.0, [](double at) { return at - 0.0526; }};
    Play(launch, launched, on, 0.0833, 1.0);
    EXPECT_EQ(launched.passes.size(), 1u) << "a launch whose third time steps back below 0";

    for (const bool jitter : {false, true})
    {
        SCOPED_TRACE(jitter ? "parked with 0.4 ms of jitter" : "parked, dipping below 0");
        HostShow parked{60.0, [&](double at)
                        {
                            if (jitter)
                                return 0.0004 * std::sin(at * 977.0);
                            return std::fmod(at, 1.0) < 0.016 ? -0.001 : 0.0;
                        }};
        const Told told = PlayAfterClip(2.5, parked, 0.0, 10.0);
        EXPECT_EQ(told.passes.size(), 1u);
    }
}

TEST(HostShows, AClockStepBackOf50MsOrLessMidClipIsNoStart)
{
    for (const double fps : kRates)
        for (const double back : {0.02, 0.035, 0.05})
        {
            SCOPED_TRACE(testing::Message() << fps << " fps, " << back << " s back");
            HostShow show{fps, [&](double at)
                          { return Forward(at, 0.0, 0.0, 3.0, 1.0) - (at >= 1.5 ? back : 0.0); }};
            const Told told = PlayAfterClip(2.9, show, 0.0, 2.9);
            EXPECT_EQ(told.passes.size(), 1u);
        }
}

TEST(HostShows, LoopsOfThreeFramesCountEachWithAFrameLateNowAndThen)
{
    // 50 ms loops at 60 fps; every seventh call 3 ms late.
    HostShow show{60.0, [](double at) { return Forward(at, 0.0, 0.0, 0.05, 1.0); },
                  [](int frame) { return frame % 7 == 3 ? 0.003 : 0.0; }};
    const Told told = PlayAfterClip(0.9, show, 0.0, 59 * 0.05 - 0.001);
    std::vector<double> beginnings;
    for (int i = 0; i < 59; ++i)
        beginnings.push_back(i * 0.05);
    ExpectPasses(told, beginnings, 1000.0 / 60.0 + 3.0 + 2.0);
}

TEST(HostShows, AHandDragIsOneStartCountedFromItsLastStep)
{
    // From 2 s the hand drags the playhead back 0.1 s five times, 60 ms apart, holding it
    // between steps; then the clip plays on. At 8 fps the steps come faster than the frames.
    for (const double fps : {24.0, 60.0, 144.0, 240.0})
    {
        SCOPED_TRACE(fps);
        HostShow show{fps, [](double at)
                      {
                          if (at < 2.0)
                              return at;
                          if (at < 2.24)
                              return 2.0 - 0.1 * (1 + std::floor((at - 2.0) / 0.06));
                          return 1.5 + (at - 2.24);
                      }};
        const Told told = PlayAfterClip(4.9, show, 0.0, 3.0);
        ASSERT_EQ(told.passes.size(), 2u) << "the launch, and one for the drag";
        const double lastStep = std::ceil(2.24 * fps - 1e-6) / fps; // the frame that showed it
        EXPECT_NEAR(told.LateMs(1, lastStep), 0.0, 0.001) << "dated at its last step";
        EXPECT_GE(told.passes[1].holdUntilUs, told.passes[1].anchorUs)
            << "nothing of it goes before the drag settles";
    }
}

TEST(HostShows, StallsAndDroppedFramesWithLateCallsStartNoPassTwice)
{
    {
        SCOPED_TRACE("9 fps, a frame dropped every 11");
        HostShow show{9.0, [](double at) { return Forward(at, 0.0, 0.0, 2.0, 1.0); }};
        show.hidden = {{1.2, 1.3}, {3.4, 3.5}, {4.5, 4.6}};
        const Told told = PlayAfterClip(1.9, show, 0.0, 5.9);
        ExpectPasses(told, {0.0, 2.0, 4.0}, 1000.0 / 9.0 * 2 + 2.0);
    }
    {
        SCOPED_TRACE("a 600 ms stall, calls 0 or 10 ms late in turn");
        HostShow show{60.0, [](double at) { return Forward(at, 0.0, 0.0, 1.5, 1.0); },
                      [](int frame) { return frame % 2 == 0 ? 0.0 : 0.010; }};
        show.hidden = {{1.2, 1.8}};
        const Told told = PlayAfterClip(1.4, show, 0.0, 4.4);
        ExpectPasses(told, {0.0, 1.5, 3.0}, 600.0 + 12.0);
    }
}

TEST(HostShows, ANewPassIsDatedAnewOnceItsOwnSpeedIsKnown)
{
    {
        SCOPED_TRACE("a new instance on a backwards clip 0.07 s from its wrap, 24 fps");
        HostShow show{24.0, [](double at) { return 2.0 - std::fmod(at + 1.93, 2.0); }};
        PlaybackTracker tracker;
        Told told;
        Play(tracker, told, show, 0.0, 1.0);
        ExpectPasses(told, {0.07}, 3.0);
    }
    {
        SCOPED_TRACE("a jump to 4x at 24 fps");
        HostShow show{24.0, [](double at)
                      {
                          return at < 1.49 ? Forward(at, 0.0, 0.0, 3.0, 1.0)
                                           : Forward(at, 1.49, 0.0, 3.0, 4.0);
                      }};
        const Told told = PlayAfterClip(2.5, show, 0.0, 2.2);
        ExpectPasses(told, {0.0, 1.49}, 3.0);
    }
}

TEST(HostShows, CallsBackToBackStartAsTheirTimesSay)
{
    for (const auto& [first, second, starts] :
         {std::tuple{0.0, 0.02, true}, {0.5, 0.52, true}, {10.0, 9.96, false}, {1.0, 0.97, false},
          {10.0, 4.9, true}})
    {
        SCOPED_TRACE(testing::Message() << first << " then " << second);
        PlaybackTracker tracker;
        tracker.OnHostTime(first, kOriginUs);
        const std::optional<PlaybackTracker::Start> start = tracker.OnHostTime(second, kOriginUs);
        EXPECT_EQ(start.has_value(), starts);
        EXPECT_EQ(start.value_or(PlaybackTracker::Start{0, second, true, 0}).hostTime, second);
    }
}

TEST(HostShows, TurnsAreReadAtTheSecondFrameAfterThem)
{
    {
        SCOPED_TRACE("a stall across a bottom turn");
        HostShow show{60.0, [](double at) { return PingPong(at, 0.0, 0.0, 1.0, 1.0); }};
        show.hidden = {{1.8, 2.2}};
        PlaybackTracker tracker;
        Told told;
        Play(tracker, told, show, 1.0, 2.2 + 2.5 / 60.0);
        ASSERT_EQ(told.passes.size(), 1u) << "told by the second frame after the stall";
        EXPECT_GE(told.LateMs(0, 2.0), 0.0);
    }
    {
        SCOPED_TRACE("a new instance two frames before a bottom turn");
        HostShow show{60.0, [](double at) { return PingPong(at, 0.0, 0.0, 1.0, 1.0); }};
        PlaybackTracker tracker;
        Told told;
        Play(tracker, told, show, 2.0 - 2.0 / 60.0, 2.0 + 2.5 / 60.0);
        ASSERT_EQ(told.passes.size(), 1u) << "told by the second frame after the turn";
        EXPECT_GE(told.LateMs(0, 2.0), 0.0);
    }
}
} // namespace
