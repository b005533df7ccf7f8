// Under the grid: the support line and the version; along the top right: the links.
#include "plugin/view/calendar_frame.h"

#include <algorithm>
#include <cstdio>

namespace {
constexpr int kVersionMajor = 2;
constexpr int kVersionMinor = 9;

TextStyle small(RGB255 c, int align, bool underline) {
    TextStyle s;
    s.size = 10;
    s.colour = c;
    s.align = align;
    s.underline = underline;
    return s;
}
} // namespace

void drawSupportLine(Frame& f) {
    CalVis& v = *f.view;
    if (!f.connectionValid) {
        v.supportSpot.rect = Rect{0, 0, 0, 0};
        v.supportSpot.highlighted = false;
        return;
    }
    const int span = v.gridRight - 85 - v.gridLeft;
    const int middle = v.gridLeft + span / 2;
    // Both lines need about 440 pixels; a 300-pixel box cut the ticket line short at every width.
    const int width = std::max(0, std::min(480, span));
    v.supportSpot.rect =
        paneRect(v.gridBottom + 3, middle - width / 2, v.gridBottom + 20, middle - width / 2 + width);
    const char* text =
        f.tab == 2
            ? "To support Voxtrail you can click on an album to buy it, pre-order it, or just find out "
              "more..."
            : "You can now use Voxtrail to purchase your tickets! Click on any show with a ticket icon.";
    writeText(f.ctx, f.pane, text, v.supportSpot.rect, small(colour::black, 1, v.supportSpot.highlighted));
}

void drawFooterLinks(Frame& f) {
    CalVis& v = *f.view;
    const int r = v.gridRight;
    char version[32];
    std::snprintf(version, sizeof version, "Voxtrail %d.%d", kVersionMajor, kVersionMinor);
    v.versionSpot.rect = paneRect(v.gridBottom + 1, r - 80, f.pane->bottom - 1, r);
    writeText(f.ctx, f.pane, version, v.versionSpot.rect,
              small(colour::secondary, 2, v.versionSpot.highlighted));

    v.preferencesSpot.rect = paneRect(1, r - 100, 20, r - 20);
    writeText(f.ctx, f.pane, "Edit Preferences", v.preferencesSpot.rect,
              small(colour::darkGrey, 2, v.preferencesSpot.highlighted));
    writeText(f.ctx, f.pane, "  |  ", paneRect(1, r - 120, 20, r - 100), small(colour::secondary, 2, false));

    TextStyle app = small(colour::linkRed, 2, v.iPhoneAppSpot.highlighted);
    app.size = 13;
    app.bold = true;
    v.iPhoneAppSpot.rect = paneRect(1, r - 220, 20, r - 120);
    writeText(f.ctx, f.pane, "iPhone App", v.iPhoneAppSpot.rect, app);
    writeText(f.ctx, f.pane, "  |  ", paneRect(1, r - 225, 20, r - 205), small(colour::secondary, 2, false));
    app.underline = v.androidAppSpot.highlighted;
    v.androidAppSpot.rect = paneRect(1, r - 385, 20, r - 225);
    writeText(f.ctx, f.pane, "Android App", v.androidAppSpot.rect, app);
}
