#include "plugin/prefsfile/preference_fields.h"

#include <charconv>
#include <cmath>

namespace vx {

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> pieces;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = line.find("@@", from);
        if (at == std::string_view::npos) break;
        pieces.push_back(line.substr(from, at - from));
        from = at + 2;
    }
    pieces.push_back(line.substr(from));
    return pieces;
}

bool readDecimal(std::string_view text, int32_t& value, bool whole) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    const std::size_t digitsFrom = i;
    int64_t n = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        n = n * 10 + (text[i] - '0');
        if (n > int64_t{INT32_MAX} + 1) return false;
        ++i;
    }
    if (i == digitsFrom) return false;
    if (whole && i != text.size()) return false;
    if (negative) n = -n;
    if (n > INT32_MAX || n < INT32_MIN) return false;
    value = static_cast<int32_t>(n);
    return true;
}

bool readReal(std::string_view text, double& value) {
    // from_chars ignores the process locale, which the host may have set to decimal commas.
    double n = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(n)) return false;
    value = n;
    return true;
}

std::string realText(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 6);
    return std::string(buffer, result.ptr);
}

namespace {

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7F;
}

// True for an "@" at text[at] that only blanks (or none) part from another "@" or the end.
bool atRunsIntoAt(std::string_view text, std::size_t at) {
    if (text[at] != '@') return false;
    const std::size_t next = text.find_first_not_of(' ', at + 1);
    return next == std::string_view::npos || text[next] == '@';
}

} // namespace

std::string oneLine(const char* text) {
    std::string out(text ? text : "");
    for (char& c : out)
        if (isControl(c)) c = ' ';
    return out;
}

void appendFieldValue(std::string& out, std::string_view text) {
    // Control bytes count as the blanks they are written as.
    auto blank = [](char c) { return c == ' ' || isControl(c); };
    std::size_t plain = 0; // where the run of bytes written as they are began
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool control = isControl(c);
        if (!control && c != '@') continue;
        out.append(text.substr(plain, i - plain));
        plain = i + 1;
        out += control ? ' ' : '@';
        if (control) continue;
        std::size_t next = i + 1;
        while (next < text.size() && blank(text[next]))
            ++next;
        if (next == text.size() || text[next] == '@') out += ' ';
    }
    out.append(text.substr(plain));
}

std::string fieldValue(const char* text) {
    std::string out;
    if (text) appendFieldValue(out, text);
    return out;
}

std::string fieldText(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        out += field[i];
        // The blank fieldValue added; an "@" directly before "@" or the end was never written.
        if (i + 1 < field.size() && field[i + 1] == ' ' && atRunsIntoAt(field, i)) ++i;
    }
    return out;
}

bool isCalendarDate(int32_t year, int32_t month, int32_t day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    static constexpr int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool isReadableText(std::string_view text) {
    for (char c : text)
        if (isControl(c)) return false;
    return true;
}

} // namespace vx
