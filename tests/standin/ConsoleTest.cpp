// The live status line: rewritten in place on a terminal, one line per change elsewhere, never
// mixed into the ordinary lines nor redrawn below them with a moment that has passed; --quiet
// keeps the ordinary lines only.
#include "tools/standin/Console.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace
{
using standin::Console;

std::string Written(bool live, const std::function<void(Console&)>& write, bool quiet = false)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    {
        Console console(out, live, quiet);
        write(console);
    }
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

void StatusLinesAndStatus(Console& console)
{
    console.Status("[setup] Status: idle");
    console.Detail("[clip 1 +0.000s] clip 1 starts");
    console.Line("[clip 1 +0.001s] OSC /a ,i 1");
    console.Status("[clip 1 +0.017s] Status: Tok");
}

TEST(Console, ElsewhereEachStatusIsALine)
{
    EXPECT_EQ(Written(false, StatusLinesAndStatus),
              "[setup] Status: idle\n[clip 1 +0.000s] clip 1 starts\n"
              "[clip 1 +0.001s] OSC /a ,i 1\n[clip 1 +0.017s] Status: Tok\n");
}

TEST(Console, OnATerminalALineTakesTheStatusPlaceUntilTheNextStatus)
{
    EXPECT_EQ(Written(true, StatusLinesAndStatus), "\r\x1b[K[setup] Status: idle"
                                                   "\r\x1b[K[clip 1 +0.000s] clip 1 starts\n"
                                                   "[clip 1 +0.001s] OSC /a ,i 1\n"
                                                   "\r\x1b[K[clip 1 +0.017s] Status: Tok"
                                                   "\n");
    EXPECT_EQ(Written(true, [](Console& console) { console.Line("plain"); }), "plain\n");
}

TEST(Console, QuietKeepsOnlyTheOrdinaryLines)
{
    EXPECT_EQ(Written(false, StatusLinesAndStatus, true), "[clip 1 +0.001s] OSC /a ,i 1\n");
    EXPECT_EQ(Written(true, StatusLinesAndStatus, true), "[clip 1 +0.001s] OSC /a ,i 1\n");
}

} // namespace
