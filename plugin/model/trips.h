#pragma once
// The user's trips: places searched besides home, each for a range of dates. A refresh searches
// every trip whose range has not passed and keeps a trip's shows only inside its dates.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct DayDate {
    int32_t year = 0, month = 0, day = 0;
    auto operator<=>(const DayDate&) const = default;
};

struct Trip {
    std::string city, region; // as typed
    int radius = 0;
    DayDate from, to;
    bool operator==(const Trip&) const = default;
};

class TripList {
  public:
    static constexpr std::size_t kMostTrips = 10;

    std::vector<Trip> get() const;
    // Keeps the first kMostTrips.
    void set(std::vector<Trip> trips);

  private:
    mutable std::mutex mutex_;
    std::vector<Trip> trips_;
};

bool tripCovers(const Trip& trip, DayDate date);
bool tripPassed(const Trip& trip, DayDate today);
// "Chicago, IL, Mar 3 to Mar 7" (the years when the range leaves this year).
std::string tripText(const Trip& trip, int32_t thisYear);
