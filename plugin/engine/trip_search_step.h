#pragma once
// The trips' part of a concert refresh: each trip whose dates have not passed is searched after
// home, and the shows it lists inside its dates join the concerts list.
#include "plugin/net/web_session.h"

#include "plugin/model/show_list.h"
#include "plugin/model/trips.h"

class XML_Artist_List;

// Moves the shows of found that fall inside the trip's dates to concerts, each noted as found on
// the trip, and empties found; one that concerts holds already (home found it too) stays one show.
void mergeTripShows(SHOWLIST& found, const Trip& trip, SHOWLIST& concerts, SHOWLIST* previous);

// 0 when every trip was searched, 1 when a request failed or a stop came.
int searchTrips(WebSession& engine, XML_Artist_List& artists);
