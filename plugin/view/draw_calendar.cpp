#include "plugin/view/draw_calendar.h"

#include "plugin/view/calendar_frame.h"
#include "plugin/view/text_drawing.h"

#include <climits>
#include <cmath>
#include <ctime>

TabColours tabColours(int tab) {
    switch (normalizedTab(tab)) {
    case 1:
        return {{219, 245, 179}, {180, 221, 104}, {239, 255, 210}};
    case 2:
        return {{209, 194, 240}, {160, 122, 237}, {239, 224, 255}};
    default:
        return {{158, 202, 228}, {128, 172, 198}, {220, 240, 255}};
    }
}

TextStyle entryStyle(const SHOWENTRY* e, int size, int align, bool underline) {
    TextStyle s;
    s.size = size;
    s.align = align;
    s.underline = underline;
    s.bold = e->selected;
    s.colour = e->selected ? colour::selectedBlue : colour::black;
    return s;
}

namespace {
// The frame's geometry from the pane size, stored in the view for the mouse code.
void computeGeometry(Frame& f) {
    CalVis& v = *f.view;
    f.width = f.pane->right - f.pane->left;
    f.height = f.pane->bottom - f.pane->top;
    f.cellWidth = (f.width - v.gridLeft - v.listMargin - 3) / 7;
    // The grid keeps its five-week size; a six-week month divides it into six rows.
    const int fiveWeekRow = (f.height - v.gridTop - v.headerHeight - v.listMargin - 4) / 5;
    f.weeks = monthGridWeeks(v.curVisMonth, v.curVisYear);
    f.cellHeight = f.weeks == 5 ? fiveWeekRow : 5 * fiveWeekRow / f.weeks;
    v.gridRight = v.gridLeft + 3 + 7 * f.cellWidth;
    v.gridBottom = v.gridTop + v.headerHeight + 5 * fiveWeekRow + 4;
    v.gridRect = paneRect(v.gridTop, v.gridLeft, v.gridBottom, v.gridRight);
    f.visibleHeight = v.gridBottom - v.gridTop;
    const long long content = static_cast<long long>(f.shown) * (v.rowHeight - 1);
    v.listContentHeight = content <= 0 ? 1 : content > INT_MAX ? INT_MAX : static_cast<int32_t>(content);
    f.thumbTrack = f.visibleHeight + v.headerHeight - 3 * v.headerHeight;
    v.thumbLength = static_cast<int32_t>(
        std::floor(static_cast<double>(f.visibleHeight) / v.listContentHeight * f.thumbTrack + 1));
}

void readToday(Frame& f) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    f.todayDay = local.tm_mday;
    f.todayMonth = local.tm_mon + 1;
    f.todayYear = local.tm_year + 1900;
}

SHOWENTRY* firstHovered(SHOWLIST* list) {
    for (SHOWENTRY* e = list ? list->head : nullptr; e; e = e->next)
        if (e->hovered) return e;
    return nullptr;
}
} // namespace

void drawCalendarFrame(CGContextRef ctx, Rect* pane, const CalendarData& data) {
    if (!ctx || !pane || !data.view || !data.state) return;
    Frame f;
    f.ctx = ctx;
    f.pane = pane;
    f.data = &data;
    f.view = data.view;
    f.state = data.state;
    f.tab = currentTab(data);
    f.list = tabList(data, f.tab);
    f.colours = tabColours(f.tab);
    f.shown = shownCount(data, f.tab);
    computeGeometry(f);
    if (paneTooSmall(f)) {
        drawTooSmallNotice(f);
        return;
    }
    readToday(f);
    macClearScreen(ctx, pane);
    CGContextSelectFont(ctx, kRegularFont, 13, kCGEncodingMacRoman);

    drawStatusLine(f);
    clampListOffset(f);
    drawEmptyFriendText(f);
    drawEmptyShowsText(f);
    drawShowList(f);
    drawListScrollBar(f);
    drawTabs(f);
    drawMonthHeader(f);
    drawGridLines(f);
    drawDayCells(f);
    f.hovered = firstHovered(f.list);
    f.connectionValid = f.state->getValid_internet_connection();
    drawDetailPanel(f);
    drawGridFrameAndLocationFields(f);
    drawRestartAndInternetNotices(f);
    drawSupportLine(f);
    drawUpgradeNotice(f);
    drawFooterLinks(f);
}

void drawCalendar(CGContextRef ctx, Rect* pane, CalVis* vis) {
    drawCalendarFrame(ctx, pane, calendarDataOf(vis));
}
