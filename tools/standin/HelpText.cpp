#include "tools/standin/HelpText.h"

#include "tools/standin/DemoSettings.h"
#include "tools/standin/TextFormat.h"

namespace standin
{
namespace
{

constexpr const char* kHelp = R"HELP(Usage: vendrolix-host [OPTION]...
       vendrolix-host --listen-only [ADDRESS:]PORT

Runs the VendrolixPro FFGL 2.1 plug-in as a video host would, without one: loads it, plays
a clip that restarts, shows its "Status" line, and prints each OSC message it sends, decoded,
with the time it arrived after its pass began: where the stand-in's own playhead was at the in
point (forward), wrapped to the out point (reverse) or turned at the in point (pingpong), at
the speed in force. Ends with a summary that holds every message against its delay (in beats
at the tempo given, where "Delays in beats" is on): it must arrive no earlier than its delay
after that beginning and at most 3 ms (and the --call-jitter) later, once per pass, "Test"
press or start the plug-in declares after a --pause-at. One due before a frame could hand it
over (before the first frame after the pass began, at a ping-pong turn the second, or during a
--stall or --hide) may come up to a frame period and 3 ms (and the jitter) after the first
that could; a pass that began and ended with no frame in it gets nothing. The plug-in must
start its sequence nowhere else.

Plug-in and GL:
  --plugin FILE       the plug-in to load (default: %PLUGIN%)
  --glx               render through GLX on $DISPLAY, or on a private Xvfb when there is
                      none (default: EGL without any display)
  --size WxH          frame size in pixels (default 320x180)

Clip:
  --fps N             frames per second, 1 to 240 (default 60)
  --clip SECONDS      clip length; the host time runs from 0 to it (default 3)
  --in SECONDS        the in point: where a pass begins, in clip seconds (default 0)
  --out SECONDS       the out point: where it ends, within the clip (default: --clip)
  --direction DIR     how the clip plays, and where each loop, a clip start for the
                      plug-in, begins (default forward):
                        forward   the in point up to the out point, then back to the in point
                        reverse   the out point down to the in point, then it wraps to the out
                                  point; a pass begins at the wrap
                        pingpong  the in point up to the out point and back down: a loop is one
                                  pass up and down, beginning at the turn at the in point
                      Reverse and pingpong passes must span more than 0.1 s of clip time
                      and more than three frames' worth of it.
  --speed X           the clip's time runs X clip seconds per second of play, 0.25 to 8
                      (default 1)
  --speed-change AT:X from AT seconds into the play on, the speed is X (repeatable; AT within
                      the play)
  --loops N           how often the clip plays; 0 plays until interrupted (default 2)
  --hold-zero SECONDS hold the host time at 0 this long at the start of every clip, as a
                      clip paused on its first frame; the summary counts the datagrams and
                      the threads started meanwhile (default 0). Forward from --in 0 only: a
                      reverse clip starts at its end, a ping-pong pass only once its time
                      rises
  --pause-at SECONDS  stop the frames once, this long into the play; the clip resumes where
                      it stopped (the plug-in counts a gap over 0.5 s as a clip start)
  --pause-for SECONDS length of that pause (default 0.6)
  --stall AT:SECONDS  no frames for SECONDS from AT seconds into the play while the clip's
                      time runs on, as when a host stalls loading a clip: the pass goes on,
                      or the one the time reached. It may cross a loop point, a wrap or a
                      turn; frames must come before and after it, not in a hold
  --hide AT:SECONDS   the layer is hidden: no calls at all (no SetBeatInfo, SetTime or
                      ProcessOpenGL) for SECONDS from AT seconds into the play while the
                      clip's time runs on; as --stall, it may cross a loop point, a wrap or a
                      turn, and must not meet the --stall or the --pause-at
  --step-back AT:MS   at AT seconds into the play the host's clip clock re-syncs MS
                      milliseconds of clip time back, 0 to 1000, and runs on from there: that
                      pass ends, and every later one begins, MS/speed later (repeatable). Not
                      back across a loop point, a wrap or a turn, nor in a hold
  --call-jitter MS    each SetTime reaches the plug-in up to MS milliseconds, 0 to 20, after
                      the moment whose clip time it gives (random, the same every run);
                      ProcessOpenGL follows it (default 0)
  --test-at SECONDS   press "Test" this long into the play (repeatable): it sends each
                      enabled message at once, and the countdown waits for the next clip
                      start. Not on the first frame after a pass began (ping-pong: its first
                      two), where the plug-in sees the start

Tempo (the host gives it before every frame; "Delays in beats" counts its beats):
  --tempo BPM         the tempo, 1 to 999 (default 120)
  --tempo-change AT:BPM
                      from AT seconds into each clip, counted from its beginning (a hold
                      included), the tempo is BPM, until the clip starts again at --tempo
                      (repeatable; AT within the shortest pass)

Parameters:
  --set NAME=VALUE    set a parameter before the first frame (repeatable; later wins).
                      Switches take on or off, text parameters any text, the others a
                      number within the range --list shows, in the plug-in's own units:
                      "Delay", "DelayNextClip" and "DlayOSCmsg (s)" take milliseconds
                      (they display as seconds), or with "Delays in beats=on" thousandths
                      of a beat; "Duration" takes seconds.
  --plugin-defaults   start from the plug-in's own defaults instead of the demo settings:%DEMO%
  --list              list the parameters (name, type, default, range, value now, with
                      units) after the settings, and exit

OSC:
  --port N            UDP port to listen on at 127.0.0.1 (default: any free port); "OSC Host"
                      and "OSC Port" are set to it
  --no-listen         leave "OSC Host" and "OSC Port" as set and listen to nothing: the
                      messages go to a real host (set them with --set)
  --listen-only [ADDRESS:]PORT
                      load no plug-in: listen on PORT at ADDRESS (127.0.0.1, the default,
                      or ::1) and print every OSC message that arrives, decoded, with its
                      time, until Ctrl-C; for checking what reaches a port

Output:
  --png FILE          write the last output frame as PNG and check that it equals the input
  --report FILE       also write the run as JSON lines: each message, each missing one, and
                      a summary; FILE - writes them to standard output and the console
                      to standard error
  --quiet             print only the OSC messages and the summary
  --version           print this program's version and the plug-in's, and exit
  -h, --help          show this text

Options that would have no effect with the others are refused, for example --port with
--no-listen, --pause-at or --hide beyond the end of the play, --in at or after --out,
--hold-zero with --direction reverse or an --in above 0, or a --step-back across a loop.

Ctrl-C (or SIGTERM) ends the play early: the summary and the report cover what was played.

Exit status: 0 all went as set (and --listen-only ended by Ctrl-C); 1 could not run (no
plug-in, no GL, port taken, a call failed); 2 bad command line; 3 a message was missing, early,
late or sent twice for one start, the plug-in started where no clip started, or the output
frame differs from the input; 130 (143 for SIGTERM) interrupted.
)HELP";

std::string Replace(std::string text, const std::string& marker, const std::string& value)
{
    return text.replace(text.find(marker), marker.size(), value);
}

} // namespace

std::string HelpText(const std::string& defaultPlugin)
{
    std::string demo;
    for (const std::string_view setting : kDemoSettings)
        demo += "\n                        " + Quoted(setting);
    return Replace(Replace(kHelp, "%PLUGIN%", defaultPlugin), "%DEMO%", demo);
}

} // namespace standin
