#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace
{

// Names of the defined dynamic symbols, as the host's loader sees them.
std::set<std::string> DefinedDynamicSymbols(const std::string& path)
{
    const std::string command = "nm -D --defined-only '" + path + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
    std::set<std::string> names;
    if (!pipe)
        return names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get()))
    {
        std::istringstream fields(line);
        std::string address, kind, name;
        if (fields >> address >> kind >> name)
            names.insert(name);
    }
    return names;
}

TEST(ExportedSymbols, OnlyTheTwoEntryPointsAreExported)
{
    const std::set<std::string> names = DefinedDynamicSymbols(VDRX_PLUGIN_PATH);
    EXPECT_EQ(names, (std::set<std::string>{"SetLogCallback", "plugMain"}));
}

} // namespace
