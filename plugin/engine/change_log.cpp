#include "plugin/engine/change_log.h"

#include "common/durable_files.h"
#include "plugin/engine/preference_fields.h"

#include <deque>
#include <fstream>

namespace vx {

bool appendChangeLog(const std::string& path, const std::vector<std::string>& texts, std::time_t now) {
    if (texts.empty()) return true;
    std::deque<std::string> lines;
    {
        std::ifstream in(path, std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(std::move(line));
            if (lines.size() > kChangeLogLines) lines.pop_front();
        }
    }
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M ", &local);
    for (const std::string& text : texts) {
        lines.push_back(stamp + oneLine(text.c_str()));
        if (lines.size() > kChangeLogLines) lines.pop_front();
    }
    std::string out;
    for (const std::string& line : lines)
        out += line + "\n";
    return writeFileDurably(path, out, 0644);
}

} // namespace vx
