#include "tools/standin/ExpectedMessages.h"

#include "tools/standin/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace standin
{
namespace
{

// The two messages addressed to the layer, whose address starts with the layer's own.
struct LayerMessage
{
    const char* label;
    const char* switchName;
    const char* delayName;
    const char* ending;
};

constexpr LayerMessage kLayerMessages[] = {
    {"transition duration", "LayerTrans", "Delay", "/transition/duration"},
    {"next clip", "NextClip", "DelayNextClip", "/connectnextclip"},
};
constexpr const char* kMessageText = "OSC Msg";
constexpr const char* kMessageDelay = "DlayOSCmsg (s)";
constexpr const char* kDelaysInBeats = "Delays in beats";

// The address a free-text message goes to: its first word, after leading blanks.
std::string FirstWord(std::string_view text)
{
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return {};
    const std::size_t end = text.find_first_of(" \t\r\n", start);
    return std::string(text.substr(start, end - start));
}

class SettingReader
{
public:
    SettingReader(const testhost::PluginLibrary& plugin, void* pluginInstance,
                  const ParameterTable& parameters,
                  const std::vector<ParameterAssignment>& hostSettings)
        : library(plugin), instance(pluginInstance), table(parameters), assignments(hostSettings)
    {
    }

    bool Has(const char* name) const { return FindParameter(table, name) != nullptr; }

    float Value(const char* name) const
    {
        return library.GetFloatParameter(instance, FindParameter(table, name)->index);
    }

    bool On(const char* name) const { return Has(name) && Value(name) >= 0.5f; }

    std::string Text(const char* name) const
    {
        const auto set = std::find_if(assignments.rbegin(), assignments.rend(),
                                      [name](const ParameterAssignment& assignment)
                                      { return assignment.parameter->name == name; });
        return set != assignments.rend() ? set->text : FindParameter(table, name)->defaultText;
    }

    std::int32_t Thousandths(const char* name) const
    {
        return static_cast<std::int32_t>(std::lround(Value(name)));
    }

private:
    const testhost::PluginLibrary& library;
    void* instance;
    const ParameterTable& table;
    const std::vector<ParameterAssignment>& assignments;
};

} // namespace

std::string DelayText(const Expectation& expectation)
{
    return FormatText("%.3f %s", expectation.delay / 1000.0, expectation.inBeats ? "beats" : "s");
}

bool Matches(const Expectation& expectation, std::string_view address)
{
    return expectation.addressIsEnding ? address.ends_with(expectation.address)
                                       : address == expectation.address;
}

std::size_t FindExpectation(const std::vector<Expectation>& expectations, std::string_view address)
{
    for (std::size_t i = 0; i < expectations.size(); ++i)
    {
        if (Matches(expectations[i], address))
            return i;
    }
    return expectations.size();
}

std::vector<Expectation> ReadExpectations(const testhost::PluginLibrary& plugin, void* instance,
                                          const ParameterTable& table,
                                          const std::vector<ParameterAssignment>& assignments)
{
    const SettingReader settings(plugin, instance, table, assignments);
    const bool inBeats = settings.On(kDelaysInBeats);
    std::vector<Expectation> expectations;
    for (const LayerMessage& message : kLayerMessages)
    {
        if (settings.On(message.switchName) && settings.Has(message.delayName))
            expectations.push_back(Expectation{message.label, message.ending, true,
                                               message.delayName,
                                               settings.Thousandths(message.delayName), inBeats});
    }
    if (settings.Has(kMessageText) && settings.Has(kMessageDelay))
    {
        const std::string address = FirstWord(settings.Text(kMessageText));
        if (!address.empty())
            expectations.push_back(Expectation{kMessageText, address, false, kMessageDelay,
                                               settings.Thousandths(kMessageDelay), inBeats});
    }
    return expectations;
}

} // namespace standin
