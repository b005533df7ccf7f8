// The top of the screen: what the running refresh is doing and its progress, or when the last
// search was made and why the last refresh ended early; and the notices that interrupt the screen.
#include "plugin/view/calendar_frame.h"

#include <cstdio>

namespace {
// Half the width "Last updated: 12/31/2026" takes at 10 pt, and the room the links at the top
// right take from the grid's right edge.
constexpr int kLastUpdatedHalfWidth = 70;
constexpr int kAppLinksWidth = 385;

// The first running part of a refresh names the status line; null when nothing runs.
const char* runningStatus(ProtectedData& s) {
    if (s.getUpdatingConcerts()) return "(Searching for upcoming shows...)\n";
    if (s.getUpdatingShared())
        return s.getShareAllShows() ? "(Sharing all your shows with your friends...)"
                                    : "(Sharing only your highlighted shows...)";
    if (s.getUpdatingAlbums()) return "(Searching for upcoming album releases...)";
    if (s.getUpdatingFriends()) return "(Searching for your friends' shared concerts...)";
    if (s.getUpdatingiPhone()) return "(Syncing with your phone...)";
    return nullptr;
}

void drawProgressBar(Frame& f, double progress) {
    const int c = (f.pane->left + f.pane->right) / 2;
    strokePaneRect(f.ctx, f.pane, paneRect(20, c - 100, 34, c + 101), colour::outline);
    // At no progress the fill would be a rectangle of negative width, which the context draws
    // mirrored to the left of the bar; it is left out until it has a width.
    const int length = static_cast<int>(2 * progress - 1);
    if (length > 0) fillPaneRect(f.ctx, f.pane, paneRect(21, c - 99, 33, c - 99 + length), f.colours.b);
}
} // namespace

void drawStatusLine(Frame& f) {
    ProtectedData& s = *f.state;
    CalVis& v = *f.view;
    if (const char* status = runningStatus(s)) {
        TextStyle style;
        style.size = 15;
        style.align = 1;
        writeText(f.ctx, f.pane, status, paneRect(0, f.pane->left, 20, f.pane->right), style);
        drawProgressBar(f, s.getUpdatingProgress());
        return;
    }
    char problem[ProtectedData::refreshProblemCapacity];
    s.getRefreshProblem(problem);
    static_assert(ProtectedData::exportProblemCapacity == sizeof problem);
    // A failed export is told where a failed refresh is, when the refresh itself went well.
    if (!problem[0]) s.getExportProblem(problem);
    if (problem[0]) {
        // Under the date line and above the upgrade notice; a hovered show's panel covers it.
        TextStyle style;
        style.colour = colour::warning;
        style.align = 1;
        writeText(f.ctx, f.pane, problem, paneRect(20, v.gridLeft, v.gridTop - 50, v.gridRight - 200), style);
    } else {
        char notice[ProtectedData::libraryNoticeCapacity];
        s.getLibraryNotice(notice);
        if (notice[0]) {
            TextStyle style;
            style.size = 10;
            style.colour = colour::secondary;
            style.align = 1;
            writeText(f.ctx, f.pane, notice, paneRect(20, v.gridLeft, v.gridTop - 50, v.gridRight - 200),
                      style);
        }
    }
    if (s.getLastSearch_y() > 1970) {
        char text[96];
        std::snprintf(text, sizeof text, "Last updated: %d/%d/%d", s.getLastSearch_m(), s.getLastSearch_d(),
                      s.getLastSearch_y());
        TextStyle style;
        style.size = 10;
        style.colour = colour::secondary;
        style.align = 1;
        // In a narrow pane the centred date would run into the app links on its right: it is then
        // centred in the room left of them instead.
        int right = v.gridRight - 200;
        if ((v.gridLeft + right) / 2 + kLastUpdatedHalfWidth > v.gridRight - kAppLinksWidth)
            right = v.gridRight - kAppLinksWidth;
        writeText(f.ctx, f.pane, text, paneRect(0, v.gridLeft, v.gridTop - 5, right), style);
    }
}

void drawRestartAndInternetNotices(Frame& f) {
    CalVis& v = *f.view;
    if (f.state->getRestartingSearch()) {
        TextStyle style;
        style.colour = colour::warning;
        writeText(f.ctx, f.pane, "Restarting search, PLEASE WAIT...", paneRect(0, 18, 16, 418), style);
    }
    if (!f.connectionValid) {
        const int m = v.gridLeft + (v.gridRight - v.gridLeft) / 2;
        v.retrySpot.rect = paneRect(v.gridBottom + 1, m - 140, f.pane->bottom, m + 140);
        TextStyle style;
        style.size = 10;
        style.colour = colour::warning;
        style.align = 1;
        style.underline = v.retrySpot.highlighted;
        writeText(f.ctx, f.pane, "Internet problem... (click here to retry your search)", v.retrySpot.rect,
                  style);
    }
}

void drawUpgradeNotice(Frame& f) {
    CalVis& v = *f.view;
    if (!f.state->getVoxtrail_version_update() || !f.connectionValid || f.hovered) return;
    v.upgradeSpot.rect = paneRect(v.gridTop - 55, v.gridLeft + 125, v.gridTop - 15, v.gridRight - 325);
    TextStyle style;
    style.size = 12;
    style.colour = colour::warning;
    style.align = 1;
    style.underline = v.upgradeSpot.highlighted;
    writeText(f.ctx, f.pane, "A Newer Version of Voxtrail is Available. \n Click Here to Upgrade.",
              v.upgradeSpot.rect, style);
}
