#include "plugin/engine/trip_search_step.h"

#include "common/fixed_text.h"
#include "platform/boundary_guard.h"
#include "plugin/engine/found_place.h"
#include "plugin/engine/side_by_side.h"
#include "plugin/services/concert_search.h"

#include <cstdio>
#include <mutex>

void mergeTripShows(SHOWLIST& found, const Trip& trip, SHOWLIST& concerts) {
    // The trip's own records move over, noted as found on the trip: a trip's search may list
    // thousands of shows, each worth a few kilobytes to copy. A show home's search listed too
    // stays home's: addShow merges it into that one. The trip's list took the choices and UIDs
    // over from the last refresh as it was filled, so the last list is not looked in again.
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
        concerts.addShow(e, nullptr);
    }
}

// Marks a trip's search ended, or every search when index is the count, on every way out.
struct TripSearches::EndMark {
    TripSearches& searches;
    std::size_t index;
    ~EndMark() {
        {
            const std::lock_guard<std::mutex> held(searches.endMutex_);
            if (index < searches.ended_.size())
                searches.ended_[index] = 1;
            else
                searches.allEnded_ = true;
        }
        searches.endChanged_.notify_all();
    }
};

TripSearches::TripSearches(WebSession& engine, XML_Artist_List& artists)
    : engine_(engine), trips_(vx::tripsToSearch(*engine.root, vx::localToday())), found_(trips_.size()),
      searched_(trips_.size(), 0), ended_(trips_.size(), 0) {
    if (trips_.empty()) return;
    searching_ = vx::startGuardedThread("trip searches", [this, &artists] {
        const EndMark allEnded{*this, trips_.size()};
        // More searches than cores: a search mostly waits for the service, and fetches go at once.
        constexpr std::size_t kSearchesAtOnce = 4;
        runSideBySide(
            trips_.size(),
            [&](std::size_t i) {
                const EndMark ended{*this, i};
                if (engine_.stopRequested() || abandoned_) return;
                const Trip& trip = trips_[i];
                const ConcertSearchPlace place =
                    concertSearchPlace(trip.city.c_str(), trip.region.c_str(), trip.radius);
                try {
                    searched_[i] = searchConcertsAt(engine_, artists, place, found_[i], nullptr, nullptr,
                                                    nullptr, &trip) == 0;
                } catch (...) {
                    const std::lock_guard<std::mutex> held(failureMutex_);
                    if (!failure_) failure_ = std::current_exception();
                }
            },
            kSearchesAtOnce);
    });
}

TripSearches::~TripSearches() {
    abandoned_ = true;
    if (searching_.joinable()) searching_.join();
}

bool TripSearches::failed() {
    const std::lock_guard<std::mutex> held(failureMutex_);
    return failure_ != nullptr;
}

int TripSearches::finish() {
    PluginData& root = *engine_.root;
    // The lists join the concerts in the trips' order, so a show two trips list is labelled as
    // the first trip's. Each joins as soon as its search ends, while later trips are still
    // searched: when the last search ends, only its list is left to join.
    for (std::size_t i = 0; i < trips_.size(); ++i) {
        {
            std::unique_lock<std::mutex> held(endMutex_);
            endChanged_.wait(held, [&] { return ended_[i] || allEnded_; });
        }
        // A failed or stopped refresh is rolled back whole: what joined so far goes with it.
        if (failed() || engine_.stopRequested()) break;
        if (!searched_[i]) {
            // A trip that cannot be searched now keeps home's search and the other trips; its
            // chosen shows stay as kept choices, and the screen keeps home's own message.
            std::fprintf(stderr,
                         "Voxtrail: the search near %s, %s failed; trying again at the next refresh\n",
                         trips_[i].city.c_str(), trips_[i].region.c_str());
            continue;
        }
        mergeTripShows(found_[i], trips_[i], *root.concerts);
    }
    if (searching_.joinable()) searching_.join();
    if (failure_) std::rethrow_exception(failure_);
    if (engine_.stopRequested()) return 1;
    if (!trips_.empty()) root.redraw();
    return 0;
}
