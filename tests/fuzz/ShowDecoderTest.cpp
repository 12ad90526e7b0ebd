// The show fuzzer's decoder: random inputs make well-formed shows holding every kind of event,
// and the truth of hand-written shows is where their playhead really was.
#include "fuzz/ShowBytes.h"
#include "fuzz/ShowDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace
{
using namespace showfuzz;
using Clip = ShowBytes::Clip;

Show Decode(const ShowBytes& bytes)
{
    return DecodeShow(bytes.bytes.data(), bytes.bytes.size());
}

ShowBytes::Host At60()
{
    ShowBytes::Host host;
    host.fps = 60;
    return host;
}

std::vector<TruePass::Kind> Kinds(const Show& show)
{
    std::vector<TruePass::Kind> kinds;
    for (const TruePass& pass : show.passes)
        kinds.push_back(pass.kind);
    return kinds;
}

// What can be wrong with a decoded show, whatever its input; empty when nothing.
std::string Malformed(const Show& show)
{
    for (std::size_t i = 1; i < show.calls.size(); ++i)
        if (show.calls[i].atUs < show.calls[i - 1].atUs)
            return "calls out of order at #" + std::to_string(i);
    for (const ShowCall& call : show.calls)
        if (call.atUs < call.sampledUs || call.atUs - call.sampledUs > Rhythm::kLatestUs + 200 ||
            (call.kind == ShowCall::Kind::Time && !(call.time >= -0.05)))
            return "a call early, too late or below the pre-roll";
    if (show.overlaps != 0)
        return "passes whose windows meet";
    for (const TruePass& pass : show.passes)
    {
        // A loop's first reading is back near the in point, below the reading before it.
        const ShowCall* before = nullptr;
        const ShowCall* after = nullptr;
        for (std::size_t i = pass.firstCall; i-- > 0 && !before;)
            if (show.calls[i].kind == ShowCall::Kind::Time)
                before = &show.calls[i];
        for (std::size_t i = pass.firstCall; i < show.calls.size() && !after; ++i)
            if (show.calls[i].kind == ShowCall::Kind::Time)
                after = &show.calls[i];
        if (pass.kind == TruePass::Kind::Loop && !pass.inGap && before && after &&
            before->life == pass.life && after->life == pass.life && !(after->time < before->time))
            return "a loop whose first reading shows no step back";
        const ShowCall& first = show.calls[pass.firstCall];
        if (first.sampledUs < pass.beginUs || first.life != pass.life ||
            (pass.tellBy != kNever && (pass.tellBy < pass.firstCall || pass.datedFrom < pass.tellBy)) ||
            pass.latestUs < pass.beginUs)
            return std::string("a ") + KindName(pass.kind) + " with its calls out of place";
    }
    return "";
}

TEST(ShowDecoder, RandomInputsMakeWellFormedShowsHoldingEachFeatureOnceInTwentyAtLeast)
{
    constexpr int kInputs = 10000;
    std::mt19937 random(28);
    std::array<int, static_cast<std::size_t>(Feature::Count)> counts{};
    int malformed = 0;
    for (int i = 0; i < kInputs; ++i)
    {
        std::vector<std::uint8_t> bytes(std::uniform_int_distribution<std::size_t>(16, 256)(random));
        for (std::uint8_t& byte : bytes)
            byte = static_cast<std::uint8_t>(random());
        const Show show = DecodeShow(bytes.data(), bytes.size());
        for (std::size_t f = 0; f < counts.size(); ++f)
            counts[f] += show.features[f] ? 1 : 0;
        const std::string what = Malformed(show);
        if (!what.empty() && ++malformed <= 5)
            ADD_FAILURE() << "input " << i << ": " << what;
        if (i % 500 == 0)
        {
            const Show again = DecodeShow(bytes.data(), bytes.size());
            ASSERT_EQ(Kinds(again), Kinds(show)) << "input " << i << " decoded twice";
            EXPECT_TRUE(std::equal(show.calls.begin(), show.calls.end(), again.calls.begin(),
                                   again.calls.end(),
                                   [](const ShowCall& a, const ShowCall& b)
                                   { return a.atUs == b.atUs && a.time == b.time; }));
        }
    }
    EXPECT_EQ(malformed, 0);
    for (std::size_t f = 0; f < counts.size(); ++f)
        EXPECT_GE(20 * counts[f], kInputs) << FeatureName(static_cast<Feature>(f)) << ": " << counts[f];
}

TEST(ShowTruth, LoopsAndTheJoinAtALaunchBeginWhereThePlayheadWas)
{
    // Launched at the first frame, 0.5 s a pass, every call 3 ms after its reading.
    ShowBytes::Host host = At60();
    host.lateMs = 3;
    const Show show = Decode(ShowBytes(host).OpenLaunched(Clip{PlayMode::Forward, 1.0, 0.0, 105}, 0).Play(100));
    ASSERT_GE(show.passes.size(), 3u);
    EXPECT_EQ(show.passes[0].kind, TruePass::Kind::Join);
    for (std::size_t p = 0; p < 3; ++p)
    {
        SCOPED_TRACE(p);
        const TruePass& pass = show.passes[p];
        EXPECT_EQ(pass.beginUs, show.originUs + static_cast<std::int64_t>(p) * 500000);
        // The interval from the reading before (none before the join), the lateness (3 ms, and
        // the calls after the first of a frame a few microseconds more) and 1 ms.
        const double intervalUs = p == 0 ? 0.0 : 16667.0;
        EXPECT_NEAR(static_cast<double>(pass.latestUs - pass.beginUs), intervalUs + 3000 + 1000, 100);
        ASSERT_NE(pass.tellBy, kNever);
        EXPECT_EQ(show.calls[pass.tellBy].kind, ShowCall::Kind::Time);
    }
    // A loop is told by its second reading, the join by its third.
    EXPECT_EQ(show.passes[1].tellBy, show.passes[1].firstCall + 2);
    EXPECT_EQ(show.passes[0].tellBy, show.passes[0].firstCall + 4);
}

TEST(ShowTruth, AJoinCountsWhereTheClipPlaysForwardsInItsFirstTwoSeconds)
{
    const Clip clip{PlayMode::Forward, 1.0, 0.0, 255}; // 8 s
    const auto joinedAt = [&](std::uint8_t share, bool up, PlayMode mode)
    {
        Clip joined = clip;
        joined.mode = mode;
        return Decode(ShowBytes(At60()).OpenMidClip(joined, share, up).Play(30));
    };
    const Show early = joinedAt(32, true, PlayMode::Forward); // 1.0 s
    ASSERT_EQ(early.passes.size(), 1u);
    EXPECT_TRUE(early.passes[0].atSample);
    EXPECT_EQ(early.passes[0].beginUs, early.originUs);
    EXPECT_TRUE(joinedAt(80, true, PlayMode::Forward).passes.empty()); // 2.5 s
    const Show nearTwo = joinedAt(64, true, PlayMode::Forward); // 2.0 s
    ASSERT_EQ(nearTwo.passes.size(), 1u);
    EXPECT_FALSE(nearTwo.passes[0].checked);
    // Down: the first pass is at the in point, 1 s on.
    for (const PlayMode mode : {PlayMode::Backward, PlayMode::PingPong})
    {
        const Show down = joinedAt(32, false, mode);
        ASSERT_FALSE(down.passes.empty());
        EXPECT_NE(down.passes[0].kind, TruePass::Kind::Join);
        EXPECT_EQ(down.passes[0].beginUs, down.originUs + 1000000);
    }
}

TEST(ShowTruth, AGestureIsOnePassFromTheReadingAfterItsLastStepAndSmallStepsAreNone)
{
    const Clip clip{PlayMode::Forward, 1.0, 0.0, 255};
    const Show drag = Decode(ShowBytes(At60()).OpenMidClip(clip, 80, true).Play(60).DragBack(4, 0, 2).Play(60));
    ASSERT_EQ(drag.passes.size(), 1u);
    const TruePass& pass = drag.passes[0];
    EXPECT_EQ(pass.kind, TruePass::Kind::Scrub);
    EXPECT_TRUE(pass.atSample);
    EXPECT_FALSE(pass.known);
    EXPECT_EQ(drag.calls[pass.firstCall].sampledUs, pass.beginUs);
    // Told once 150 ms have passed without another step.
    EXPECT_GE(drag.calls[pass.tellBy].atUs - drag.calls[pass.firstCall].atUs, 150000);

    const Show steps = Decode(ShowBytes(At60()).OpenMidClip(clip, 80, true).Play(30)
                                  .Resync(50, false).Resync(40, true).Play(60));
    EXPECT_TRUE(steps.passes.empty());

    // Times every third frame at 15 fps: no reading might show a second step within 150 ms of
    // the one that shows the first, so the first is the drag's last.
    ShowBytes::Host sparse;
    sparse.fps = 15;
    sparse.times = Rhythm::Times::NowAndThen;
    const Show cut = Decode(ShowBytes(sparse).OpenMidClip(clip, 80, true).Play(30).DragBack(3, 0, 1).Play(30));
    ASSERT_EQ(cut.passes.size(), 1u);
    const TruePass& first = cut.passes[0];
    EXPECT_EQ(first.kind, TruePass::Kind::Scrub);
    std::size_t shown = first.gestureCall;
    while (cut.calls[shown].kind != ShowCall::Kind::Time)
        ++shown;
    EXPECT_EQ(cut.calls[shown].sampledUs, first.beginUs);
}

TEST(ShowTruth, FramesStoppedOverHalfASecondWithTheTimeStandingBeginAPassAtTheFirstAfter)
{
    const Show show = Decode(ShowBytes(At60())
                                 .OpenMidClip(Clip{PlayMode::Forward, 1.0, 0.0, 255}, 80, true)
                                 .Play(30).PauseAndHide(800, true).Play(60));
    ASSERT_EQ(show.passes.size(), 1u);
    const TruePass& pass = show.passes[0];
    EXPECT_EQ(pass.kind, TruePass::Kind::PauseHide);
    const ShowCall& first = show.calls[pass.firstCall];
    EXPECT_EQ(first.sampledUs, pass.beginUs);
    EXPECT_GT(first.sampledUs - show.calls[pass.firstCall - 1].sampledUs, 800000);
}
} // namespace
