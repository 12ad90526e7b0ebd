// The stand-in's standard output: ordinary lines, and one live status line that a terminal
// shows rewritten in place and anything else receives as one line per change.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace standin
{

class Console
{
public:
    // `live`: rewrite the status line in place (the output is a terminal).
    Console(std::FILE* output, bool live);
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // A permanent line; a live status line moves below it.
    void Line(std::string_view text);
    void Status(std::string_view text);
    // Leaves the live status line on the screen as an ordinary line.
    void EndStatus();

private:
    void ClearStatus();
    void DrawStatus();

    std::FILE* out;
    bool live;
    std::string status; // the line shown in place; empty when none
};

} // namespace standin
