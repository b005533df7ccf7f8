#include "plugin/engine/trip_search_step.h"

#include "common/fixed_text.h"
#include "plugin/engine/found_place.h"
#include "plugin/engine/side_by_side.h"
#include "plugin/services/concert_search.h"

#include <cstdio>
#include <vector>

void mergeTripShows(SHOWLIST& found, const Trip& trip, SHOWLIST& concerts, SHOWLIST* previous) {
    // The trip's own records move over, noted as found on the trip: a trip's search may list
    // thousands of shows, each worth a few kilobytes to copy. A show home's search listed too
    // stays home's: addShow merges it into that one.
    for (SHOWENTRY *e = found.takeEntries(), *next; e; e = next) {
        next = e->next;
        e->next = e->prev = nullptr;
        if (!tripCovers(trip, {e->year, e->month, e->day})) {
            delete e;
            continue;
        }
        vx::copyText(e->foundCity, trip.city.c_str());
        vx::copyText(e->foundState, trip.region.c_str());
        e->foundRadius = trip.radius;
        e->onTrip = true;
        concerts.addShow(e, previous);
    }
}

int searchTrips(WebSession& engine, XML_Artist_List& artists) {
    PluginData& root = *engine.root;
    const std::vector<Trip> trips = vx::tripsToSearch(root, vx::localToday());
    char problem[256];
    root.state.getRefreshProblem(problem);
    // Each trip is searched into a list of its own, side by side, and the lists join the
    // concerts in the trips' order, so a show two trips list is labelled as before.
    std::vector<SHOWLIST> found(trips.size());
    std::vector<char> searched(trips.size(), 0);
    // More searches than cores: a search mostly waits for the service, and fetches go at once.
    constexpr std::size_t kSearchesAtOnce = 4;
    runSideBySide(
        trips.size(),
        [&](std::size_t i) {
            if (engine.stopRequested()) return;
            const Trip& trip = trips[i];
            const ConcertSearchPlace place =
                concertSearchPlace(trip.city.c_str(), trip.region.c_str(), trip.radius);
            searched[i] =
                searchConcertsAt(engine, artists, place, found[i], nullptr, nullptr, nullptr, &trip) == 0;
        },
        kSearchesAtOnce);
    if (engine.stopRequested()) return 1;
    for (std::size_t i = 0; i < trips.size(); ++i) {
        if (!searched[i]) {
            // A trip that cannot be searched now keeps home's finished search and the other trips;
            // its chosen shows stay as kept choices, and the screen keeps home's own message.
            root.state.setRefreshProblem(problem);
            std::fprintf(stderr,
                         "Voxtrail: the search near %s, %s failed; trying again at the next refresh\n",
                         trips[i].city.c_str(), trips[i].region.c_str());
            continue;
        }
        mergeTripShows(found[i], trips[i], *root.concerts, root.previousConcerts);
    }
    root.redraw();
    return 0;
}
