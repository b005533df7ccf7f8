#pragma once
// The trips' part of a concert refresh: each trip whose dates have not passed is searched beside
// home's search, and the shows it lists inside its dates join the concerts list after home's.
#include "plugin/net/web_session.h"

#include "plugin/model/show_list.h"
#include "plugin/model/trips.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

class XML_Artist_List;

// Moves the shows of found that fall inside the trip's dates to concerts, each noted as found on
// the trip, and empties found; one that concerts holds already (home found it too) stays one show.
void mergeTripShows(SHOWLIST& found, const Trip& trip, SHOWLIST& concerts);

// The trips' searches, begun on a thread of their own so that their fetching and matching go on
// while home's search runs; each trip fills a list of its own. Joined on every way out; when home's
// search fails first, trips not yet begun are not searched.
class TripSearches {
  public:
    TripSearches(WebSession& engine, XML_Artist_List& artists);
    ~TripSearches();
    TripSearches(const TripSearches&) = delete;
    TripSearches& operator=(const TripSearches&) = delete;

    // Moves the trips' shows into the concerts list, after home's search filled it, each trip's as
    // its search ends; 0 when done (a trip that failed is passed over), 1 when a stop came. An
    // exception of a trip's search is thrown here, so the refresh fails as it would have on its
    // own thread; after a stop or an exception the list holds part of the trips' shows, and the
    // refresh is rolled back.
    int finish();

  private:
    struct EndMark;
    bool failed();

    WebSession& engine_;
    std::vector<Trip> trips_;
    std::vector<SHOWLIST> found_;
    std::vector<char> searched_;
    std::atomic<bool> abandoned_{false};
    std::mutex failureMutex_;
    std::exception_ptr failure_;
    std::mutex endMutex_;
    std::condition_variable endChanged_;
    std::vector<char> ended_; // each trip's search has ended
    bool allEnded_ = false;   // the searching thread has ended
    std::thread searching_;
};
