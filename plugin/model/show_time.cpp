#include "plugin/model/show_time.h"

#include "common/fixed_text.h"

#include <cstdio>
#include <string>

namespace vx {

namespace {

bool digits(std::string_view text, int& value) {
    if (text.empty() || text.size() > 2) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

bool zoneByte(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '+';
}

} // namespace

bool readStartTime(std::string_view text, int& hour, int& minute) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || text.size() - colon != 3) return false;
    int h = 0, m = 0;
    if (!digits(text.substr(0, colon), h) || !digits(text.substr(colon + 1), m) || h > 23 || m > 59)
        return false;
    hour = h;
    minute = m;
    return true;
}

bool isZoneName(std::string_view text) {
    if (text.empty() || text.size() >= sizeof(SHOWENTRY::timeZone)) return false;
    std::size_t partStart = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '/') {
            if (!zoneByte(text[i])) return false;
            continue;
        }
        const std::string_view part = text.substr(partStart, i - partStart);
        if (part.empty()) return false;
        partStart = i + 1;
    }
    return true;
}

void setShowTime(SHOWENTRY& show, std::string_view time, std::string_view zone) {
    int hour = 0, minute = 0;
    show.startTime[0] = '\0';
    show.timeZone[0] = '\0';
    if (!readStartTime(time, hour, minute)) return;
    char text[sizeof show.startTime];
    std::snprintf(text, sizeof text, "%02d:%02d", hour, minute);
    copyText(show.startTime, text);
    if (!isZoneName(zone)) return;
    copyText(show.timeZone, std::string(zone).c_str());
}

bool showStartTime(const SHOWENTRY& show, int& hour, int& minute) {
    return readStartTime(show.startTime, hour, minute);
}

} // namespace vx
