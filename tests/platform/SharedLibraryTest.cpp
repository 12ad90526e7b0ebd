// Loading the built plug-in as a host does, through the platform's loader.
#include "platform/SharedLibrary.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace
{
using platform::IsSharedLibraryLoaded;
using platform::SharedLibrary;

const std::string kPlugin = VDRX_PLUGIN_PATH;

TEST(SharedLibrary, ResolvesExportedSymbolsAndAnswersNullForOthers)
{
    const SharedLibrary library(kPlugin);
    EXPECT_NE(library.Resolve("plugMain"), nullptr);
    EXPECT_NE(library.Resolve("SetLogCallback"), nullptr);
    EXPECT_EQ(library.Resolve("vdrxNoSuchSymbol"), nullptr);
}

TEST(SharedLibrary, ThrowsWithThePathAndTheLoadersReasonWhenTheFileIsMissing)
{
    const std::string missing = std::string(VDRX_BINARY_DIR) + "/NoSuchPlugin.so";
    try
    {
        SharedLibrary library(missing);
        FAIL() << "a missing file loaded";
    }
    catch (const std::runtime_error& error)
    {
        EXPECT_THAT(error.what(), ::testing::HasSubstr(missing));
        EXPECT_THAT(error.what(), ::testing::HasSubstr("No such file"));
    }
}

TEST(SharedLibrary, UnmapsTheLibraryWhenTheLastOwnerEnds)
{
    ASSERT_FALSE(IsSharedLibraryLoaded(kPlugin));
    {
        const SharedLibrary library(kPlugin);
        EXPECT_TRUE(IsSharedLibraryLoaded(kPlugin));
    }
    EXPECT_FALSE(IsSharedLibraryLoaded(kPlugin));
}

TEST(SharedLibrary, MovingHandsTheLibraryOverWithoutClosingIt)
{
    SharedLibrary first(kPlugin);
    SharedLibrary second(std::move(first));
    EXPECT_NE(second.Resolve("plugMain"), nullptr);
    {
        SharedLibrary third(kPlugin);
        third = std::move(second);
        EXPECT_NE(third.Resolve("plugMain"), nullptr);
        EXPECT_TRUE(IsSharedLibraryLoaded(kPlugin));
    }
    EXPECT_FALSE(IsSharedLibraryLoaded(kPlugin));
}
} // namespace
