// What an input makes happen in a show, one action at a time: each reads its choices from the
// input (fuzz/ByteReader.h: past the end every choice is 0) and plays them through the director,
// within what a show may hold (ShowLimits.cpp): an action waits (the clip plays on) until it may
// happen, is adjusted, or is dropped. docs/fuzzing.md gives the bytes of each.
#pragma once

#include "fuzz/ByteReader.h"
#include "fuzz/ShowDirector.h"

#include <cstdint>

namespace showfuzz
{
using ShowAction = void (*)(ShowDirector& show, hostfuzz::ByteReader& reader);

// The clip (ClipActions.cpp).
void PlayOn(ShowDirector& show, hostfuzz::ByteReader& reader);
void LaunchClip(ShowDirector& show, hostfuzz::ByteReader& reader);
void Retrigger(ShowDirector& show, hostfuzz::ByteReader& reader);
void ChangeSpeed(ShowDirector& show, hostfuzz::ByteReader& reader);
void PauseClip(ShowDirector& show, hostfuzz::ByteReader& reader);
void MovePoints(ShowDirector& show, hostfuzz::ByteReader& reader);
// The playhead moved by hand or by the clock (JumpActions.cpp).
void Scrub(ShowDirector& show, hostfuzz::ByteReader& reader);
void Drag(ShowDirector& show, hostfuzz::ByteReader& reader);
void Resync(ShowDirector& show, hostfuzz::ByteReader& reader);
void Dip(ShowDirector& show, hostfuzz::ByteReader& reader);
void OddTime(ShowDirector& show, hostfuzz::ByteReader& reader);
// Calls that stop coming (GapActions.cpp).
void Stall(ShowDirector& show, hostfuzz::ByteReader& reader);
void Hide(ShowDirector& show, hostfuzz::ByteReader& reader);
void PauseAndHide(ShowDirector& show, hostfuzz::ByteReader& reader);
void StopTimes(ShowDirector& show, hostfuzz::ByteReader& reader);
// The performer at the effect (HostActions.cpp).
void PressTest(ShowDirector& show, hostfuzz::ByteReader& reader);
void JoinEffect(ShowDirector& show, hostfuzz::ByteReader& reader);
// The effect as it is first added, at the show's first frame.
void JoinFirst(ShowDirector& show, hostfuzz::ByteReader& reader);

// A clip read from the input: mode, speed, in point, length; 0 keeps `before`'s speed or in
// point.
Clip ReadClip(hostfuzz::ByteReader& reader, const Clip& before, const ShowDirector& show);
// How a launched clip starts: where its playhead lands, and whether it stands there.
struct Landing
{
    double at = 0.0;
    bool parked = false;
    bool jitter = false;
    bool dips = false;
    bool preRoll = false;
};
// A clip that starts below 0 or stands at its beginning is moved to begin at 0.
Landing ReadLanding(hostfuzz::ByteReader& reader, Clip& clip, ShowRandom& random);
// The clip made long enough for what a show may hold (its passes, and its first when it does not
// land where passes begin).
Clip Fitted(const ShowDirector& show, Clip clip, bool knownLanding);
void NoteClip(ShowDirector& show, const Clip& clip);
// The event's words for a clip.
std::string Describe(const char* what, const Clip& clip, double landing);

// Helpers the actions share.
double Fraction(hostfuzz::ByteReader& reader);
// Plays on until the director is settled and `also` holds (or for at most 3 s).
bool WaitSettled(ShowDirector& show, const std::function<bool()>& also);
double SampleTravel(const ShowDirector& show, double speed);
// The least clip time of a new instance's first reading on a clip going down: below it, in the
// clip's first 50 ms, its first steps look like a clip parked at its start.
double DownJoinLeast(const ShowDirector& show, double speed);
} // namespace showfuzz
