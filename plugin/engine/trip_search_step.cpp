#include "plugin/engine/trip_search_step.h"

#include "common/fixed_text.h"
#include "plugin/engine/found_place.h"
#include "plugin/model/show_copy.h"
#include "plugin/services/concert_search.h"

#include <cstdio>

namespace {

// The show as the trip found it, for the concerts list; its choice and UID came from the list
// before when the trip's search added it.
SHOWENTRY* tripShow(const SHOWENTRY& found, const Trip& trip) {
    SHOWENTRY* show = newShowLike(found);
    vx::copyText(show->uid, found.uid);
    show->selected = found.selected;
    show->nameList->combine(found.nameList);
    vx::copyText(show->foundCity, trip.city.c_str());
    vx::copyText(show->foundState, trip.region.c_str());
    show->foundRadius = trip.radius;
    show->onTrip = true;
    return show;
}

} // namespace

void mergeTripShows(const SHOWLIST& found, const Trip& trip, SHOWLIST& concerts, SHOWLIST* previous) {
    // A show home's search listed too stays home's: addShow merges it into that one.
    for (const SHOWENTRY* e = found.head; e; e = e->next)
        if (tripCovers(trip, {e->year, e->month, e->day})) concerts.addShow(tripShow(*e, trip), previous);
}

int searchTrips(WebSession& engine, XML_Artist_List& artists) {
    PluginData& root = *engine.root;
    for (const Trip& trip : vx::tripsToSearch(root, vx::localToday())) {
        SHOWLIST found;
        const ConcertSearchPlace place =
            concertSearchPlace(trip.city.c_str(), trip.region.c_str(), trip.radius);
        char problem[256];
        root.state.getRefreshProblem(problem);
        if (searchConcertsAt(engine, artists, place, found) != 0) {
            if (engine.stopRequested()) return 1;
            // A trip that cannot be searched now keeps home's finished search and the other trips;
            // its chosen shows stay as kept choices, and the screen keeps home's own message.
            root.state.setRefreshProblem(problem);
            std::fprintf(stderr,
                         "Voxtrail: the search near %s, %s failed; trying again at the next refresh\n",
                         trip.city.c_str(), trip.region.c_str());
            continue;
        }
        if (engine.stopRequested()) return 1;
        mergeTripShows(found, trip, *root.concerts, root.previousConcerts);
        root.redraw();
    }
    return 0;
}
