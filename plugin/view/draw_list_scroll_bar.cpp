// The show list's scroll bar, drawn while the rows are taller than the list.
#include "plugin/view/calendar_frame.h"

#include <cmath>

void drawListScrollBar(Frame& f) {
    CalVis& v = *f.view;
    if (!v.listScrollable) return;
    const Rect* pane = f.pane;
    const int left = v.gridLeft - v.listMargin;
    const int right = left + v.scrollButtonSize;
    v.listAreaRect = paneRect(v.gridTop, v.listMargin, v.gridBottom, right);
    v.scrollUpRect = paneRect(v.gridTop, left, v.gridTop + 14, right);
    v.scrollDownRect = paneRect(v.gridBottom - 14, left, v.gridBottom, right);

    const Rect track = paneRect(v.gridTop + 14, left, v.gridBottom - 14, right);
    fillPaneRect(f.ctx, pane, track, colour::inactive);
    strokePaneRect(f.ctx, pane, track, colour::outline);
    strokePaneRect(f.ctx, pane, v.scrollUpRect, colour::outline);
    strokePaneRect(f.ctx, pane, v.scrollDownRect, colour::outline);

    v.thumbPosition = static_cast<int32_t>(
        std::floor(-static_cast<double>(v.curVisShowListOffset) * f.thumbTrack / v.listContentHeight));
    const long long thumbTop = static_cast<long long>(v.gridTop) + 15 + v.thumbPosition;
    v.thumbRect = paneRect(thumbTop, left, thumbTop + v.thumbLength, right);
    fillPaneRect(f.ctx, pane, v.thumbRect, colour::thumb);
    strokePaneRect(f.ctx, pane, v.thumbRect, colour::thumb);

    const int c = left + 7;
    fillPaneTriangle(f.ctx, pane, {c, v.gridTop + 4, c - 3, v.gridTop + 9, c + 3, v.gridTop + 9},
                     colour::darkGrey);
    fillPaneTriangle(f.ctx, pane, {c, v.gridBottom - 4, c - 3, v.gridBottom - 9, c + 3, v.gridBottom - 9},
                     colour::darkGrey);
    strokePaneRect(f.ctx, pane, v.listAreaRect, colour::frame);
}
