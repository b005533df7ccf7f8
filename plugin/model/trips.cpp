#include "plugin/model/trips.h"

std::vector<Trip> TripList::get() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return trips_;
}

void TripList::set(std::vector<Trip> trips) {
    if (trips.size() > kMostTrips) trips.resize(kMostTrips);
    std::lock_guard<std::mutex> hold(mutex_);
    trips_ = std::move(trips);
}

bool tripCovers(const Trip& trip, DayDate date) {
    return trip.from <= date && date <= trip.to;
}

bool tripPassed(const Trip& trip, DayDate today) {
    return trip.to < today;
}

namespace {
std::string dayText(DayDate d, bool withYear) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (d.month < 1 || d.month > 12) return "";
    std::string text = std::string(kMonths[d.month - 1]) + " " + std::to_string(d.day);
    return withYear ? text + ", " + std::to_string(d.year) : text;
}
} // namespace

std::string tripText(const Trip& trip, int32_t thisYear) {
    const bool years = trip.from.year != thisYear || trip.to.year != thisYear;
    std::string text = trip.city;
    if (!trip.region.empty()) text += ", " + trip.region;
    return text + ", " + dayText(trip.from, years) + " to " + dayText(trip.to, years);
}
