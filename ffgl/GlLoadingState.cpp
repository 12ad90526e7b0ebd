#include "ffgl/GlLoadingState.h"

#include "platform/GlewLoader.h"

namespace ffgl
{
namespace
{
bool attempted = false;
bool succeeded = false;
} // namespace

bool EnsureGlEntryPoints()
{
    if (!attempted)
    {
        attempted = true;
        succeeded = platform::LoadGlEntryPoints();
    }
    return succeeded;
}
} // namespace ffgl
