// The panel at the top of the screen about the entry under the pointer.
#include "plugin/view/calendar_frame.h"
#include "plugin/view/entry_text.h"
#include "plugin/view/place_mark.h"

#include "plugin/model/show_identity.h"

#include <cstdio>
#include <string>

void drawDetailPanel(Frame& f) {
    CalVis& v = *f.view;
    SHOWENTRY* e = f.hovered;
    if (!e || !(v.gridTop - 5 < f.pane->bottom - 85)) return;
    const int left = v.gridLeft, right = v.gridRight - 200;
    const Rect panel = paneRect(20, left, v.gridTop - 5, right);
    fillPaneRect(f.ctx, f.pane, panel, colour::white);
    strokePaneRect(f.ctx, f.pane, panel, colour::outline);

    TextStyle style;
    style.align = 1;
    char text[1400];
    formatDateLine(e, text, sizeof text);
    style.size = 11;
    writeText(f.ctx, f.pane, text, paneRect(21, left, 36, right), style);
    style.size = 15;
    writeText(f.ctx, f.pane, e->artist, paneRect(35, left, 55, right), style);

    style.size = 9;
    int next = 56;
    // What changed for the user, and how much they play the artist: each a line of its own.
    std::string notes;
    if (e->cancelled)
        notes = "Cancelled";
    else if (e->movedYear > 0 &&
             (e->movedYear != e->year || e->movedMonth != e->month || e->movedDay != e->day))
        notes = "Moved from " + showDateText(e->movedYear, e->movedMonth, e->movedDay, false);
    else if (e->movedVenue[0])
        notes = std::string("Moved from ") + e->movedVenue;
    if (f.tab == 0 && hasPlaceMark(*e))
        notes = placeLine(*e, f.data && f.data->trips ? f.data->trips->get() : std::vector<Trip>{}) +
                (notes.empty() ? "" : "   " + notes);
    if (f.data && f.data->artistPlays && f.tab != 2) {
        if (const uint64_t plays = f.data->artistPlays->plays(e->artist); plays > 0)
            notes += (notes.empty() ? "" : "   ") + std::string("You played ") + e->artist + " " +
                     std::to_string(plays) + (plays == 1 ? " time" : " times");
    }
    if (!notes.empty()) {
        writeText(f.ctx, f.pane, notes.c_str(), paneRect(next, left, next + 12, right), style);
        next += 12;
    }
    if (e->otherArtists[0]) {
        std::snprintf(text, sizeof text, "playing with\n%s", e->otherArtists);
        writeText(f.ctx, f.pane, text, paneRect(next, left, next + 24, right), style);
        next += 24;
    }
    // A label with nothing behind it reads as if the names failed to load.
    if (!e->nameList || e->nameList->size() == 0) return;
    joinNames(e->nameList, f.tab == 2 ? "Format: " : "Your Friends: ", text, sizeof text);
    writeText(f.ctx, f.pane, text, paneRect(next, left, v.gridTop - 5, right), style);
}
