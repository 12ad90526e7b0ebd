// The messages VendrolixPro's settings ask for: each enabled one once per start of its timed
// sequence, its delay after that start (in seconds, or with "Delays in beats" on in beats of the
// host's tempo), and each at once when "Test" is pressed. Numbers are
// read from a GL instance's parameters by their names; texts are the ones the host set, since
// the plug-in answers only their first 255 bytes but sends them whole.
#pragma once

#include "tools/standin/ParameterAssignment.h"
#include "tools/standin/ParameterTable.h"
#include "tools/testhost/PluginLibrary.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace standin
{

struct Expectation
{
    std::string label;   // "transition duration", "next clip", "OSC Msg"
    std::string address; // the whole address, or with addressIsEnding its ending
    bool addressIsEnding = false;
    std::string delayParameter; // the parameter that holds the delay
    std::int32_t delay = 0;     // thousandths of a second, or with inBeats of a beat
    bool inBeats = false;
};

// "1.000 s", "16.000 beats"
std::string DelayText(const Expectation& expectation);

bool Matches(const Expectation& expectation, std::string_view address);

// The first expectation whose address matches; size() when none does.
std::size_t FindExpectation(const std::vector<Expectation>& expectations, std::string_view address);

// `assignments`: what the host set, in order; a text it did not set has its default.
std::vector<Expectation> ReadExpectations(const testhost::PluginLibrary& plugin, void* instance,
                                          const ParameterTable& table,
                                          const std::vector<ParameterAssignment>& assignments);

} // namespace standin
