// The stand-in's console: ordinary lines, details that --quiet leaves out, and one live status
// line that a terminal shows rewritten in place and anything else receives as one line per
// change.
#pragma once

#include <cstdio>
#include <string_view>

namespace standin
{

class Console
{
public:
    // `live`: rewrite the status line in place (the output is a terminal). `quiet`: only the
    // ordinary lines, no details and no status.
    Console(std::FILE* output, bool live, bool quiet);
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // A permanent line. It takes the place of a live status line, which stays away until the
    // next Status: redrawn below the line it would show a moment that has passed.
    void Line(std::string_view text);
    void Detail(std::string_view text);
    void Status(std::string_view text);
    // Leaves the live status line on the screen as an ordinary line.
    void EndStatus();
    bool Live() const { return live; }

private:
    void ClearStatus();

    std::FILE* out;
    bool live;
    bool quiet;
    bool statusShown = false;
};

} // namespace standin
