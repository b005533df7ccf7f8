// The grid's frame, and the City, State and Radius fields in the top-left corner that the user
// clicks to type a new place.
#include "plugin/view/calendar_frame.h"

#include <cstdio>

namespace {
struct Field {
    const char* label;
    int top;
    HotSpot* spot;
    bool editing;
    const char* placeholder;
};

void drawField(Frame& f, const Field& field, const char* value, bool anyEditing, bool selected) {
    CalVis& v = *f.view;
    const int top = field.top, bottom = field.top + 20;
    writeText(f.ctx, f.pane, field.label, paneRect(top, 18, bottom, 78), TextStyle{});
    field.spot->rect = paneRect(top, 79, bottom, v.gridLeft);

    char shown[300];
    if (field.editing && selected) {
        // Select all: the text on the selection colour, no caret.
        fillPaneRect(f.ctx, f.pane, paneRect(top + 2, 79, bottom - 2, v.gridLeft), colour::selection);
        std::snprintf(shown, sizeof shown, "%s", value);
    } else if (field.editing)
        std::snprintf(shown, sizeof shown, "%s|", value);
    else
        std::snprintf(shown, sizeof shown, "%s", value[0] ? value : field.placeholder);
    writeText(f.ctx, f.pane, shown, paneRect(top, 80, bottom, v.gridLeft), TextStyle{});
    if (field.editing || (field.spot->highlighted && !anyEditing))
        strokePaneRect(f.ctx, f.pane, field.spot->rect, colour::outline);
}
} // namespace

void drawGridFrameAndLocationFields(Frame& f) {
    CalVis& v = *f.view;
    ProtectedData& s = *f.state;
    strokePaneRect(f.ctx, f.pane, v.gridRect, colour::frame);
    strokePaneLine(f.ctx, f.pane, v.gridLeft, v.gridTop + 15, v.gridRight, v.gridTop + 15, colour::frame);

    const bool city = s.getUpdatingCity(), state = s.getUpdatingState(), radius = s.getUpdatingSearchRadius();
    const bool any = city || state || radius;
    const bool selected = s.getPlaceTextSelected();
    char value[ProtectedData::curCityDisplayCapacity];
    s.getCurCityDisplay(value);
    drawField(f, {"City: ", 18, &v.citySpot, city, "click here to enter a city..."}, value, any, selected);
    s.getCurStateDisplay(value);
    drawField(f, {"State: ", 39, &v.stateSpot, state, "click here to enter a state."}, value, any, selected);
    s.getCurSearchRadiusDisplay(value);
    drawField(f, {"Radius:", 60, &v.radiusSpot, radius, "click here to enter"}, value, any, selected);
}
