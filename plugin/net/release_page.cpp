#include "plugin/net/release_page.h"

#include "plugin/model/text_helpers.h"

#include <optional>

namespace {

constexpr std::string_view kFormatEnd = "@@";

// The text between the first opening tag of the line and the first closing tag of the line. A
// closing tag standing before its opening one leaves the field missing.
std::optional<std::string_view> field(std::string_view line, std::string_view open, std::string_view close) {
    const std::size_t start = line.find(open);
    if (start == std::string_view::npos) return std::nullopt;
    const std::size_t end = line.find(close);
    const std::size_t from = start + open.size();
    if (end == std::string_view::npos || end < from) return std::nullopt;
    return line.substr(from, end - from);
}

} // namespace

bool readReleaseLines(std::string_view page, const std::function<bool(const ReleaseLine&)>& take) {
    std::size_t lineStart = 0;
    for (std::size_t lineEnd = page.find('\n'); lineEnd != std::string_view::npos;
         lineStart = lineEnd + 1, lineEnd = page.find('\n', lineStart)) {
        const std::string_view line = page.substr(lineStart, lineEnd - lineStart);
        if (line.size() > kReleaseLineLimit) break;
        const auto date = field(line, "<D>", "</D>");
        const auto artist = field(line, "<A>", "</A>");
        const auto title = field(line, "<T>", "</T>");
        const auto formats = field(line, "<F>", "</F>");
        const auto link = field(line, "<L>", "</L>");
        if (!date || !artist || !title || !formats || !link) continue;
        if (!take(ReleaseLine{*date, *artist, *title, *formats, *link})) return false;
    }
    return true;
}

bool readReleaseDate(std::string_view text, ReleaseDate& date) {
    // "%d-%d-%d": each number ends where its digits do, and a '-' must follow the first two.
    std::optional<int> parts[3];
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        const std::string_view rest = text.substr(at);
        parts[i] = vx::leadingNumber(rest);
        if (!parts[i]) return false;
        std::size_t j = 0;
        while (j < rest.size() && (rest[j] == ' ' || (rest[j] >= '\t' && rest[j] <= '\r')))
            ++j;
        if (j < rest.size() && (rest[j] == '+' || rest[j] == '-')) ++j;
        while (j < rest.size() && rest[j] >= '0' && rest[j] <= '9')
            ++j;
        at += j;
        if (i < 2) {
            if (at >= text.size() || text[at] != '-') return false;
            ++at;
        }
    }
    if (*parts[1] < 1 || *parts[1] > 12 || *parts[2] < 1 || *parts[2] > 31 || *parts[0] < 1 ||
        *parts[0] > 9999)
        return false;
    date.year = *parts[0];
    date.month = *parts[1];
    date.day = *parts[2];
    return true;
}

std::vector<std::string> releaseFormats(std::string_view field) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t end = field.find(kFormatEnd); end != std::string_view::npos;
         start = end + kFormatEnd.size(), end = field.find(kFormatEnd, start)) {
        const std::string_view name = field.substr(start, end - start);
        if (!name.empty()) names.emplace_back(name.substr(0, kReleaseFormatLimit));
    }
    return names;
}
