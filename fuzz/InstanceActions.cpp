// Instances as hosts make and end them: viewports of odd sizes or none, Initialise and
// Deinitialise at any moment, resizes.
#include "fuzz/FuzzCheck.h"
#include "fuzz/HostSession.h"
#include "fuzz/NetworkStandIn.h"
#include "tools/testhost/FunctionCode.h"

namespace hostfuzz
{
namespace
{
using testhost::Mixed;
using testhost::MixedPtr;
using testhost::ViewportIn;

// Null for no record at all.
const ViewportIn* PickViewport(ByteReader& reader, ViewportIn& viewport)
{
    switch (reader.Pick(5))
    {
    case 0:
        return nullptr;
    case 1:
        viewport = ViewportIn{reader.U32(), reader.U32(), reader.U32(), reader.U32()};
        return &viewport;
    case 2:
        viewport = ViewportIn{0, 0, 0, 0};
        return &viewport;
    case 3:
        viewport = ViewportIn{0, 0, 65535, 1};
        return &viewport;
    default:
        viewport = ViewportIn{0, 0, 1 + reader.Pick(4096), 1 + reader.Pick(4096)};
        return &viewport;
    }
}
} // namespace

void Instantiate(HostSession& host, ByteReader& reader)
{
    ViewportIn viewport{};
    const ViewportIn* record = PickViewport(reader, viewport);
    if (host.Instances().size() >= HostSession::kMostInstances)
        return;
    const Mixed result =
        host.Call(testhost::kInstantiateGL, MixedPtr(record), nullptr, "InstantiateGL");
    if (!record)
        FUZZ_CHECK(result.u32 == testhost::kFail);
    if (result.u32 == testhost::kFail)
        return;
    FUZZ_CHECK(result.ptr != nullptr);
    LiveInstance live;
    live.id = result.ptr;
    host.Instances().push_back(live);
    NetworkStandIn::InstanceMade(live.id);
}

void Deinstantiate(HostSession& host, ByteReader& reader)
{
    const std::uint32_t slot = reader.Pick(HostSession::kMostInstances);
    if (slot < host.Instances().size())
        host.DeleteInstance(slot);
}

void Initialise(HostSession& host, ByteReader& reader)
{
    if (reader.Flag())
        host.Call(testhost::kInitialise, MixedPtr(nullptr), nullptr, "Initialise");
    else
        host.Call(testhost::kDeinitialise, MixedPtr(nullptr), nullptr, "Deinitialise");
}

void Resize(HostSession& host, ByteReader& reader)
{
    void* instance = host.PickTarget(reader);
    ViewportIn viewport{};
    host.Call(testhost::kResize, MixedPtr(PickViewport(reader, viewport)), instance, "Resize");
}
} // namespace hostfuzz
