#include "tests/playback/PlaybackSimulator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace vdrxtest
{
namespace
{
std::int64_t Us(double seconds)
{
    return std::llround(seconds * 1e6);
}

// Longer between two frames is a stall or a hidden spell.
constexpr std::int64_t kGapUs = 400000;
} // namespace

double PlaybackSimulator::PassSeconds(const Playhead& head) const
{
    return (head.mode == Mode::PingPong ? 2.0 : 1.0) * (head.out - head.in);
}

double PlaybackSimulator::SecondsToBoundary(const Playhead& head) const
{
    if (head.speed <= 0.0)
        return 1e9;
    return (head.rising ? head.out - head.position : head.position - head.in) / head.speed;
}

void PlaybackSimulator::Run(Playhead& head, std::int64_t fromUs, std::int64_t us,
                            std::vector<Beginning>& beginnings)
{
    double left = static_cast<double>(us) / 1e6;
    double at = static_cast<double>(fromUs);
    while (head.speed > 0.0 && left > 0.0)
    {
        const double toBoundary = SecondsToBoundary(head);
        if (toBoundary > left)
        {
            head.position += (head.rising ? 1.0 : -1.0) * head.speed * left;
            return;
        }
        left -= toBoundary;
        at += toBoundary * 1e6;
        using Kind = Beginning::Kind;
        Kind kind = Kind::Loop;
        switch (head.mode)
        {
        case Mode::Forward:
            head.position = head.in;
            break;
        case Mode::Backward:
            head.position = head.out;
            kind = Kind::Wrap;
            break;
        case Mode::PingPong:
            head.position = head.rising ? head.out : head.in;
            kind = head.rising ? Kind::Top : Kind::Bottom;
            head.rising = !head.rising;
            break;
        }
        beginnings.push_back(Beginning{std::llround(at), kind, head.speed});
    }
}

bool PlaybackSimulator::Perturb(Playhead& head, std::int64_t atUs, double periodUs,
                                std::vector<Beginning>& beginnings, bool mayResync)
{
    using Kind = Beginning::Kind;
    const double length = head.out - head.in;
    if (pausedUntilUs != 0)
    {
        if (atUs >= pausedUntilUs)
        {
            pausedUntilUs = 0;
            head.speed = std::exp2(Uniform(std::log2(lowestSpeed), std::log2(highestSpeed)));
        }
        return false;
    }
    if (Chance(0.003))
        head.speed = std::exp2(Uniform(std::log2(lowestSpeed), std::log2(highestSpeed)));
    else if (Chance(0.002))
    {
        head.speed = 0.0;
        pausedUntilUs = atUs + Us(Uniform(0.2, 1.0));
    }
    else if (Chance(0.002) && (head.mode != Mode::PingPong || head.rising) &&
             (head.rising ? head.position - head.in : head.out - head.position) > 0.5 * length)
    {
        // Triggered again: back to where a pass begins.
        head.position = head.rising ? head.in : head.out;
        beginnings.push_back(Beginning{atUs, Kind::Retrigger, head.speed});
    }
    else if (Chance(0.002) && head.mode != Mode::PingPong && length > 1.5)
    {
        // Scrubbed, clear of the ends, where the effect cannot take it for a loop.
        const double to = Uniform(head.in + 0.5, head.out - 0.5);
        const double clear = 2.0 * head.speed * periodUs / 1e6 + 0.05; // beyond any turn's reach
        const bool against = head.rising ? to < head.position - clear : to > head.position + clear;
        const bool along = head.rising ? to > head.position + clear : to < head.position - clear;
        if (against || along)
            head.position = to;
        if (against)
            beginnings.push_back(Beginning{atUs, Kind::Scrub, head.speed});
    }
    else if (mayResync && Chance(0.003))
    {
        // The clock re-syncs a little back: 2.5 ms of clip, or a frame's travel.
        const double back = Chance(0.5) ? 0.0025 : head.speed * periodUs / 1e6;
        head.position += head.rising ? -back : back;
        return true;
    }
    return false;
}

Episode PlaybackSimulator::Play(std::int64_t startUs)
{
    Episode episode;
    Playhead head;
    head.mode = static_cast<Mode>(Pick(0, 2));
    head.rising = head.mode != Mode::Backward;
    const double fps =
        std::array{8.0, 9.0, 24.0, 25.0, 30.0, 60.0, 120.0, 144.0, 240.0}[static_cast<std::size_t>(
            Pick(0, 8))];
    episode.framePeriodUs = 1e6 / fps;
    // At most 0.15 s of clip a frame: beyond that a frame's travel covers a clip's first moments.
    const double fastest = std::min(8.0, 0.15 * fps);
    head.speed = std::exp2(Uniform(-2.0, std::log2(fastest)));
    lowestSpeed = std::max(0.25, head.speed / 2);
    highestSpeed = std::min(fastest, head.speed * 2);
    pausedUntilUs = 0;
    // Passes of about 1 to 3.5 s, of 16 frames at least at the fastest speed played.
    head.in = Chance(0.5) ? 0.0 : Uniform(0.5, 3.0);
    head.out = head.in + std::max(Uniform(1.0, 3.5) * head.speed, 16.0 * highestSpeed / fps);
    const std::int64_t delayUs = Us(Uniform(0.0, 0.003));
    const double jitterUs = Uniform(0.0, 1000.0);
    const std::int64_t endUs = startUs + Us(Pick(2, 5) * PassSeconds(head) / head.speed);

    std::vector<Beginning> beginnings;
    const double margin = std::max(0.3, 0.3 * head.speed);
    if (Chance(0.4) || head.out - head.in < 3.0 * margin)
    {
        const double since = Uniform(0.0, episode.framePeriodUs) / 1e6;
        head.position = head.rising ? head.in + head.speed * since : head.out - head.speed * since;
        beginnings.push_back(Beginning{startUs - Us(since), Beginning::Kind::Launch, head.speed});
    }
    else
    {
        head.position = Uniform(head.in + margin, head.out - margin);
        head.rising = head.mode == Mode::Forward || (head.mode == Mode::PingPong && Chance(0.5));
        beginnings.push_back(Beginning{startUs, Beginning::Kind::Join, head.speed});
    }
    const Playhead joined = head;
    episode.description = "mode " + std::to_string(static_cast<int>(head.mode)) + ", " +
                          std::to_string(fps) + " fps, " + std::to_string(head.speed) + "x, in " +
                          std::to_string(head.in) + ", out " + std::to_string(head.out);

    bool gapBefore = false; // gaps come one at a time
    // Gaps cross a boundary at most: a host hidden for more than a pass shows a time the
    // effect cannot tell from one in the same pass.
    const double longestGap = std::min(3.0, 0.8 * (head.out - head.in) / highestSpeed);
    const auto nextInterval = [&]
    {
        std::int64_t next =
            std::llround(episode.framePeriodUs * Uniform(0.9, 1.1) * (Chance(0.02) ? 2.0 : 1.0));
        if (pausedUntilUs != 0 || longestGap < 0.7 || gapBefore)
            return next;
        if (Chance(0.003))
            next += Us(Uniform(0.6, longestGap)); // a stall
        else if (Chance(0.0015))
            next += Us(Uniform(std::min(2.0, longestGap), longestGap)); // a hidden layer
        return next;
    };
    std::vector<std::int64_t> readUs;
    std::int64_t hostUs = startUs;
    std::int64_t lastBoundaryUs = startUs;
    std::size_t oddFrame = 0;
    std::size_t lastPerturbFrame = 0; // one thing at a time, a few frames apart
    bool resynced = false;
    double lastGiven = head.position;
    std::int64_t next = std::llround(episode.framePeriodUs);
    while (hostUs < endUs)
    {
        double given = head.position;
        // One odd time at a time: a stale one, one a little behind, or a re-sync.
        const bool settled = readUs.size() > 3 && readUs.size() > oddFrame + 3;
        if (settled && Chance(0.005))
            given = lastGiven; // a decoder's stale time
        else if (settled && head.speed > 0.0 && Chance(0.005))
            given = std::clamp(head.position + (head.rising ? -0.004 : 0.004), head.in, head.out);
        ShowFrame frame;
        frame.callUs = hostUs + delayUs + Us(Uniform(0.0, jitterUs) / 1e6);
        frame.time = given;
        frame.pressesTest = settled && Chance(0.003);
        episode.frames.push_back(frame);
        readUs.push_back(hostUs);
        if (given != head.position || resynced)
            oddFrame = readUs.size() - 1;
        lastGiven = given;

        const std::size_t before = beginnings.size();
        Run(head, hostUs, next, beginnings);
        hostUs += next;
        const bool afterGap = next >= kGapUs;
        gapBefore = afterGap;
        next = settled ? nextInterval() : std::llround(episode.framePeriodUs * Uniform(0.9, 1.1));
        // Nothing the next frame could not show before a gap hides it.
        if (beginnings.size() != before)
            lastBoundaryUs = beginnings.back().hostUs;
        if (!afterGap && next < kGapUs && hostUs - lastBoundaryUs > Us(0.3) &&
            readUs.size() > lastPerturbFrame + 3 &&
            SecondsToBoundary(head) > 0.3 + 2 * episode.framePeriodUs / 1e6)
        {
            const Playhead was = head;
            resynced = Perturb(head, hostUs, episode.framePeriodUs, beginnings,
                               readUs.size() > oddFrame + 3);
            if (head.position != was.position || head.speed != was.speed)
                lastPerturbFrame = readUs.size();
        }
    }
    Judge(joined, beginnings, readUs, delayUs, episode);
    return episode;
}

void PlaybackSimulator::Judge(const Playhead& start, const std::vector<Beginning>& beginnings,
                              const std::vector<std::int64_t>& readUs, std::int64_t delayUs,
                              Episode& episode) const
{
    using Kind = Beginning::Kind;
    const std::vector<ShowFrame>& frames = episode.frames;
    const std::size_t last = frames.size() - 1;
    // What the effect has seen of where passes begin: the lowest time after a forward loop, the
    // highest after a wrap, whether it has seen a ping-pong bottom.
    std::optional<double> lowestLanding;
    std::optional<double> highestLanding;
    bool bottomSeen = false;
    for (std::size_t b = 0; b < beginnings.size(); ++b)
    {
        const Beginning& beginning = beginnings[b];
        const auto firstAt = std::lower_bound(readUs.begin(), readUs.end(), beginning.hostUs);
        const std::size_t first = static_cast<std::size_t>(firstAt - readUs.begin());
        if (first > last)
            break;
        if (beginning.kind == Kind::Top)
            continue;
        // A later beginning before the same frame hides this one.
        std::optional<std::int64_t> nextUs;
        for (std::size_t later = b + 1; later < beginnings.size() && !nextUs; ++later)
            if (beginnings[later].kind != Kind::Top)
                nextUs = beginnings[later].hostUs;
        if (nextUs && *nextUs <= readUs[first])
            continue;
        const bool gap = first > 0 && readUs[first] - readUs[first - 1] > kGapUs;
        TruePass pass;
        pass.firstFrame = first;
        pass.shownFrame = std::min(last, first + (gap ? 3 : 1));
        pass.beginUs = pass.earliestUs = beginning.hostUs + delayUs;
        pass.endUs = nextUs ? *nextUs + delayUs : frames[last].callUs;
        const double landing = frames[first].time;
        const auto undated = [&](const char* what)
        {
            pass.what = what;
            pass.dated = false;
            pass.beginUs = frames[first].callUs;
        };
        const auto unknowable = [&](double clipSeconds)
        { pass.unknowableUs = std::llround(std::max(0.0, clipSeconds) / beginning.speed * 1e6); };
        switch (beginning.kind)
        {
        case Kind::Launch:
        case Kind::Join:
            // Backwards, or too far in: counted from its next loop.
            if (!start.rising || start.position >= 2.1)
                continue;
            if (beginning.kind == Kind::Launch && start.in == 0.0)
                pass.what = "launch";
            else
            {
                // In its first 2 s: counted from the frame that shows the way it plays.
                pass.firstFrame = 1;
                const double shown =
                    start.position + 3.0 * start.speed * episode.framePeriodUs / 1e6;
                undated(shown < 1.95 ? "late join" : "unsure: join near 2 s");
                pass.shownFrame = 3;
            }
            break;
        case Kind::Loop:
        case Kind::Retrigger:
        case Kind::Wrap:
            if (start.mode == Mode::Backward)
            {
                // Dated by the highest landing seen: no earlier than the out point.
                if (!highestLanding || *highestLanding < landing - 0.005)
                    undated("first wrap there");
                unknowable(start.out - std::max(highestLanding.value_or(landing), landing));
                pass.what = pass.dated ? "wrap" : pass.what;
            }
            else if (start.mode == Mode::Forward && (start.in != 0.0 || gap))
            {
                // Dated by the lowest landing seen: no later than the in point.
                if (!lowestLanding || *lowestLanding > landing + 0.005)
                    undated("first loop there");
                unknowable(std::min(lowestLanding.value_or(landing), landing) - start.in);
                pass.what = pass.dated ? "loop" : pass.what;
            }
            else if (start.mode == Mode::PingPong && !bottomSeen)
                undated("re-trigger before a bottom");
            else
                pass.what = "loop";
            break;
        case Kind::Bottom:
            pass.what = "bottom";
            bottomSeen = true;
            pass.shownFrame = std::min(last, first + 3);
            break;
        case Kind::Scrub:
            undated("scrub");
            break;
        case Kind::Top:
            break;
        }
        const bool jumped = beginning.kind == Kind::Loop || beginning.kind == Kind::Wrap ||
                            beginning.kind == Kind::Retrigger || beginning.kind == Kind::Scrub;
        if (jumped && start.mode == Mode::Backward)
            highestLanding = std::max(highestLanding.value_or(landing), landing);
        else if (jumped && start.mode == Mode::Forward)
        {
            // Seen in the clip's first moments, a landing tells the in point is 0.
            const double seen =
                start.in == 0.0 && !gap && beginning.kind != Kind::Scrub ? 0.0 : landing;
            lowestLanding = std::min(lowestLanding.value_or(seen), seen);
        }
        if (gap)
            pass.what += " after a gap";
        if (first + 3 > last)
            pass.what = "unsure: at the end";
        episode.passes.push_back(pass);
    }
}

} // namespace vdrxtest
