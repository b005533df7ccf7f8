#include "player/output.h"

#include <cstdio>
#include <mutex>

namespace vx::player {

namespace {
std::mutex outputMutex;

void writeLine(FILE* f, std::string_view prefix, std::string_view line) {
    std::lock_guard lock(outputMutex);
    std::fwrite(prefix.data(), 1, prefix.size(), f);
    std::fwrite(line.data(), 1, line.size(), f);
    std::fputc('\n', f);
    std::fflush(f);
}
} // namespace

void printLine(std::string_view line) {
    writeLine(stdout, "", line);
}

void printNote(std::string_view line) {
    writeLine(stderr, "vxplayer: ", line);
}

std::string oneLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

} // namespace vx::player
