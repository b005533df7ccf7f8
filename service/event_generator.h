#pragma once
// Generates the concerts of the catalogue's artists: each artist's shows in a
// calendar month depend only on the artist's name, the month and the venue
// table, so the same dates come back on every run and on every day.
#include "service/catalogue.h"
#include "service/civil_date.h"
#include "service/venue_table.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vxs {

struct Event {
    std::vector<std::size_t> performers; // catalogue indexes, the headliner first
    CivilDate date;
    std::size_t venue = 0; // index into VenueTable::venues()
    std::uint64_t id = 0;  // stable across runs
};

// A place that draws a share of every artist's shows, so a demo calendar there is never empty.
struct FocusArea {
    double lat = 0;
    double lon = 0;
    double radiusMiles = 75;
};

constexpr int kSourceCount = 2;

// Which of the concert sources lists the event: each lists about two thirds of
// all events, so the two overlap in part.
bool listedBySource(const Event& event, int source);

// The shows dated from today up to, not including, today + 365 days, sorted by
// date, then venue, then headliner.
std::vector<Event> generateEvents(const Catalogue& catalogue, const VenueTable& venues,
                                  const CivilDate& today, const std::optional<FocusArea>& focus);

} // namespace vxs
