#pragma once
// Which show of a refresh is which show of the one before: a show is its source event (the event
// URL) for one artist, or where a source gives no URL its artist and venue. From that, what
// changed for the user: chosen shows moved or cancelled (or listed again), and new shows of the
// artists the user plays most.
#include "plugin/model/show_list.h"

#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

struct ShowChange {
    enum Kind { Moved, Cancelled, New, Back };
    Kind kind = New;
    std::string artist, venue;
    int32_t year = 0, month = 0, day = 0;
    // Moved: where it was.
    std::string oldVenue;
    int32_t oldYear = 0, oldMonth = 0, oldDay = 0;
};

struct ChangeRules {
    // The refresh searched the same place as the one before (city, region and radius).
    bool samePlace = false;
    // Every source answered as usual: a chosen show none lists is cancelled. Otherwise it is
    // kept as it was, since a source that failed or was cut short may still list it.
    bool sourcesAsUsual = false;
    int32_t todayYear = 0, todayMonth = 0, todayDay = 0;
    // Cleaned names of the artists whose new shows are announced; none when null.
    const std::unordered_set<std::string>* mostPlayed = nullptr;
    // Where a show was found, against this refresh's searches; every show was found Here when
    // empty. A chosen show found for a trip searched now or for another place is never cancelled
    // (the rules above speak of the home search); one found elsewhere is kept until its date passes.
    enum class Found { Here, OnTrip, Elsewhere };
    std::function<Found(const SHOWENTRY&)> foundAt;
};

// The identity key of a show.
std::string showIdentity(const SHOWENTRY& show);

// Compares the refreshed list with the one before it: moved shows are chosen again with their
// UID, a raised sequence and where they were; chosen shows not listed are added to current (kept,
// cancelled, or marked as found elsewhere); shows listed again lose their cancellation. The caller
// holds both lists.
std::vector<ShowChange> trackShowChanges(SHOWLIST& current, SHOWLIST& previous, const ChangeRules& rules);

// "Sat, Jan 9", and with the year "Sat, Jan 9, 2027".
std::string showDateText(int32_t year, int32_t month, int32_t day, bool withYear);
// The notice line of a change: "Show moved: ARTIST, now DATE at VENUE" and so on.
std::string changeText(const ShowChange& change);
