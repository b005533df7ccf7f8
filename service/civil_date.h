#pragma once
// Proleptic Gregorian dates counted in days since 1970-01-01.
#include <optional>
#include <string>

namespace vxs {

struct CivilDate {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;   // 1..31

    bool operator==(const CivilDate&) const = default;
};

long daysFromCivil(const CivilDate& date);
CivilDate civilFromDays(long days);
int daysInMonth(int year, int month);

// "YYYY-MM-DD" with a real calendar day, or nothing.
std::optional<CivilDate> parseIsoDate(const std::string& text);
std::string isoDate(const CivilDate& date);

// The local calendar day of this machine.
CivilDate localToday();

} // namespace vxs
