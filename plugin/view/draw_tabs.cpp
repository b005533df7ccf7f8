// The three tabs above the show list; the selected one is drawn last so it lies on top.
#include "plugin/view/calendar_frame.h"

#include <cstdio>

namespace {
void drawTab(Frame& f, int tab, bool selected) {
    CalVis& v = *f.view;
    Rect r;
    char label[64];
    switch (tab) {
    case 0:
        r = paneRect(v.gridTop - 20, v.listMargin + 15, v.gridTop - 1, v.listMargin + 110);
        std::snprintf(label, sizeof label,
                      f.state->getUpdatingConcerts() ? "My Shows... (%u)" : "My Shows (%u)",
                      f.data->concerts ? f.data->concerts->size() : 0u);
        break;
    case 1:
        r = paneRect(v.gridTop - 20, v.listMargin + 227, v.gridTop - 1, v.gridLeft + 105);
        std::snprintf(label, sizeof label, "Friend Shows (%u)",
                      f.data->friendShows ? f.data->friendShows->size() : 0u);
        break;
    default:
        r = paneRect(v.gridTop - 20, v.listMargin + 120, v.gridTop - 1, v.gridLeft - 5);
        std::snprintf(label, sizeof label, "CD Releases (%u)", shownCount(*f.data, 2));
        break;
    }
    v.tabSpot[tab].rect = r;

    const int h = f.height;
    setFillColour(f.ctx, selected ? colour::white : colour::tabIdle);
    setStrokeColour(f.ctx, colour::black);
    CGContextSetLineWidth(f.ctx, 1);
    CGContextBeginPath(f.ctx);
    CGContextMoveToPoint(f.ctx, r.left - 15, h - r.bottom);
    CGContextAddLineToPoint(f.ctx, r.left - 5, h - (r.top - 3));
    CGContextAddLineToPoint(f.ctx, r.right, h - (r.top - 3));
    CGContextAddLineToPoint(f.ctx, r.right, h - r.bottom);
    CGContextAddLineToPoint(f.ctx, r.left - 15, h - r.bottom);
    CGContextClosePath(f.ctx);
    CGContextDrawPath(f.ctx, kCGPathFillStroke);

    TextStyle style;
    style.size = 10;
    style.bold = selected;
    writeText(f.ctx, f.pane, label, r, style);
}
} // namespace

void drawTabs(Frame& f) {
    for (int tab = 0; tab < 3; ++tab)
        if (tab != f.tab) drawTab(f, tab, false);
    drawTab(f, f.tab, true);
}
