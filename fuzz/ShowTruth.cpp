#include "fuzz/ShowTruth.h"

#include <algorithm>
#include <limits>

namespace showfuzz
{
namespace
{
// Frames without a clip time this long after the last: the effect decides on what it has.
constexpr std::int64_t kTimesStoppedUs = 250000;
constexpr std::int64_t kAnchorGraceUs = 1000;
// Readings further apart than this: a stall, a hidden spell, or SetTime stopped a while.
constexpr std::int64_t kReadingGapUs = 250000;
// The same time given again this soon: one reading given twice, for all the calls tell.
constexpr std::int64_t kSameReadingUs = 4000;
// How far above its lowest a clip must rise before its bottom turn can be told from the clock.
constexpr double kTurnRiseSeconds = 0.001;

bool IsReading(const ShowCall& call)
{
    return call.kind == ShowCall::Kind::Time;
}

bool IsHostCall(const ShowCall& call)
{
    return call.kind == ShowCall::Kind::Time || call.kind == ShowCall::Kind::Frame;
}

int ReadingsNeeded(const TruePass& pass)
{
    switch (pass.kind)
    {
    case TruePass::Kind::Loop:
    case TruePass::Kind::Wrap:
    case TruePass::Kind::Bottom:
        return 2;
    case TruePass::Kind::Scrub:
        return 1;
    case TruePass::Kind::Launch:
    case TruePass::Kind::Join:
    case TruePass::Kind::PauseHide:
        break;
    }
    return 3;
}

// The first call of instance `life` whose reading or frame came at or after `beginUs` (a join
// counted from before its instance was added: the instance's first).
std::size_t FirstCallAfter(const Show& show, std::int64_t beginUs, std::size_t from, int life)
{
    for (std::size_t i = from; i < show.calls.size(); ++i)
        if (IsHostCall(show.calls[i]) && show.calls[i].sampledUs >= beginUs &&
            show.calls[i].life >= life)
            return i;
    return kNever;
}

// The first reading from call `call` on in its instance, if any.
const ShowCall* ReadingFrom(const Show& show, std::size_t call)
{
    for (std::size_t i = call; i < show.calls.size() && show.calls[i].life == show.calls[call].life; ++i)
        if (IsReading(show.calls[i]))
            return &show.calls[i];
    return nullptr;
}

// The reading before call `call` in its instance, if any.
const ShowCall* ReadingBefore(const Show& show, std::size_t call)
{
    for (std::size_t i = call; i-- > 0;)
    {
        if (show.calls[i].life != show.calls[call].life)
            return nullptr;
        if (IsReading(show.calls[i]))
            return &show.calls[i];
    }
    return nullptr;
}

// Walks the calls of the pass's instance from its first: the readings, and when it is told. A
// reading repeated (SetTime twice a frame) is no new reading. A bottom turn shows from the first
// reading that rises. One that began where the readings stopped a while needs 3: the speed after.
void Tell(const Show& show, TruePass& pass)
{
    const ShowCall* before = ReadingBefore(show, pass.firstCall);
    const ShowCall* after = ReadingFrom(show, pass.firstCall);
    const bool acrossGap = before && after && after->sampledUs - before->sampledUs > kReadingGapUs;
    const int needed = acrossGap ? std::max(3, ReadingsNeeded(pass)) : ReadingsNeeded(pass);
    int readings = 0;
    int told = 0; // readings since it shows
    std::size_t third = kNever;
    std::int64_t firstReadingUs = 0;
    std::int64_t lastReadingUs = 0;
    const ShowCall* previous = before;
    pass.latestUs = pass.beginUs + show.jitterUs + kAnchorGraceUs;
    bool shown = pass.kind != TruePass::Kind::Bottom;
    bool risen = shown;
    // A join's readings show the way it plays once one goes up from the one before.
    bool wentUp = false;
    double lowest = before ? before->time : std::numeric_limits<double>::infinity();
    for (std::size_t i = pass.firstCall; i < show.calls.size(); ++i)
    {
        const ShowCall& call = show.calls[i];
        if (call.life != pass.life)
            break;
        // The same time again within a few milliseconds looks the same whether read again or not.
        const bool repeated =
            previous && (previous->sampledUs == call.sampledUs ||
                         (previous->time == call.time && call.atUs - previous->atUs < kSameReadingUs));
        if (IsReading(call) && !repeated)
        {
            const bool wasShown = shown;
            wentUp = wentUp || (previous && readings > 0 && call.time > previous->time);
            shown = shown || (previous && call.time > previous->time);
            // A slow turn is told once it rose further than the clock wobbles.
            lowest = std::min(lowest, previous ? previous->time : call.time);
            risen = risen || (shown && call.time > lowest + kTurnRiseSeconds);
            previous = &call;
            if (++readings == 1)
                firstReadingUs = call.atUs;
            // Dated no later than the first reading that shows it (a bottom: the first that
            // rises; one before it may still seem on its way down).
            if (shown && (!wasShown || readings == 1))
            {
                const std::int64_t intervalUs = pass.atSample ? 0 : call.sampledUs - pass.beginUs;
                pass.latestUs = pass.beginUs + intervalUs + show.jitterUs + kAnchorGraceUs;
            }
            if (readings == 3)
                third = i;
            lastReadingUs = call.atUs;
            told += risen ? 1 : 0;
            const bool gestureOver = pass.known || call.atUs >= firstReadingUs + kGestureUs;
            if (pass.tellBy == kNever && told >= needed && gestureOver)
                pass.tellBy = i;
        }
        else if (call.kind == ShowCall::Kind::Frame && pass.tellBy == kNever && readings >= 2 &&
                 (pass.kind != TruePass::Kind::Join || wentUp) &&
                 call.atUs >= lastReadingUs + kTimesStoppedUs)
            pass.tellBy = i;
        if (pass.tellBy != kNever && third != kNever)
            break;
    }
    if (pass.tellBy != kNever)
        pass.datedFrom = third == kNever ? pass.tellBy : std::max(third, pass.tellBy);
}

// The interval the pass began in: from the last reading before its beginning.
void WidenForInterval(const Show& show, TruePass& pass)
{
    if (pass.atSample || pass.latestUs == 0)
        return;
    for (std::size_t i = pass.firstCall; i-- > 0;)
    {
        const ShowCall& call = show.calls[i];
        if (call.life != pass.life)
            return;
        if (IsReading(call) && call.sampledUs < pass.shownFromUs)
        {
            // latestUs holds the first reading's distance from the beginning; the interval
            // between the two readings is at least that.
            pass.latestUs += pass.beginUs - call.sampledUs;
            return;
        }
    }
}
} // namespace

void BuildTruth(Show& show)
{
    show.jitterUs = 0;
    for (const ShowCall& call : show.calls)
        if (IsHostCall(call))
            show.jitterUs = std::max(show.jitterUs, call.atUs - call.sampledUs);

    std::stable_sort(show.passes.begin(), show.passes.end(),
                     [](const TruePass& a, const TruePass& b) { return a.beginUs < b.beginUs; });
    std::vector<TruePass> kept;
    std::size_t from = 0;
    for (TruePass& pass : show.passes)
    {
        pass.firstCall = FirstCallAfter(show, pass.shownFromUs, from, pass.life);
        if (pass.firstCall == kNever || show.calls[pass.firstCall].life != pass.life)
            continue;
        pass.gestureCall = pass.kind == TruePass::Kind::Scrub
                               ? FirstCallAfter(show, pass.gestureUs, from, pass.life)
                               : pass.firstCall;
        from = pass.firstCall;
        // A later beginning before the same call hides this one.
        if (!kept.empty() && kept.back().firstCall == pass.firstCall)
            kept.pop_back();
        kept.push_back(pass);
    }
    for (TruePass& pass : kept)
    {
        Tell(show, pass);
        WidenForInterval(show, pass);
    }
    for (std::size_t p = 1; p < kept.size(); ++p)
    {
        TruePass& before = kept[p - 1];
        TruePass& after = kept[p];
        if (before.life == after.life && before.tellBy != kNever &&
            before.tellBy >= after.firstCall)
        {
            ++show.overlaps;
            before.checked = after.checked = false;
        }
    }
    show.passes = std::move(kept);
}
} // namespace showfuzz
