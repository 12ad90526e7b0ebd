// A show decoded from the show fuzzer's input: the calls a host makes to the effect, and the
// passes of the clip that really began, worked out from the host's own playhead (HostPlayhead)
// and nothing of the effect's. The judges play the calls and hold what comes back against the
// passes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace showfuzz
{
constexpr std::size_t kNever = std::numeric_limits<std::size_t>::max();
// A landing not where passes begin could be the first step of a gesture: it is told once this
// long has passed after its first reading without another step.
constexpr std::int64_t kGestureUs = 150000;

// One call the host makes to the effect, in the order made.
struct ShowCall
{
    enum class Kind : std::uint8_t
    {
        Time,  // SetTime: the clip time `time`, read from the playhead at `sampledUs`
        Frame, // ProcessOpenGL of the frame drawn at `sampledUs`
        Test,  // "Test" pressed
        Join,  // the effect added to the layer: a new instance, a new tracker
    };
    Kind kind = Kind::Time;
    std::int64_t atUs = 0;      // on the effect's (and the host's) steady clock
    std::int64_t sampledUs = 0; // when the host read its playhead or drew the frame
    double time = 0.0;
    int life = 0; // which instance: each join begins the next
};

// A pass of the clip that began, and what the effect must make of it.
struct TruePass
{
    enum class Kind : std::uint8_t
    {
        Launch,    // a clip launched or re-triggered: its in point (out point backwards)
        Loop,      // forwards across the out point, back at the in point
        Wrap,      // backwards across the in point, back at the out point
        Bottom,    // ping-pong: the turn at the in point
        Scrub,     // the playhead moved back by hand, in one step or a drag of several
        Join,      // the effect added while the clip played, counted by the late-start rule
        PauseHide, // frames stopped over half a second with the time standing, then went on
    };
    Kind kind = Kind::Loop;
    std::int64_t beginUs = 0; // when the playhead was at its beginning: no anchor earlier
    std::int64_t shownFromUs = 0; // the first reading from then on shows it (beginUs, rounded up)
    bool atSample = false;    // it began at a reading of the playhead, not between two
    bool known = true;        // it lands where passes begin, as far as its instance has seen
    bool inGap = false;       // it began inside a stall or a hidden spell
    bool checked = true;      // false: a join whose clip time was near 2 s, either way will do
    int life = 0;

    // A scrub or drag: when its gesture's first step was made. Its start may come from then on,
    // held (nothing of it going) while the gesture may go on, and dated later at each step.
    std::int64_t gestureUs = 0;

    // Filled from the calls (ShowTruth): indices into Show::calls.
    std::size_t gestureCall = kNever; // a scrub's: the first call after its gesture's first step
    std::size_t firstCall = kNever; // the first call that comes after its beginning
    std::size_t tellBy = kNever;    // its start (a new pass) must have come by this call
    std::size_t datedFrom = kNever; // from this call on its anchor is no later than...
    std::int64_t latestUs = 0;      // ...this: beginning + interval it began in + jitter + 1 ms
};

const char* KindName(TruePass::Kind kind);

// What the show holds, counted once per show, for the decoder test and the report.
enum class Feature : std::uint8_t
{
    Forward,
    Backward,
    PingPong,
    SecondClip,     // a launch after the first clip
    NewSpeedClip,   // a launch at another speed than the clip before
    NewPointsClip,  // a launch with other in or out points
    InPointAboveZero,
    Slow,           // below 0.5x
    Fast,           // 4x and faster
    SpeedChange,
    Pause,
    Retrigger,
    ScrubBack,
    ScrubForward,
    Drag,
    PreRoll,        // a launch below 0, or a dip below 0 at the clip's beginning
    Parked,         // a clip parked at its beginning
    Resync,         // a step back of 50 ms or less mid-clip
    Wobble,
    StaleTime,
    Stall,
    Hidden,
    PauseHide,
    PointsMoved,    // in or out points moved while the clip loops
    ShortLoop,      // a pass of 8 samples or fewer
    LowRate,        // 12 fps or fewer
    HighRate,       // 120 fps or more
    Uneven,
    Dropped,
    LateConstant,
    LateUniform,
    LateAlternating,
    LateRarely,
    TimeAfterFrame,
    TwiceAFrame,
    NowAndThen,
    TimesStop,
    BackToBack,
    JoinMidShow,
    TestPress,
    Count,
};

const char* FeatureName(Feature feature);

// Something that happened, for the report.
struct ShowEvent
{
    std::int64_t atUs = 0;
    std::string what;
};

struct Show
{
    std::vector<ShowCall> calls;
    std::vector<TruePass> passes;
    std::vector<ShowEvent> events;
    std::array<bool, static_cast<std::size_t>(Feature::Count)> features{};
    std::string setup;                           // the host's rhythm, in words
    std::array<std::int32_t, 3> delaysMs{};      // for the plug-in: transition, next clip, message
    std::int64_t jitterUs = 0;                   // the latest any call came after its reading
    std::int64_t originUs = 0;                   // the first frame, for reports
    int overlaps = 0; // passes whose windows met: a fault of the decoder (the decoder test)

    bool Has(Feature feature) const { return features[static_cast<std::size_t>(feature)]; }
};
} // namespace showfuzz
