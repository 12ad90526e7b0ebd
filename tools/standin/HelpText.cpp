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
with the time it arrived after the clip's first frame. Ends with a summary that holds every
message against its delay (in beats at the tempo given, where "Delays in beats" is on): it
must arrive no earlier than its delay and at most 3 ms later, once per clip start, "Test"
press or start the plug-in declares after a --pause-at (one due during a --stall: at most a
frame period and 3 ms after the first frame after it). The plug-in must start its sequence
nowhere else.

Plug-in and GL:
  --plugin FILE       the plug-in to load (default: %PLUGIN%)
  --glx               render through GLX on $DISPLAY, or on a private Xvfb when there is
                      none (default: EGL without any display)
  --size WxH          frame size in pixels (default 320x180)

Clip:
  --fps N             frames per second, 1 to 240 (default 60)
  --clip SECONDS      clip length; the host time runs from 0 to it (default 3)
  --direction DIR     how the clip plays, and where each loop, a clip start for the
                      plug-in, has its first frame (default forward):
                        forward   0 up to the clip's end; first frame at 0
                        reverse   the end down to 0; first frame where it wraps to the end
                        pingpong  0 up to the end and back down: a loop is one pass up and
                                  down; first frame at the turn at 0
                      Reverse and pingpong clips must span more than 0.1 s and more than
                      three frame periods.
  --loops N           how often the clip plays; 0 plays until interrupted (default 2)
  --hold-zero SECONDS hold the host time at 0 this long at the start of every clip, as a
                      clip paused on its first frame; the summary counts the datagrams and
                      the threads started meanwhile (default 0). Forward only: a reverse
                      clip starts at its end, a ping-pong pass only once its time rises
  --pause-at SECONDS  stop the frames once, this long into the play; the clip resumes where
                      it stopped (the plug-in counts a gap over 0.5 s as a clip start)
  --pause-for SECONDS length of that pause (default 0.6)
  --stall AT:SECONDS  no frames for SECONDS from AT seconds into the play while the clip's
                      time runs on, as when a host stalls loading a clip: the same pass goes
                      on. It must lie where the time runs one way, after the first two
                      frames of that run and before its last: not across a clip's start, a
                      ping-pong turn or a hold
  --test-at SECONDS   press "Test" this long into the play (repeatable): it sends each
                      enabled message at once, and the countdown waits for the next clip
                      start. Not on a clip's first frame (ping-pong: its first two), where
                      the plug-in sees the start

Tempo (the host gives it before every frame; "Delays in beats" counts its beats):
  --tempo BPM         the tempo, 1 to 999 (default 120)
  --tempo-change AT:BPM
                      from AT seconds into each clip, counted from its first frame (a hold
                      included), the tempo is BPM, until the clip starts again at --tempo
                      (repeatable; AT within the clip)

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
--no-listen, --pause-at beyond the end of the play, or --hold-zero with --direction reverse.

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
