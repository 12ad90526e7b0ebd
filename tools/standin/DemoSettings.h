// What the stand-in sets before the user's own settings, unless told to start from the
// plug-in's defaults: a clip of a few seconds then shows every message of the sequence arrive.
// Delays are the plug-in's host values, milliseconds.
#pragma once

#include <array>
#include <string_view>

namespace standin
{

inline constexpr std::array<std::string_view, 5> kDemoSettings = {
    "Delay=1000",         "NextClip=on",
    "DelayNextClip=2000", "OSC Msg=/composition/tempocontroller/tempo f 120",
    "DlayOSCmsg (s)=500",
};

} // namespace standin
