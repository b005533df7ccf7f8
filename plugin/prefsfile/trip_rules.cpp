#include "plugin/prefsfile/trip_rules.h"

#include "plugin/model/protected_data.h"
#include "plugin/net/region_tables.h"
#include "plugin/prefsfile/preference_fields.h"

#include <cstdio>
#include <ctime>

namespace vx {

DayDate localToday() {
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    return {today.tm_year + 1900, today.tm_mon + 1, today.tm_mday};
}

namespace {

constexpr std::string_view kTripsPrefix = "trips@@";
constexpr std::size_t kTripFields = 5;

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool readNumber(std::string_view text, int32_t& n) {
    return !text.empty() && text.front() != ' ' && text.front() != '+' && text.front() != '-' &&
           readDecimal(text, n);
}

TripProblem problem(TripProblem::Field field, const char* message) {
    return {field, message};
}

} // namespace

bool readDayDate(std::string_view text, DayDate& date) {
    const char separator = text.find('-') != std::string_view::npos ? '-' : '/';
    const std::size_t a = text.find(separator), b = text.rfind(separator);
    if (a == std::string_view::npos || a == b) return false;
    int32_t n[3] = {};
    if (!readNumber(text.substr(0, a), n[0]) || !readNumber(text.substr(a + 1, b - a - 1), n[1]) ||
        !readNumber(text.substr(b + 1), n[2]))
        return false;
    const DayDate read = separator == '-' ? DayDate{n[0], n[1], n[2]} : DayDate{n[2], n[0], n[1]};
    if (read.year < 1000 || !isCalendarDate(read.year, read.month, read.day)) return false;
    date = read;
    return true;
}

std::string dayDateText(DayDate date) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(date.year),
                  static_cast<int>(date.month), static_cast<int>(date.day));
    return text;
}

TripProblem readTrip(const TripFields& fields, DayDate today, Trip& trip) {
    Trip read;
    read.city = trimmed(fields.city);
    read.region = trimmed(fields.region);
    if (read.city.empty()) return problem(TripProblem::City, "Type the city of the trip.");
    if (!isReadableText(read.city) || read.city.size() > 127)
        return problem(TripProblem::City, "Type the city on one line, in at most 127 characters.");
    if (read.region.empty()) return problem(TripProblem::Region, "Type the state, province or country.");
    if (!isReadableText(read.region) || read.region.size() > 63 || !regionKnown(read.region.c_str()))
        return problem(TripProblem::Region, kUnknownRegionAdvice);
    int32_t radius = 0;
    if (!readNumber(trimmed(fields.radius), radius) || radius < 1 ||
        radius > ProtectedData::kLargestSearchRadius)
        return problem(TripProblem::Radius, "The radius must be 1 to 300 miles.");
    read.radius = radius;
    if (!readDayDate(trimmed(fields.from), read.from))
        return problem(TripProblem::From, "Type the first day as 2027-03-03 or 3/3/2027.");
    if (!readDayDate(trimmed(fields.to), read.to))
        return problem(TripProblem::To, "Type the last day as 2027-03-07 or 3/7/2027.");
    if (read.to < read.from) return problem(TripProblem::To, "The last day comes before the first.");
    if (read.to < today) return problem(TripProblem::Ended, "This trip has ended already.");
    trip = std::move(read);
    return {};
}

std::string tripsLine(const std::vector<Trip>& trips) {
    if (trips.empty()) return "";
    std::string line(kTripsPrefix);
    for (const Trip& trip : trips) {
        for (const std::string& field : {trip.city, trip.region, std::to_string(trip.radius),
                                         dayDateText(trip.from), dayDateText(trip.to)}) {
            appendFieldValue(line, field);
            line += "@@";
        }
    }
    return line + "\n";
}

bool isTripsLine(std::string_view line) {
    return line.starts_with(kTripsPrefix);
}

std::optional<std::vector<Trip>> readTripsLine(std::string_view line, DayDate today) {
    if (!isTripsLine(line)) return std::nullopt;
    const std::vector<std::string_view> pieces = splitFields(line);
    // "trips", five fields a trip, and the empty piece after the last "@@".
    const std::size_t fields = pieces.size() - 2;
    if (!pieces.back().empty() || fields % kTripFields != 0 || fields / kTripFields > TripList::kMostTrips)
        return std::nullopt;
    std::vector<Trip> trips;
    for (std::size_t at = 1; at + 1 < pieces.size(); at += kTripFields) {
        const TripFields typed{fieldText(pieces[at]), fieldText(pieces[at + 1]), std::string(pieces[at + 2]),
                               std::string(pieces[at + 3]), std::string(pieces[at + 4])};
        Trip trip;
        const TripProblem found = readTrip(typed, today, trip);
        if (found.field == TripProblem::None)
            trips.push_back(std::move(trip));
        else if (found.field != TripProblem::Ended)
            return std::nullopt; // an ended trip is left out quietly; anything else is damage
    }
    return trips;
}

} // namespace vx
