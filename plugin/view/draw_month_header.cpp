// Above the grid: the weekday band, the month title and the arrows to the months around it.
#include "plugin/view/calendar_frame.h"
#include "plugin/view/entry_text.h"

#include <cstdio>
#include <cstring>

namespace {
// An arrow the user can follow is black and recorded as a hot spot; one that leads past the
// entries is grey and takes no clicks. An empty tab leaves both open.
void drawArrow(Frame& f, HotSpot& spot, const char* text, const Rect& r, bool active) {
    TextStyle style;
    style.size = 12;
    style.align = 1;
    if (active) {
        spot.rect = r;
        writeText(f.ctx, f.pane, text, r, style);
        if (spot.highlighted) strokePaneRect(f.ctx, f.pane, r, colour::outline);
    } else {
        spot.rect = Rect{0, 0, 0, 0};
        spot.highlighted = false;
        style.colour = colour::disabled;
        writeText(f.ctx, f.pane, text, r, style);
    }
}
} // namespace

void drawMonthHeader(Frame& f) {
    CalVis& v = *f.view;
    fillPaneRect(f.ctx, f.pane, paneRect(v.gridTop, v.gridLeft, v.gridTop + 15, v.gridRight),
                 colour::outline);

    SHOWENTRY* last = lastShown(*f.data, f.tab);
    SHOWENTRY* first = firstShown(*f.data, f.tab);
    drawArrow(f, v.nextMonthSpot, ">>",
              paneRect(v.gridTop - 30, v.gridRight - 28, v.gridTop - 10, v.gridRight),
              !last || compareMonth(last, v.curVisYear, v.curVisMonth) > 0);

    char title[64];
    std::snprintf(title, sizeof title, "%s %d", fullMonthName(v.curVisMonth), v.curVisYear);
    TextStyle titleStyle;
    titleStyle.size = 15;
    titleStyle.align = 1;
    writeText(f.ctx, f.pane, title,
              paneRect(v.gridTop - 30, v.gridRight - 156, v.gridTop - 1, v.gridRight - 31), titleStyle);

    drawArrow(f, v.prevMonthSpot, "<<",
              paneRect(v.gridTop - 30, v.gridRight - 188, v.gridTop - 10, v.gridRight - 160),
              !first || compareMonth(first, v.curVisYear, v.curVisMonth) < 0);

    static const char* const kWeekdays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    CGContextSetFontSize(f.ctx, 11);
    setFillColour(f.ctx, colour::black);
    for (int i = 0; i < 7; ++i)
        CGContextShowTextAtPoint(f.ctx, v.gridLeft - 10 + f.cellWidth / 2 + i * f.cellWidth,
                                 f.height - (v.gridTop + 11), kWeekdays[i], std::strlen(kWeekdays[i]));
}
