#pragma once
// Reading the plug-in's preferences file in end-to-end tests: its lines and "@@" fields.
#include <sstream>
#include <string>
#include <vector>

namespace vx::e2e {

inline const std::string kSupportFolder = "Library/Application Support/Voxtrail/";
inline const std::string kLibraryFile = "Music/iTunes/iTunes Music Library.xml";

// The "@@"-ended fields of a line (text after the last "@@" is not a field).
inline std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t at; (at = line.find("@@", start)) != std::string::npos; start = at + 2)
        out.push_back(line.substr(start, at - start));
    return out;
}

// Line n (from 1) of a text.
inline std::string lineOf(const std::string& text, int n) {
    std::istringstream in(text);
    std::string line;
    for (int i = 1; std::getline(in, line); ++i)
        if (i == n) return line;
    return "";
}

// The show lines of one kind (0 concerts, 1 friends' shows, 2 album releases), in file order.
inline std::vector<std::string> showLines(const std::string& prefs, int kind) {
    std::vector<std::string> out;
    const std::string head = std::to_string(kind) + "@@";
    std::istringstream in(prefs);
    std::string line;
    for (int n = 1; std::getline(in, line); ++n)
        if (n >= 10 && line.rfind(head, 0) == 0) out.push_back(line);
    return out;
}

} // namespace vx::e2e
