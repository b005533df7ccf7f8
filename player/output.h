#pragma once
// The player's lines on stdout (what scripts and tests read) and its notes on stderr; each line
// is written whole and flushed at once.
#include <string>
#include <string_view>

namespace vx::player {

void printLine(std::string_view line);
void printNote(std::string_view line); // stderr, prefixed "vxplayer: "

// Line breaks shown as "\n" and "\r", so that a text always takes exactly one output line.
std::string oneLine(std::string_view text);

} // namespace vx::player
