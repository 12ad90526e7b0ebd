// What a host learns from the plug-in's parameter events after each call: a new "Status"
// display text, and the start of a timed sequence. The plug-in raises a value-changed event on
// "Duration" only when it starts its sequence (a clip start or a frame gap), so that event is
// the host's sign of a start; "Test" does not raise it.
#pragma once

#include "tools/standin/ParameterTable.h"
#include "tools/testhost/PluginLibrary.h"

#include <optional>
#include <string>

namespace standin
{

struct Observation
{
    std::optional<std::string> status; // the display text, when it changed
    bool started = false;
};

class StatusWatcher
{
public:
    StatusWatcher(const testhost::PluginLibrary& plugin, void* instance,
                  const ParameterTable& table);

    // Takes the pending events and reads "Status" again when it changed.
    Observation Collect();
    // The display text as it stands; empty when the plug-in has no "Status".
    std::string Current() const;
    // The display text as the last event left it.
    const std::string& Shown() const { return shown; }

private:
    const testhost::PluginLibrary& library;
    void* instance;
    std::optional<std::uint32_t> statusIndex;
    std::optional<std::uint32_t> startIndex;
    std::string shown;
};

} // namespace standin
