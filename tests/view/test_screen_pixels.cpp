// Colours a user sees at places the layout fixes, in a 1280 x 800 pane drawn through the real
// drawing context: the weekday band, day bands, today's cell, each tab's colours, the progress
// bar, the restart notice and the ticket icons.
#include "plugin/view/draw_calendar.h"
#include "plugin/view/ticket_icons.h"
#include "tests/view/pixel_frame.h"
#include "tests/view/view_fixture.h"

#include <ctime>

namespace {
constexpr int kW = 1280, kH = 800;
// 1280 x 800: cells are 145 x 131, the first cell's top-left at (241, 121).
int cellLeft(int index) {
    return 241 + (index % 7) * 145;
}
int cellTop(int index) {
    return 121 + (index / 7) * 131;
}

class ScreenPixels : public ViewFixture {
  protected:
    ScreenPixels() { showMonth(9, 2023); }
    std::unique_ptr<PixelFrame> draw() {
        auto f = std::make_unique<PixelFrame>(kW, kH);
        Rect pane = {0, 0, kH, kW};
        drawCalendarFrame(f->ctx, &pane, data);
        f->finish();
        return f;
    }
};
} // namespace

TEST_F(ScreenPixels, WeekdayBandAndDayBands) {
    auto f = draw();
    EXPECT_EQ(f->rgb(250, 112), PixelFrame::rgb(192, 192, 192));
    // September 2023 starts on a Friday: cells 0-4 are August's, cell 5 is the 1st, cell 34 the 30th.
    EXPECT_EQ(f->rgb(cellLeft(0) + 9, cellTop(0) + 7), PixelFrame::rgb(222, 222, 222));
    EXPECT_EQ(f->rgb(cellLeft(4) + 9, cellTop(4) + 7), PixelFrame::rgb(222, 222, 222));
    EXPECT_EQ(f->rgb(cellLeft(5) + 9, cellTop(5) + 7), PixelFrame::rgb(158, 202, 228));
    EXPECT_EQ(f->rgb(cellLeft(34) + 9, cellTop(34) + 7), PixelFrame::rgb(158, 202, 228));
    // Cell bodies stay white; the grid outline runs along the top of the cells.
    EXPECT_EQ(f->rgb(cellLeft(12) + 60, cellTop(12) + 80), 0xFFFFFFu);
    EXPECT_EQ(f->rgb(500, 121), PixelFrame::rgb(158, 202, 228));
    showMonth(6, 2009); // June ends on a Tuesday: cells 31-34 are July's
    f = draw();
    EXPECT_EQ(f->rgb(cellLeft(30) + 9, cellTop(30) + 7), PixelFrame::rgb(158, 202, 228));
    EXPECT_EQ(f->rgb(cellLeft(31) + 9, cellTop(31) + 7), PixelFrame::rgb(222, 222, 222));
    EXPECT_EQ(f->rgb(cellLeft(0) + 9, cellTop(0) + 7), PixelFrame::rgb(222, 222, 222));
}

TEST_F(ScreenPixels, TodaysCellStandsOut) {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    const int month = t.tm_mon + 1, year = t.tm_year + 1900;
    const int index = getDayOfTheWeek(1, month, year) + t.tm_mday - 1;
    if (index >= 35) GTEST_SKIP() << "today falls in the sixth week, which the grid does not show";
    showMonth(month, year);
    auto f = draw();
    EXPECT_EQ(f->rgb(cellLeft(index) + 9, cellTop(index) + 7), PixelFrame::rgb(128, 172, 198));
    EXPECT_EQ(f->rgb(cellLeft(index) + 9, cellTop(index) + 120), PixelFrame::rgb(225, 225, 255));
    const int other = index == 20 ? 21 : 20;
    EXPECT_EQ(f->rgb(cellLeft(other) + 9, cellTop(other) + 120), 0xFFFFFFu);
}

TEST_F(ScreenPixels, EachTabHasItsColours) {
    SHOWLIST* lists[3] = {&concerts, &friendShows, &albumReleases};
    for (int tab = 0; tab < 3; ++tab) {
        add(*lists[tab], "Act", 13, 9, 2023);
        state.setCurCalTab(tab);
        // Per tab: ordinary day bands and grid outline, then the list rows' date band.
        const uint32_t a[3] = {PixelFrame::rgb(158, 202, 228), PixelFrame::rgb(219, 245, 179),
                               PixelFrame::rgb(209, 194, 240)};
        const uint32_t c[3] = {PixelFrame::rgb(220, 240, 255), PixelFrame::rgb(239, 255, 210),
                               PixelFrame::rgb(239, 224, 255)};
        auto f = draw();
        SCOPED_TRACE(tab);
        EXPECT_EQ(f->rgb(cellLeft(5) + 9, cellTop(5) + 7), a[tab]);
        EXPECT_EQ(f->rgb(500, 121), a[tab]);
        EXPECT_EQ(f->rgb(215, 110), c[tab]); // the first row's date band
        // The selected tab is white, the others grey.
        const int tabRight[3] = {128, 345, 235};
        for (int other = 0; other < 3; ++other)
            EXPECT_EQ(f->rgb(tabRight[other] - 2, 86),
                      other == tab ? 0xFFFFFFu : PixelFrame::rgb(238, 238, 238))
                << "tab " << other;
    }
}

TEST_F(ScreenPixels, ProgressBarFillsTwoPixelsPerPercent) {
    state.setUpdatingConcerts(true);
    const uint32_t b = PixelFrame::rgb(128, 172, 198);
    for (int p : {25, 50, 100}) {
        state.setUpdatingProgress(p);
        auto f = draw();
        const int last = 541 + 2 * p - 3; // from c - 99, 2p - 1 long, less the pixel each fill loses
        EXPECT_EQ(f->rgb(541, 27), b) << p;
        EXPECT_EQ(f->rgb(last, 27), b) << p;
        EXPECT_NE(f->rgb(last + 1, 27), b) << p;
        EXPECT_NE(f->rgb(540, 27), b) << p;
    }
    state.setUpdatingProgress(0);
    auto f = draw();
    for (int x = 520; x < 760; ++x)
        EXPECT_NE(f->rgb(x, 27), b) << x;
    EXPECT_EQ(f->rgb(540, 27), PixelFrame::rgb(192, 192, 192)); // the bar's outline
}

TEST_F(ScreenPixels, RestartNoticeIsRed) {
    auto before = draw();
    state.setRestartingSearch(true);
    auto f = draw();
    int red = 0, redBefore = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 18; x < 418; ++x) {
            const uint32_t p = f->rgb(x, y), q = before->rgb(x, y);
            red += (p >> 16) > 200 && (p >> 8 & 0xFF) < 100 && (p & 0xFF) < 100;
            redBefore += (q >> 16) > 200 && (q >> 8 & 0xFF) < 100 && (q & 0xFF) < 100;
        }
    EXPECT_GT(red, 100);
    EXPECT_EQ(redBefore, 0);
}

TEST_F(ScreenPixels, TicketIconsComeFromTheResourceFolder) {
    SHOWENTRY* e = add(concerts, "Act", 13, 9, 2023);
    e->ticketsAvailable = true;
    setTicketIconFolder(VX_RESOURCE_DIR);
    auto f = draw();
    // Large icon of the first row: {123, 188, 140, 220}; small one at the cell line's right end.
    const uint32_t large = f->rgb(195, 127);
    EXPECT_GT(large >> 16, 180u);
    EXPECT_LT(large & 0xFF, 100u);
    const int lineRight = cellLeft(17) + 143;
    EXPECT_GT(f->inked(lineRight - 16, cellTop(17) + 17, lineRight, cellTop(17) + 26), 100);

    setTicketIconFolder("/nonexistent-folder");
    f = draw();
    EXPECT_EQ(f->rgb(195, 127), 0xFFFFFFu);
    EXPECT_EQ(f->inked(lineRight - 16, cellTop(17) + 17, lineRight, cellTop(17) + 26), 0);
    setTicketIconFolder(nullptr);
}
