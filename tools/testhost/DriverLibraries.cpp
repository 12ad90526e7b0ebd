#include "tools/testhost/DriverLibraries.h"

#include <dlfcn.h>
#include <link.h>

#include <cstddef>

namespace testhost
{

std::set<std::string> LoadedLibraryNames()
{
    std::set<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* out)
        {
            if (info->dlpi_name[0] != '\0')
                static_cast<std::set<std::string>*>(out)->insert(info->dlpi_name);
            return 0;
        },
        &names);
    return names;
}

void KeepLibrariesLoadedSince(const std::set<std::string>& before)
{
    for (const std::string& name : LoadedLibraryNames())
        if (!before.contains(name))
            dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

} // namespace testhost
