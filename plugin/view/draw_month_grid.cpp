// The month grid: five or six weeks of day cells from the Sunday on or before the 1st, each with its
// day band, the entries of its date, and small arrows when they do not all fit.
#include "plugin/view/calendar_frame.h"
#include "plugin/view/cancelled_text.h"
#include "plugin/view/place_mark.h"
#include "plugin/view/ticket_icons.h"

#include <cstdio>
#include <vector>

void drawGridLines(Frame& f) {
    CalVis& v = *f.view;
    const RGB255 a = f.colours.a;
    strokePaneRect(f.ctx, f.pane, paneRect(v.gridTop + 15, v.gridLeft + 1, v.gridBottom - 1, v.gridRight - 1),
                   a);
    for (int i = 1; i <= 6; ++i) {
        const int x = v.gridLeft + 1 + i * f.cellWidth;
        strokePaneLine(f.ctx, f.pane, x, v.gridTop + 15, x, v.gridBottom - 1, a);
    }
    for (int i = 1; i < f.weeks; ++i) {
        const int y = v.gridTop + 15 + i * f.cellHeight + 1;
        strokePaneLine(f.ctx, f.pane, v.gridLeft + 1, y, v.gridRight - 1, y, a);
    }
}

namespace {
constexpr int kArrowBoxWidth = 11;
constexpr int kLinePitch = 15;

struct CellDate {
    int day, month, year;
};

int compareDate(const SHOWENTRY* e, const CellDate& d) {
    if (e->year != d.year) return e->year < d.year ? -1 : 1;
    if (e->month != d.month) return e->month < d.month ? -1 : 1;
    if (e->day != d.day) return e->day < d.day ? -1 : 1;
    return 0;
}

// Two triangles in the grey box at the cell's right edge; an arrow that cannot be used takes the
// box's own colour.
void drawCellArrows(Frame& f, int index, const Rect& body) {
    CalVis& v = *f.view;
    const int left = body.right - kArrowBoxWidth;
    const int middle = body.top + (body.bottom - body.top) / 2;
    fillPaneRect(f.ctx, f.pane, paneRect(body.top, left, body.bottom, body.right), colour::inactive);
    v.cellUpArrowRect[index] = paneRect(body.top, left, middle, body.right);
    v.cellDownArrowRect[index] = paneRect(middle, left, body.bottom, body.right);
    const int cx = body.right - 6;
    const int upY = body.top + (middle - body.top) / 2;
    const int downY = middle + (body.bottom - middle) / 2;
    fillPaneTriangle(f.ctx, f.pane, {cx, upY - 2, cx - 3, upY + 2, cx + 3, upY + 2},
                     v.cellCanScrollUp[index] ? colour::darkGrey : colour::inactive);
    fillPaneTriangle(f.ctx, f.pane, {cx, downY + 2, cx - 3, downY - 2, cx + 3, downY - 2},
                     v.cellCanScrollDown[index] ? colour::darkGrey : colour::inactive);
}

void drawCellEntries(Frame& f, int index, const Rect& cell, const std::vector<SHOWENTRY*>& entries) {
    CalVis& v = *f.view;
    const long long count = static_cast<long long>(entries.size());
    const int fit = (cell.bottom - cell.top - 15) / kLinePitch;
    const bool arrows = count > fit;
    if (arrows) {
        v.cellCanScrollUp[index] = v.cellScroll[index] > 0;
        v.cellCanScrollDown[index] = fit < count - v.cellScroll[index];
        drawCellArrows(f, index, paneRect(cell.top + 15, cell.left, cell.bottom, cell.right));
    } else {
        v.cellScroll[index] = 0;
        v.cellCanScrollUp[index] = v.cellCanScrollDown[index] = false;
    }

    const int lineRight = arrows ? cell.right - kArrowBoxWidth : cell.right;
    const long long skip = v.cellScroll[index] > 0 ? v.cellScroll[index] : 0;
    int top = cell.top + 15;
    for (long long i = skip; i < count && top + kLinePitch <= cell.bottom; ++i, top += kLinePitch) {
        SHOWENTRY* e = entries[static_cast<std::size_t>(i)];
        const Rect line = paneRect(top, cell.left, top + kLinePitch, lineRight);
        const int textLeft = cell.left + (hasPlaceMark(*e) ? kPlaceMarkWidth : 0);
        const Rect textBox =
            paneRect(top, textLeft, top + kLinePitch, lineRight - (e->ticketsAvailable ? 13 : 0));
        if (hasPlaceMark(*e)) drawPlaceMark(f.ctx, f.pane, *e, cell.left + 2, top - 1);
        if (e->cancelled)
            writeCancelledName(f.ctx, f.pane, e->artist, textBox, entryStyle(e, 11, 1, false));
        else
            writeText(f.ctx, f.pane, e->artist, textBox, entryStyle(e, 11, 1, e->hovered));
        if (e->ticketsAvailable) drawSmallTicketIcon(f.ctx, f.pane, lineRight - 17, top);
        e->inCellRect = line;
        e->inCell = true;
    }
}
} // namespace

void drawDayCells(Frame& f) {
    CalVis& v = *f.view;
    const int cw = f.cellWidth, ch = f.cellHeight;
    CellDate date{1, v.curVisMonth, v.curVisYear};
    for (int n = getDayOfTheWeek(1, date.month, date.year); n > 0; --n)
        decrementDay(&date.day, &date.month, &date.year);

    if (f.list)
        for (SHOWENTRY* e = f.list->head; e; e = e->next)
            e->inCell = false;
    SHOWENTRY* cursor = firstShown(*f.data, f.tab);
    std::vector<SHOWENTRY*> onDate;

    v.gridCells = f.weeks * 7;
    for (int index = v.gridCells; index < CalVis::kMaxGridCells; ++index) {
        // Cells of a sixth row that this month does not have must not catch the mouse.
        v.cellRect[index] = v.cellUpArrowRect[index] = v.cellDownArrowRect[index] = Rect{0, 0, 0, 0};
        v.cellCanScrollUp[index] = v.cellCanScrollDown[index] = false;
        v.cellScroll[index] = 0;
    }
    for (int row = 0; row < f.weeks; ++row) {
        for (int col = 0; col < 7; ++col, incrementDay(&date.day, &date.month, &date.year)) {
            const int index = row * 7 + col;
            const int top = v.gridTop + 15 + 1 + row * ch;
            const int left = v.gridLeft + col * cw + 1;
            const Rect cell = paneRect(top, left, top + ch, v.gridLeft + col * cw - 1 + cw);
            v.cellRect[index] = cell;

            const bool today =
                date.day == f.todayDay && date.month == f.todayMonth && date.year == f.todayYear;
            const RGB255 band = today                         ? f.colours.b
                                : date.month != v.curVisMonth ? colour::inactive
                                                              : f.colours.a;
            const Rect bandRect = paneRect(top, left, top + 15, left + cw - 2);
            fillPaneRect(f.ctx, f.pane, bandRect, band);
            char number[16];
            std::snprintf(number, sizeof number, "%d", date.day);
            TextStyle numberStyle;
            numberStyle.size = 11;
            numberStyle.align = 2;
            writeText(f.ctx, f.pane, number, paneRect(top, left, top + 15, left + cw - 2 - 4), numberStyle);
            if (today)
                fillPaneRect(f.ctx, f.pane, paneRect(top + 15, left, top + ch, left + cw - 2),
                             colour::todayBody);

            // The list is in date order, so one walk serves all cells.
            while (cursor && compareDate(cursor, date) < 0)
                cursor = nextShown(*f.data, f.tab, cursor);
            onDate.clear();
            for (SHOWENTRY* e = cursor; e && compareDate(e, date) == 0; e = nextShown(*f.data, f.tab, e))
                onDate.push_back(e);
            drawCellEntries(f, index, cell, onDate);
        }
    }
}
