#include "service/civil_date.h"

#include <cstdio>
#include <ctime>

namespace vxs {

// Howard Hinnant's days_from_civil / civil_from_days.
long daysFromCivil(const CivilDate& date) {
    long y = date.year - (date.month <= 2 ? 1 : 0);
    long era = (y >= 0 ? y : y - 399) / 400;
    long yoe = y - era * 400;
    long mp = (date.month + 9) % 12;
    long doy = (153 * mp + 2) / 5 + date.day - 1;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate civilFromDays(long days) {
    days += 719468;
    long era = (days >= 0 ? days : days - 146096) / 146097;
    long doe = days - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long y = yoe + era * 400;
    long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long mp = (5 * doy + 2) / 153;
    CivilDate d;
    d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    d.year = static_cast<int>(y + (d.month <= 2 ? 1 : 0));
    return d;
}

int daysInMonth(int year, int month) {
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : lengths[month - 1];
}

std::optional<CivilDate> parseIsoDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != 4 && i != 7 && (text[i] < '0' || text[i] > '9')) return std::nullopt;
    CivilDate d;
    d.year = std::stoi(text.substr(0, 4));
    d.month = std::stoi(text.substr(5, 2));
    d.day = std::stoi(text.substr(8, 2));
    if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > daysInMonth(d.year, d.month)) return std::nullopt;
    return d;
}

std::string isoDate(const CivilDate& date) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", date.year, date.month, date.day);
    return buf;
}

CivilDate localToday() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

} // namespace vxs
