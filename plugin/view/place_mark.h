#pragma once
// Shows not found for home: those a trip found, and those the user chose that the current search
// did not list (found for another place or radius). A small mark beside the name in the list and
// the grid, and a line telling where they were found.
#include "plugin/model/show_list.h"
#include "plugin/model/trips.h"
#include "plugin/view/draw_helpers.h"

#include <string>

// Width the mark takes, its gap included.
constexpr int kPlaceMarkWidth = 9;

// Whether the show gets the mark: it was not found for home.
inline bool hasPlaceMark(const SHOWENTRY& show) {
    return show.elsewhere || show.onTrip;
}
// A small diamond whose left edge is x, centred on the text line whose top is top: grey for a
// show not in this search, blue for a trip's.
void drawPlaceMark(CGContextRef ctx, const Rect* pane, const SHOWENTRY& show, int x, int top);

// The hover panel's line: "Not in this search: found near Boston, MA", or "Trip: Chicago, IL,
// Mar 3 to Mar 7" with the dates of the user's trip to that place; empty for home's shows.
std::string placeLine(const SHOWENTRY& show, const std::vector<Trip>& trips);
// The list row's small line: "found near Boston, MA" or "Trip: Chicago, IL"; empty as above.
std::string placeLabel(const SHOWENTRY& show);
