#include "fuzz/Show.h"

namespace showfuzz
{
const char* KindName(TruePass::Kind kind)
{
    static constexpr const char* kNames[] = {"launch", "loop",  "wrap",       "bottom turn",
                                             "scrub",  "join",  "pause+hide"};
    return kNames[static_cast<std::size_t>(kind)];
}

const char* FeatureName(Feature feature)
{
    static constexpr const char* kNames[] = {
        "forwards",          "backwards",          "ping-pong",
        "a second clip",     "a clip at another speed", "a clip with other points",
        "an in point above 0", "below 0.5x",       "4x and faster",
        "a change of speed", "a pause",            "a re-trigger",
        "a scrub back",      "a scrub on",         "a drag",
        "a pre-roll",        "a parked clip",      "a clock re-sync",
        "a wobble",          "a stale time",       "a stall",
        "a hidden spell",    "a pause with hiding", "points moved while looping",
        "a short loop",      "12 fps or fewer",    "120 fps or more",
        "uneven frames",     "dropped frames",     "calls late by a constant",
        "calls late at random", "calls late 0/10 ms alternately", "calls now and then 10 ms late",
        "SetTime after the frame", "SetTime twice a frame", "SetTime now and then",
        "frames without time", "back-to-back times", "a join mid-show",
        "a Test press",
    };
    static_assert(std::size(kNames) == static_cast<std::size_t>(Feature::Count));
    return kNames[static_cast<std::size_t>(feature)];
}
} // namespace showfuzz
