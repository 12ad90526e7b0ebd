// Every GL object the plug-in creates and deletes, seen through GLEW's entry points (which the
// plug-in calls and the host does not), with the instance it belongs to: each call's objects
// belong to the instance it made or worked on, and must be gone once that instance is.
#pragma once

namespace hostfuzz
{
namespace GlObjectLedger
{
// Wraps the entry points; after the plug-in has loaded GLEW. Host thread, once.
void Install();
// A call is over: what it created belongs to `owner`, the instance it made or worked on. A
// call that has none (it failed to make one, or needs none) may leave no object behind.
void EndCall(const void* owner);
// `owner` was deleted: none of its objects may be left.
void CheckReleased(const void* owner);
} // namespace GlObjectLedger
} // namespace hostfuzz
