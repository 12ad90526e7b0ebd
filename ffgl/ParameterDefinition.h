// One entry of a plug-in's parameter registry.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace ffgl
{

struct ParameterElement
{
    std::string name;
    float value = 0.0f;
};

// Pending event bits, raised and collected during the host's calls on its render thread. Atomic
// as the controller's own state is, which does not rely on the one thread; copying takes a
// snapshot, which the registry needs only while it is being filled.
class EventBits
{
public:
    EventBits() = default;
    EventBits(const EventBits& other) : bits(other.bits.load()) {}
    EventBits& operator=(const EventBits& other)
    {
        bits.store(other.bits.load());
        return *this;
    }

    void Raise(std::uint64_t raised) { bits.fetch_or(raised); }
    std::uint64_t Take() { return bits.exchange(0); }
    std::uint64_t Peek() const { return bits.load(); }

private:
    std::atomic<std::uint64_t> bits{0};
};

struct ParameterDefinition
{
    std::uint32_t index = 0;
    std::string name;
    std::string displayName;
    std::uint32_t type = 0;
    std::vector<ParameterElement> elements{ParameterElement{}};
    std::vector<std::uint32_t> valueList;
    std::uint32_t attribute = 0;
    bool flag = true;
    float minimum = 0.0f;
    float maximum = 1.0f;
    float defaultValue = 0.0f;
    std::string defaultText;
    std::vector<std::string> textList;
    EventBits eventFlags;
    std::string extraText;
};

} // namespace ffgl
