#include "fuzz/ShowDirector.h"

#include "fuzz/ShowTruth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace showfuzz
{
namespace
{
// Beyond this a show is long enough: the decoder stops reading.
constexpr std::size_t kMostCalls = 40000;
constexpr std::int64_t kLongestShowUs = 120'000'000;
// A counted join: a clip time below this when the effect is added, forwards.
constexpr double kJoinCounts = 1.9;
constexpr double kJoinNeverCounts = 2.1;
constexpr double kParkJitter = 0.0004;
constexpr std::int64_t kParkDipEveryUs = 1'000'000;

std::int64_t Floor(double us)
{
    return static_cast<std::int64_t>(std::floor(us));
}
} // namespace

ShowDirector::ShowDirector(const Rhythm& setup, std::uint32_t seed)
    : random(seed), rhythm(setup, random)
{
    previousFrameUs = kOriginUs - std::llround(1e6 / setup.fps);
}

void ShowDirector::Open(const Clip& clip, double position, bool rising)
{
    head.Place(clip, position, rising, static_cast<double>(kOriginUs));
    // As if it had played from its beginning at this speed.
    if (rising && clip.speed > 0.0)
        passBeginUs = kOriginUs - std::llround((position - clip.in) / clip.speed * 1e6);
    passAtZero = rising && clip.in == 0.0;
}

void ShowDirector::OpenWithLaunch(const Clip& clip, double landing, double launchFraction)
{
    const std::int64_t periodUs = std::llround(1e6 / rhythm.Get().fps);
    headUs = kOriginUs - std::llround(launchFraction * static_cast<double>(periodUs));
    const bool rising = clip.mode != PlayMode::Backward;
    head.Place(clip, landing, rising, static_cast<double>(headUs));
    passBeginUs = headUs;
    passAtZero = rising && clip.in == 0.0;
}

bool ShowDirector::NextLandingKnown(const Clip& clip) const
{
    return clip.mode == PlayMode::PingPong || KnownLanding(clip, clip.mode == PlayMode::Forward);
}

bool ShowDirector::KnownLanding(const Clip& clip, bool rising) const
{
    if (!rising)
        return learnedOut && clip.out == *learnedOut;
    if (learnedIn)
        return clip.in == *learnedIn;
    // The clip's first moments: every landing within 50 ms of 0.
    return clip.in + clip.speed * static_cast<double>(rhythm.LongestSampleUs()) / 1e6 <= kPreRollSeconds;
}

void ShowDirector::Learn(const Clip& clip, bool rising)
{
    if (rising)
        learnedIn = clip.in;
    else
        learnedOut = clip.out;
}

void ShowDirector::Event(const std::string& what)
{
    show.events.push_back(ShowEvent{headUs, what});
}

void ShowDirector::PlayHeadTo(std::int64_t us)
{
    if (us <= headUs)
        return;
    std::vector<Crossing> crossings;
    head.PlayTo(static_cast<double>(us), crossings);
    headUs = us;
    for (const Crossing& crossing : crossings)
        Crossed(crossing);
}

void ShowDirector::Crossed(const Crossing& crossing)
{
    const Clip& clip = head.Current();
    const std::int64_t atUs = Floor(crossing.atUs);
    switch (crossing.kind)
    {
    case Crossing::Kind::Loop:
        Begin(TruePass::Kind::Loop, atUs, false, KnownLanding(clip, true), crossing.atUs);
        Learn(clip, true);
        passAtZero = clip.in == 0.0;
        break;
    case Crossing::Kind::Wrap:
        Begin(TruePass::Kind::Wrap, atUs, false, KnownLanding(clip, false), crossing.atUs);
        Learn(clip, false);
        passAtZero = false;
        break;
    case Crossing::Kind::Bottom:
        Begin(TruePass::Kind::Bottom, atUs, false, true, crossing.atUs);
        Learn(clip, true);
        passAtZero = clip.in == 0.0;
        break;
    case Crossing::Kind::Top:
        // A turn is told by the speed before and after it: nothing changes right after it.
        quietUntilUs = std::max(quietUntilUs, atUs + kQuietUs + 3 * rhythm.LongestSampleUs());
        break;
    }
}

void ShowDirector::Begin(TruePass::Kind kind, std::int64_t atUs, bool atSample, bool known,
                         double exactUs)
{
    TruePass pass;
    pass.kind = kind;
    pass.beginUs = atUs;
    // A reading at the very microsecond the playhead crossed may still show the pass before.
    pass.shownFromUs = exactUs < 0.0 ? atUs : static_cast<std::int64_t>(std::ceil(exactUs));
    pass.atSample = atSample;
    pass.known = known;
    pass.inGap = inGap;
    learnedBeforePass = {learnedIn, learnedOut};
    pass.life = life;
    show.passes.push_back(pass);
    passBeginUs = atUs;
    passFramePending = true;
    passReadings = 0;
    passInGap = inGap;
    passTold = known;
}

void ShowDirector::Launch(const Clip& clip, double landing, bool rising, const std::string& what)
{
    const bool known = KnownLanding(clip, rising);
    head.Place(clip, landing, rising, static_cast<double>(headUs));
    if (clip.speed > 0.0)
        lastPlayedSpeed = clip.speed;
    parked.reset();
    Begin(TruePass::Kind::Launch, headUs, false, known);
    Learn(clip, rising);
    passAtZero = rising && clip.in == 0.0;
    Event(what);
}

void ShowDirector::JumpTo(double position, Jump jump, bool backToBack)
{
    if (backToBack)
    {
        pending.jumpBy = position - head.Position();
        pending.jump = jump;
        return;
    }
    head.MoveTo(position);
    const bool step = jump == Jump::DragStep || jump == Jump::ScrubBack;
    if (step && !gestureOpen && !gesturePending)
    {
        gestureUs = headUs;
        gestureSeenUs = -1;
    }
    gestureOpen = jump == Jump::DragStep;
    gesturePending = gesturePending || jump == Jump::ScrubBack;
}

void ShowDirector::DragStepTo(double position, std::int64_t framesToNext)
{
    JumpTo(position, Jump::DragStep, false);
    nextStepUs = headUs + (framesToNext + 1) * rhythm.LongestFrameUs();
}

void ShowDirector::SetSpeed(double speed)
{
    head.SetSpeed(speed);
    if (speed > 0.0)
        lastPlayedSpeed = speed;
    if (speed > 0.0)
        parked.reset();
}

void ShowDirector::SetPoints(double in, double out)
{
    head.SetPoints(in, out);
}

void ShowDirector::Park(double at, bool jitter, bool dips)
{
    head.SetSpeed(0.0);
    head.MoveTo(at);
    parked = Parking{at, jitter, dips, headUs};
}

void ShowDirector::OddReading(Odd odd, double by)
{
    pending.odd = odd;
    pending.oddBy = by;
}

void ShowDirector::Skip(std::int64_t us, Gap gap)
{
    nextFrameUs += us;
    inGap = true;
    pauseHidePending = gap == Gap::PauseHide;
    if (us > kLongGapUs)
        longGapEndUs = nextFrameUs;
    quietUntilUs = std::max(quietUntilUs, nextFrameUs + kQuietUs);
}

void ShowDirector::StopTimes(std::int64_t us)
{
    // A pass whose landing the effect was given no time of taught it nothing.
    if (passReadings == 0)
    {
        learnedIn = learnedBeforePass.in;
        learnedOut = learnedBeforePass.out;
    }
    timesUntilUs = headUs + us;
    HoldQuiet(us + kQuietUs);
}

void ShowDirector::PressTest()
{
    pending.test = true;
}

void ShowDirector::Join(int backToBackMs)
{
    pending.joinBackToBackMs = backToBackMs;
}

void ShowDirector::HoldQuiet(std::int64_t us)
{
    quietUntilUs =
        std::max(quietUntilUs, headUs + std::max({us, kQuietUs, 3 * rhythm.LongestSampleUs()}));
}

double ShowDirector::ReadHead()
{
    double value = head.Position();
    if (parked)
    {
        value = parked->at;
        if (parked->jitter)
            value += random.Uniform(-kParkJitter, kParkJitter);
        if (parked->dips && headUs - parked->lastDipUs >= kParkDipEveryUs)
        {
            value = parked->at - 0.001;
            parked->lastDipUs = headUs;
        }
    }
    if (pending.odd)
        value = *pending.odd == Odd::Stale ? lastGiven
                                           : value + (head.Rising() ? 1.0 : -1.0) * pending.oddBy;
    pending.odd.reset();
    if (parked)
        value = std::max(value, -kPreRollSeconds);
    lastGiven = value;
    return value;
}

void ShowDirector::Call(ShowCall::Kind kind, std::int64_t atUs, std::int64_t sampledUs,
                        double time)
{
    show.calls.push_back(ShowCall{kind, atUs, sampledUs, time, life});
    lastCallUs = atUs;
}

void ShowDirector::Reading(std::int64_t atUs, std::int64_t sampledUs)
{
    const double time = ReadHead();
    Call(ShowCall::Kind::Time, atUs, sampledUs, time);
    if (++passReadings == 1)
        passFirstReadingUs = atUs;
    // A landing not where passes begin is told once its gesture is over.
    passTold = passTold || atUs >= passFirstReadingUs + kGestureUs;
    if (gestureOpen)
        EndDragUnseen(sampledUs);
    if (joinVerdictPending)
        JudgeJoin(time, sampledUs);
    else if (gesturePending && !gestureOpen)
    {
        gesturePending = false;
        Begin(TruePass::Kind::Scrub, sampledUs, true, false);
        show.passes.back().gestureUs = gestureUs;
        passReadings = 1;
        passFirstReadingUs = lastCallUs;
    }
}

void ShowDirector::EndDragUnseen(std::int64_t sampledUs)
{
    if (gestureSeenUs < 0)
        gestureSeenUs = sampledUs;
    if (nextStepUs + rhythm.LongestSampleUs() - gestureSeenUs < kDragSpanUs)
        return;
    gestureOpen = false;
    gesturePending = true;
}

void ShowDirector::JudgeJoin(double first, std::int64_t sampledUs)
{
    joinVerdictPending = false;
    const Clip& clip = head.Current();
    const std::int64_t intervalUs = sampledUs - previousFrameUs;
    const double travel = head.Travel(static_cast<double>(intervalUs));
    const bool rising = head.Rising();
    // What began before the new instance's first reading, it never saw begin.
    std::erase_if(show.passes, [this](const TruePass& pass) { return pass.life == life; });
    char line[160];
    std::snprintf(line, sizeof line, "the effect joins at clip %.4f s, %s at %.2fx", first,
                  rising ? "up" : "down", clip.speed);
    show.events.push_back(ShowEvent{sampledUs, line});
    // Decided where its next reading shows the way it plays, past 2 s or not: either way will
    // do where that reading may fall on either side.
    const double shown =
        first + head.Travel(static_cast<double>(rhythm.LongestSampleUs()));
    if (rising && first <= kJoinNeverCounts)
    {
        // In its first moments: counted from its beginning, before the join.
        if (passAtZero && first <= travel + 0.001 && passBeginUs <= sampledUs)
            Begin(TruePass::Kind::Join, passBeginUs, false, true);
        else
            Begin(TruePass::Kind::Join, sampledUs, true, true);
        show.passes.back().checked = shown < kJoinCounts;
        passReadings = 1;
        passFirstReadingUs = lastCallUs;
    }
    BackToBackAtJoin(first);
}

void ShowDirector::BackToBackAtJoin(double first)
{
    const int ms = std::exchange(joinBackToBackMs, 0);
    const Clip& clip = head.Current();
    const double by = ms / 1000.0;
    const double to = head.Position() + by;
    const double roomUs = static_cast<double>(GestureUs());
    if (ms == 0 || !head.Rising() || to < clip.in || to + head.Travel(roomUs) >= clip.out)
        return;
    // A scrub back counts where the join does not.
    const bool scrub = ms < -50;
    if (scrub && (first <= kJoinNeverCounts || to < clip.in + ClearJump(clip.speed)))
        return;
    pending.jump = ms > 0 ? Jump::Forward : scrub ? Jump::ScrubBack : Jump::Resync;
    pending.jumpBy = by;
    Note(Feature::BackToBack);
}

void ShowDirector::Frame()
{
    const std::int64_t h = nextFrameUs;
    PlayHeadTo(h);
    inGap = false;
    if (std::exchange(pauseHidePending, false))
        Begin(TruePass::Kind::PauseHide, h, true, true);
    std::int64_t callUs = std::max(h + rhythm.NextLatenessUs(), lastCallUs + 20);
    if (const std::optional<int> ms = std::exchange(pending.joinBackToBackMs, std::nullopt))
    {
        ++life;
        learnedIn.reset();
        learnedOut.reset();
        joinVerdictPending = true;
        joinBackToBackMs = *ms;
        Call(ShowCall::Kind::Join, callUs, h);
        callUs += 10;
    }
    const bool hasTime = rhythm.NextFrameHasTime() && h >= timesUntilUs;
    const bool timeAfter = rhythm.Get().timeAfterFrame;
    if (timeAfter || !hasTime)
        Call(ShowCall::Kind::Frame, callUs, h);
    if (hasTime)
    {
        const std::int64_t atUs = callUs + (timeAfter ? 50 : 0);
        Reading(atUs, h);
        if (const std::optional<double> by = std::exchange(pending.jumpBy, std::nullopt))
        {
            JumpTo(head.Position() + *by, pending.jump, false);
            PlayHeadTo(h + 30);
            Reading(atUs + 30, h + 30);
        }
        else if (rhythm.Get().times == Rhythm::Times::TwiceAFrame)
            Call(ShowCall::Kind::Time, atUs + 30, h, lastGiven);
    }
    if (!timeAfter && hasTime)
        Call(ShowCall::Kind::Frame, lastCallUs + 50, h);
    if (std::exchange(pending.test, false))
        Call(ShowCall::Kind::Test, lastCallUs + 20, h);
    if (std::exchange(passFramePending, false))
        passFirstFrameUs = h;
    previousFrameUs = h;
    lastFrameUs = h;
    nextFrameUs = h + rhythm.NextIntervalUs();
}

bool ShowDirector::Full() const
{
    return show.calls.size() >= kMostCalls || lastFrameUs - kOriginUs >= kLongestShowUs;
}

bool ShowDirector::PlayUntil(const std::function<bool()>& ready, std::int64_t mostUs)
{
    const std::int64_t untilUs = lastFrameUs + mostUs;
    while (!ready())
    {
        if (lastFrameUs >= untilUs || Full())
            return false;
        Frame();
    }
    return true;
}

void ShowDirector::AdvanceBetween(double fraction)
{
    // Strictly after the last reading: what happens now, that reading did not show.
    const std::int64_t atUs =
        lastFrameUs + std::llround(fraction * static_cast<double>(nextFrameUs - lastFrameUs));
    PlayHeadTo(std::min(nextFrameUs - 1, std::max(atUs, headUs + 1)));
}

Show ShowDirector::Finish()
{
    // A tail of plain play, so that what came last can be told.
    const std::int64_t tailUs = std::max<std::int64_t>(600000, 8 * rhythm.LongestSampleUs());
    PlayUntil([] { return false; }, tailUs);
    show.setup = rhythm.Describe();
    show.originUs = kOriginUs;
    BuildTruth(show);
    return std::move(show);
}
} // namespace showfuzz
