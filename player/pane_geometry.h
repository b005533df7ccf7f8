#pragma once
// Where the visualizer pane sits in the player window, whose pixels make the port: below the
// control strip, inset by a margin, so its rectangle in port coordinates never starts at 0,0.
#include "platform/visual_plugin_api.h"

namespace vx::player {

constexpr int kControlStripHeight = 40;
constexpr int kPaneMargin = 4;

constexpr int paneLeft() {
    return kPaneMargin;
}
constexpr int paneTop() {
    return kControlStripHeight + kPaneMargin;
}
constexpr int portWidthFor(int paneWidth) {
    return paneWidth + 2 * kPaneMargin;
}
constexpr int portHeightFor(int paneHeight) {
    return paneHeight + kControlStripHeight + 2 * kPaneMargin;
}

inline Rect paneRectFor(int paneWidth, int paneHeight) {
    Rect r;
    r.top = static_cast<int16_t>(paneTop());
    r.left = static_cast<int16_t>(paneLeft());
    r.bottom = static_cast<int16_t>(paneTop() + paneHeight);
    r.right = static_cast<int16_t>(paneLeft() + paneWidth);
    return r;
}

} // namespace vx::player
