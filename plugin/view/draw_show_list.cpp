// The show list at the left: one row per shown entry of the tab, scrolled by the view's offset.
#include "plugin/view/calendar_frame.h"
#include "plugin/view/cancelled_text.h"
#include "plugin/view/entry_text.h"
#include "plugin/view/place_mark.h"
#include "plugin/view/ticket_icons.h"

#include <algorithm>
#include <cstdio>

void clampListOffset(Frame& f) {
    CalVis& v = *f.view;
    long long offset = v.curVisShowListOffset;
    const long long lowest = static_cast<long long>(f.visibleHeight) - v.listContentHeight;
    if (offset > 0) offset = 0;
    if (offset < lowest) offset = lowest;
    v.listScrollable = f.visibleHeight < v.listContentHeight;
    if (!v.listScrollable) offset = 0;
    v.curVisShowListOffset = static_cast<int32_t>(std::clamp<long long>(offset, INT32_MIN, 0));
}

void drawEmptyFriendText(Frame& f) {
    CalVis& v = *f.view;
    const bool noFriends = !f.data->friends || f.data->friends->size() == 0;
    if (f.tab != 1 || !f.list || f.list->size() != 0 || !noFriends) return;
    writeText(
        f.ctx, f.pane,
        "You have not entered any of \nyour friends' calendar names.\nIf you want to see the shows \nthat "
        "your friends are interested \nin, click on the Edit \nPreferences link in the top \nright corner "
        "of this screen.\nThen select the sharing \ntab and add your friend's \ncalendars.",
        paneRect(v.gridTop + 20, v.listMargin, v.gridBottom, v.gridLeft - v.listMargin), TextStyle{});
}

void drawEmptyShowsText(Frame& f) {
    if (f.tab != 0 || !f.list || f.list->size() != 0 || !f.connectionValid) return;
    if (f.state->getUpdatingConcerts()) return;
    char city[256];
    f.state->getCurCity(city);
    if (!city[0]) return;
    // A search that found nothing says so; a blank list looks like one still loading.
    char text[400];
    std::snprintf(text, sizeof text,
                  "No upcoming shows were found\nnear %s.\nTry a larger radius\nor another city.", city);
    CalVis& v = *f.view;
    writeText(f.ctx, f.pane, text,
              paneRect(v.gridTop + 20, v.listMargin, v.gridBottom, v.gridLeft - v.listMargin), TextStyle{});
}

namespace {
void drawRow(Frame& f, SHOWENTRY* e, int y) {
    CalVis& v = *f.view;
    const Rect* pane = f.pane;
    const int left = v.listMargin;
    const int right = v.gridLeft - v.listMargin;
    const int rowHeight = v.rowHeight;

    e->rowRect = paneRect(std::max(y, v.gridTop), left, y + rowHeight, right);
    e->inList = true;

    if (y > 2 && y + rowHeight < pane->bottom - 85) {
        strokePaneRect(f.ctx, pane, paneRect(y, left, y + rowHeight, right), colour::outline);
        fillPaneRect(f.ctx, pane, paneRect(y + 1, left + 1, y + 16, right - 1), f.colours.c);
    }
    // The texts follow the date band: shown while the band lies clear of the pane's edges.
    if (!(y + 1 > pane->top && y + 16 < pane->bottom - 75)) return;

    char line[1024];
    formatDateLine(e, line, sizeof line);
    writeText(f.ctx, pane, line, paneRect(y + 1, left + 1, y + 16, right - 1), entryStyle(e, 11, 0, false));

    const int titleRight = right - 1 - (e->ticketsAvailable ? 34 : 0);
    const int titleLeft = left + 1 + (hasPlaceMark(*e) ? kPlaceMarkWidth : 0);
    if (hasPlaceMark(*e)) drawPlaceMark(f.ctx, pane, *e, left + 2, y + 18);
    if (e->cancelled)
        writeCancelledName(f.ctx, pane, e->artist, paneRect(y + 15, titleLeft, y + 35, titleRight),
                           entryStyle(e, 15, 0, false));
    else
        writeText(f.ctx, pane, e->artist, paneRect(y + 15, titleLeft, y + 35, titleRight),
                  entryStyle(e, 15, 0, e->hovered));
    if (e->ticketsAvailable) drawLargeTicketIcon(f.ctx, f.pane, right - 35, y + 18);

    joinNames(e->nameList, "   ", line, sizeof line);
    if (hasPlaceMark(*e) && e->nameList->size() == 0)
        std::snprintf(line, sizeof line, "   %s", placeLabel(*e).c_str());
    TextStyle names;
    names.size = 9;
    names.colour = colour::secondary;
    writeText(f.ctx, pane, line, paneRect(y + 35, left + 1, y + 55, right - 1), names);
}
} // namespace

void drawShowList(Frame& f) {
    if (!f.list || f.list->size() == 0) return;
    CalVis& v = *f.view;
    for (SHOWENTRY* e = f.list->head; e; e = e->next)
        e->inList = false;

    // Rows scrolled above the list are cut at its top rather than drawn over the fields there.
    CGContextSaveGState(f.ctx);
    CGContextClipToRect(f.ctx,
                        CGRectMake(0, f.height - (v.gridBottom + 1), f.width, v.gridBottom + 1 - v.gridTop));
    const int pitch = v.rowHeight - 1;
    long long y = static_cast<long long>(v.gridTop) + v.curVisShowListOffset;
    for (SHOWENTRY* e = firstShown(*f.data, f.tab); e && y <= v.gridBottom;
         e = nextShown(*f.data, f.tab, e)) {
        if (y + v.rowHeight >= v.gridTop) drawRow(f, e, static_cast<int>(y));
        y += pitch;
    }
    CGContextRestoreGState(f.ctx);
}
