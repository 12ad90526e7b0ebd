// Files the stand-in writes when the play is over, checked before it starts, so that a typing
// mistake does not cost the run.
#pragma once

#include <string>
#include <string_view>

namespace standin
{

// Throws UsageError naming the option and the reason when `path` cannot be opened for writing.
// Leaves an existing file as it was and creates none.
void RequireWritable(std::string_view option, const std::string& path);

} // namespace standin
