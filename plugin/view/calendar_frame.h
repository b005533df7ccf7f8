#pragma once
// What the steps of one frame share: the pane, the geometry computed for it, the selected
// tab's list and colours, and today's date. Each screen area has a step of its own.
#include "plugin/view/calendar_data.h"
#include "plugin/view/draw_helpers.h"

struct TabColours {
    RGB255 a; // grid outline and ordinary day bands
    RGB255 b; // today's day band and the progress bar
    RGB255 c; // date band of the list rows
};
TabColours tabColours(int tab);

struct Frame {
    CGContextRef ctx = nullptr;
    Rect* pane = nullptr;
    const CalendarData* data = nullptr;
    CalVis* view = nullptr;
    ProtectedData* state = nullptr;
    int width = 0;  // W
    int height = 0; // H
    int cellWidth = 0;
    int cellHeight = 0;
    int weeks = 5;         // rows of the month grid
    int visibleHeight = 0; // V: the list's visible height, gridTop to gridBottom
    int thumbTrack = 0;    // T
    int tab = 0;
    SHOWLIST* list = nullptr;
    TabColours colours{};
    uint32_t shown = 0; // entries of the tab that are shown
    int todayDay = 0, todayMonth = 0, todayYear = 0;
    bool connectionValid = true;
    SHOWENTRY* hovered = nullptr; // first hovered entry of the tab's list
};

void drawStatusLine(Frame& f);
void clampListOffset(Frame& f);
void drawEmptyFriendText(Frame& f);
// Tab 0 after a search of a place that found nothing.
void drawEmptyShowsText(Frame& f);
void drawShowList(Frame& f);
void drawListScrollBar(Frame& f);
void drawTabs(Frame& f);
void drawMonthHeader(Frame& f);
void drawGridLines(Frame& f);
void drawDayCells(Frame& f);
void drawDetailPanel(Frame& f);
void drawGridFrameAndLocationFields(Frame& f);
void drawRestartAndInternetNotices(Frame& f);
void drawSupportLine(Frame& f);
void drawUpgradeNotice(Frame& f);
void drawFooterLinks(Frame& f);

// The smallest pane whose texts all fit their places; a smaller one gets drawTooSmallNotice.
// Below 786 pixels the grid ends left of 768, where "Last updated" and the support line no
// longer fit between the list and the app links.
constexpr int kSmallestPaneWidth = 786;
constexpr int kSmallestPaneHeight = 400;
bool paneTooSmall(const Frame& f);
void drawTooSmallNotice(Frame& f);

// Selected shows are written in bold blue, the rest in the regular face in black.
TextStyle entryStyle(const SHOWENTRY* e, int size, int align, bool underline);
