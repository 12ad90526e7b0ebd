// The live status line: rewritten in place on a terminal, one line per change elsewhere, and
// never mixed into the ordinary lines.
#include "tools/standin/Console.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace
{
using standin::Console;

std::string Written(bool live, const std::function<void(Console&)>& write)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    {
        Console console(out, live);
        write(console);
    }
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

void StatusLineAndStatus(Console& console)
{
    console.Status("Status: T1.0s");
    console.Line("OSC /a ,i 1");
    console.Status("Status: Tok");
}

TEST(Console, ElsewhereEachStatusIsALine)
{
    EXPECT_EQ(Written(false, StatusLineAndStatus), "Status: T1.0s\nOSC /a ,i 1\nStatus: Tok\n");
}

TEST(Console, OnATerminalTheStatusIsRewrittenBelowTheLines)
{
    EXPECT_EQ(Written(true, StatusLineAndStatus), "\r\x1b[KStatus: T1.0s"
                                                  "\r\x1b[KOSC /a ,i 1\n\r\x1b[KStatus: T1.0s"
                                                  "\r\x1b[KStatus: Tok"
                                                  "\n");
    EXPECT_EQ(Written(true, [](Console& console) { console.Line("plain"); }), "plain\n");
}

} // namespace
