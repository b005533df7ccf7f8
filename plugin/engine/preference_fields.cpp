#include "plugin/engine/preference_fields.h"

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

std::string oneLine(const char* text) {
    std::string out(text ? text : "");
    for (char& c : out)
        if (c == '\n' || c == '\r') c = ' ';
    return out;
}

} // namespace vx
