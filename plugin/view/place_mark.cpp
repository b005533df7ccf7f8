#include "plugin/view/place_mark.h"

#include "plugin/engine/found_place.h"

void drawPlaceMark(CGContextRef ctx, const Rect* pane, const SHOWENTRY& show, int x, int top) {
    const int cx = x + 3, cy = top + 8;
    const int upper[6] = {cx - 3, cy, cx, cy - 4, cx + 3, cy};
    const int lower[6] = {cx - 3, cy, cx, cy + 4, cx + 3, cy};
    const RGB255 c = show.elsewhere ? colour::darkGrey : RGB255{40, 110, 170};
    fillPaneTriangle(ctx, pane, upper, c);
    fillPaneTriangle(ctx, pane, lower, c);
}

std::string placeLabel(const SHOWENTRY& show) {
    if (!hasPlaceMark(show)) return "";
    const std::string place = vx::placeText(show.foundCity, show.foundState);
    if (show.onTrip) return "Trip: " + place;
    return place.empty() ? "found by another search" : "found near " + place;
}

std::string placeLine(const SHOWENTRY& show, const std::vector<Trip>& trips) {
    if (show.elsewhere) return "Not in this search: " + placeLabel(show);
    if (!show.onTrip) return "";
    if (const Trip* trip = vx::tripOf(show, trips)) return "Trip: " + tripText(*trip, vx::localToday().year);
    return placeLabel(show);
}
