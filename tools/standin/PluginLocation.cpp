#include "tools/standin/PluginLocation.h"

#include <filesystem>
#include <system_error>

namespace standin
{

std::string DefaultPluginPath()
{
    const std::filesystem::path built = VDRX_BUILT_PLUGIN;
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
    {
        const std::filesystem::path beside = self.parent_path() / built.filename();
        if (std::filesystem::exists(beside, error))
            return beside.string();
    }
    return built.string();
}

std::string ResolvePluginPath(const std::string& given)
{
    return given.empty() ? DefaultPluginPath()
                         : std::filesystem::absolute(given).lexically_normal().string();
}

} // namespace standin
