#pragma once
// What makes a trip: the checks of the Places tab and of the preferences file's trips line.
#include "plugin/model/trips.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

// Today's local date.
DayDate localToday();

// The typed fields of a trip, as the Places tab holds them.
struct TripFields {
    std::string city, region, radius, from, to;
};

struct TripProblem {
    enum Field { None, City, Region, Radius, From, To, Ended };
    Field field = None;
    std::string message; // what to type instead
};

// Reads the fields into trip; the first field at fault otherwise. A trip must not have ended
// before today.
TripProblem readTrip(const TripFields& fields, DayDate today, Trip& trip);

// "2027-03-03", or "3/3/2027" as the US writes it; false for anything else or no calendar date.
bool readDayDate(std::string_view text, DayDate& date);
// "2027-03-03".
std::string dayDateText(DayDate date);

// The preferences file's trips line, line feed included; "" without trips (the file then reads
// as older versions wrote it). Older versions drop the line, as any line that is no show.
std::string tripsLine(const std::vector<Trip>& trips);
bool isTripsLine(std::string_view line);
// The trips of the line, those ended before today left out; nothing when the line is damaged.
std::optional<std::vector<Trip>> readTripsLine(std::string_view line, DayDate today);

} // namespace vx
