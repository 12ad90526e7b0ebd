// Keeps the GL driver's libraries loaded for the life of the process, as a video host does.
#pragma once

#include <set>
#include <string>

namespace testhost
{
// The file names of every library mapped into the process now.
std::set<std::string> LoadedLibraryNames();

// Pins every library loaded since `before` was taken. Mesa's driver keeps tables it makes once
// in its own globals; unloaded at context end, LeakSanitizer would count them as leaks of ours.
void KeepLibrariesLoadedSince(const std::set<std::string>& before);
} // namespace testhost
