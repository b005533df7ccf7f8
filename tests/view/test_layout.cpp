// The screen's layout: the geometry of each pane size, the rectangles the mouse code reads,
// and which items a frame shows for the state and lists it is given.
#include "plugin/view/draw_calendar.h"
#include "tests/view/recording_context.h"
#include "tests/view/view_fixture.h"

#include <cstring>
#include <memory>
#include <string>

namespace {
bool same(const Rect& r, int top, int left, int bottom, int right) {
    return r.top == top && r.left == left && r.bottom == bottom && r.right == right;
}
#define EXPECT_RECT(r, t, l, b, rt)                                                                          \
    EXPECT_TRUE(same(r, t, l, b, rt))                                                                        \
        << #r << " = {" << r.top << ", " << r.left << ", " << r.bottom << ", " << r.right << "}"

class Layout : public ViewFixture {
  protected:
    Layout() { showMonth(5, 2009); }
    RecordingContext& draw(int width = 1280, int height = 800) {
        pane = Rect{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
        ctx = std::make_unique<RecordingContext>(height, 4); // narrow enough that the texts fit
        drawCalendarFrame(ctx.get(), &pane, data);
        return *ctx;
    }
    bool drew(const std::string& text) const { return ctx->find(text) != nullptr; }
    bool drewStarting(const std::string& prefix) const {
        for (const auto& t : ctx->texts)
            if (t.text.rfind(prefix, 0) == 0) return true;
        return false;
    }
    int countInCell(SHOWLIST& list) {
        int n = 0;
        for (SHOWENTRY* e = list.head; e; e = e->next)
            n += e->inCell;
        return n;
    }
    Rect pane{};
    std::unique_ptr<RecordingContext> ctx;
};
} // namespace

TEST_F(Layout, GeometryFollowsThePaneSize) {
    showMonth(9, 2023); // five weeks: Friday the 1st to Saturday the 30th
    draw(1280, 800);
    EXPECT_EQ(view.gridRight, 1258);
    EXPECT_EQ(view.gridBottom, 779);
    EXPECT_RECT(view.gridRect, 105, 240, 779, 1258);
    EXPECT_RECT(view.cellRect[0], 121, 241, 252, 384);
    EXPECT_RECT(view.cellRect[8], 252, 386, 383, 529);
    EXPECT_RECT(view.cellRect[34], 645, 1111, 776, 1254);
    EXPECT_EQ(view.gridCells, 35);

    draw(800, 600);
    EXPECT_EQ(view.gridRight, 782);
    EXPECT_EQ(view.gridBottom, 579);
    EXPECT_RECT(view.cellRect[34], 485, 703, 576, 778);
}

TEST_F(Layout, SixWeekMonthSharesTheGridAmongSixRows) {
    // January 2027 starts on a Friday and ends on Sunday the 31st, alone in a sixth row.
    showMonth(1, 2027);
    SHOWENTRY* last = add(concerts, "Last", 31, 1, 2027);
    SHOWENTRY* first = add(concerts, "First", 1, 1, 2027);
    draw(1280, 800);
    EXPECT_EQ(view.gridCells, 42);
    EXPECT_EQ(view.gridBottom, 779) << "the grid keeps its size";
    EXPECT_RECT(view.cellRect[0], 121, 241, 230, 384);
    EXPECT_RECT(view.cellRect[35], 666, 241, 775, 384);
    EXPECT_LE(view.cellRect[41].bottom, view.gridBottom - 1);
    ASSERT_TRUE(last->inCell);
    EXPECT_EQ(last->inCellRect.top, view.cellRect[35].top + 15);
    ASSERT_TRUE(first->inCell);
    EXPECT_EQ(first->inCellRect.left, view.cellRect[5].left);
    EXPECT_TRUE(drew("31"));

    // Back to a five-week month: the sixth row's rectangles no longer catch the mouse.
    view.cellScroll[40] = 2;
    showMonth(9, 2023);
    draw(1280, 800);
    EXPECT_EQ(view.gridCells, 35);
    EXPECT_RECT(view.cellRect[35], 0, 0, 0, 0);
    EXPECT_RECT(view.cellRect[41], 0, 0, 0, 0);
    EXPECT_EQ(view.cellScroll[40], 0);
    EXPECT_FALSE(last->inCell);
}

TEST_F(Layout, FixedHotSpotsAndTabs) {
    draw();
    EXPECT_RECT(view.citySpot.rect, 18, 79, 38, 240);
    EXPECT_RECT(view.stateSpot.rect, 39, 79, 59, 240);
    EXPECT_RECT(view.radiusSpot.rect, 60, 79, 80, 240);
    EXPECT_RECT(view.tabSpot[0].rect, 85, 33, 104, 128);
    EXPECT_RECT(view.tabSpot[1].rect, 85, 245, 104, 345);
    EXPECT_RECT(view.tabSpot[2].rect, 85, 138, 104, 235);
    EXPECT_RECT(view.versionSpot.rect, 780, 1178, 799, 1258);
    EXPECT_RECT(view.preferencesSpot.rect, 1, 1158, 20, 1238);
    EXPECT_RECT(view.iPhoneAppSpot.rect, 1, 1038, 20, 1138);
    EXPECT_RECT(view.androidAppSpot.rect, 1, 873, 20, 1033);
    EXPECT_RECT(view.supportSpot.rect, 782, 466, 799, 946); // 480 wide around 706
    state.setCurCalTab(2);
    draw();
    EXPECT_RECT(view.supportSpot.rect, 782, 466, 799, 946);
}

TEST_F(Layout, TabLabelsCountTheirLists) {
    add(concerts, "A", 1, 5, 2009);
    add(concerts, "B", 2, 5, 2009);
    addRelease(albumReleases, "R1", 3, 5, 2009, "CD");
    addRelease(albumReleases, "R2", 4, 5, 2009, "Import");
    state.addFormatFilter("Import");
    draw();
    EXPECT_TRUE(drew("My Shows (2)"));
    EXPECT_TRUE(drew("Friend Shows (0)"));
    EXPECT_TRUE(drew("CD Releases (1)"));
    // The selected tab's label is bold; the font is back to the regular face afterwards.
    EXPECT_EQ(ctx->find("My Shows (2)")->font, "LucidaGrande-Bold");
    EXPECT_EQ(ctx->find("CD Releases (1)")->font, "Lucida Grande");
    state.setUpdatingConcerts(true);
    draw();
    EXPECT_TRUE(drew("My Shows... (2)"));
}

TEST_F(Layout, ListOffsetIsClampedEveryFrame) {
    for (int i = 0; i < 20; ++i)
        add(concerts, ("Band " + std::to_string(i)).c_str(), 1 + i, 5, 2009);
    view.curVisShowListOffset = 50;
    draw();
    EXPECT_EQ(view.curVisShowListOffset, 0);
    EXPECT_TRUE(view.listScrollable);
    EXPECT_EQ(view.listContentHeight, 20 * 54);
    EXPECT_EQ(view.thumbLength, 402); // 674 / 1080 of the 644-pixel track, plus one
    view.curVisShowListOffset = -5000;
    draw();
    EXPECT_EQ(view.curVisShowListOffset, 674 - 1080);
    EXPECT_EQ(view.thumbPosition, 242);
    EXPECT_RECT(view.thumbRect, 362, 222, 764, 236);
    EXPECT_RECT(view.scrollUpRect, 105, 222, 119, 236);
    EXPECT_RECT(view.scrollDownRect, 765, 222, 779, 236);
    EXPECT_RECT(view.listAreaRect, 105, 18, 779, 236);
}

TEST_F(Layout, ShortListIsNotScrollable) {
    for (int i = 0; i < 5; ++i)
        add(concerts, ("Band " + std::to_string(i)).c_str(), 1 + i, 5, 2009);
    view.curVisShowListOffset = -100;
    draw();
    EXPECT_EQ(view.curVisShowListOffset, 0);
    EXPECT_FALSE(view.listScrollable);
    EXPECT_RECT(view.thumbRect, 0, 0, 0, 0);
}

TEST_F(Layout, RowRectanglesStartAtTheListTop) {
    SHOWENTRY* a = add(concerts, "Alpha", 1, 5, 2009);
    SHOWENTRY* b = add(concerts, "Beta", 2, 5, 2009);
    for (int i = 0; i < 20; ++i)
        add(concerts, ("Band " + std::to_string(i)).c_str(), 3 + i, 5, 2009);
    draw();
    EXPECT_TRUE(a->inList);
    EXPECT_RECT(a->rowRect, 105, 18, 160, 222);
    EXPECT_RECT(b->rowRect, 159, 18, 214, 222);
    // One row up: the first row shows one pixel of itself, clipped to the list's top.
    view.curVisShowListOffset = -54;
    draw();
    EXPECT_TRUE(a->inList);
    EXPECT_RECT(a->rowRect, 105, 18, 106, 222);
    view.curVisShowListOffset = -108;
    draw();
    EXPECT_FALSE(a->inList);
    EXPECT_TRUE(b->inList);
    int listed = 0;
    for (SHOWENTRY* e = concerts.head; e; e = e->next)
        listed += e->inList;
    EXPECT_EQ(listed, 14); // rows from y = 51 in steps of 54 up to the grid's bottom
}

TEST_F(Layout, RowTextsAndStyles) {
    SHOWENTRY* a = add(concerts, "Alpha", 5, 5, 2009);
    vx::copyText(a->location, "Boston, MA");
    a->selected = true;
    SHOWENTRY* b = add(concerts, "Beta", 6, 5, 2009);
    b->hovered = true;
    b->ticketsAvailable = true;
    b->nameList->add(new FRIENDNAME("ann"));
    b->nameList->add(new FRIENDNAME("bob"));
    draw();
    const auto* date = ctx->find("May 5, 2009 - The Hall  (Boston, MA)");
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->font, "LucidaGrande-Bold");
    EXPECT_NEAR(date->colour.b, 80 / 255.0, 1e-9);
    EXPECT_TRUE(drew("May 6, 2009 - The Hall"));
    EXPECT_TRUE(drew("   ann, bob"));
    const auto* title = ctx->find("Beta");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->size, 15);
    EXPECT_EQ(title->font, "Lucida Grande");
    // Hovered: underlined title and the details at the top; no upgrade notice over them.
    state.setVoxtrail_version_update(true);
    draw();
    EXPECT_TRUE(drew("Your Friends: ann, bob"));
    EXPECT_FALSE(drewStarting("A Newer Version"));
    b->hovered = false;
    draw();
    EXPECT_TRUE(drewStarting("A Newer Version"));
    EXPECT_RECT(view.upgradeSpot.rect, 50, 365, 90, 933);
    // A show no friend shares has no friends' label with nothing behind it.
    state.setVoxtrail_version_update(false);
    a->hovered = true;
    draw();
    EXPECT_TRUE(drew("Alpha"));
    EXPECT_FALSE(drewStarting("Your Friends"));
}

TEST_F(Layout, MonthArrowsOnlyLeadToMonthsWithEntries) {
    // An empty tab leaves both open.
    draw();
    EXPECT_RECT(view.nextMonthSpot.rect, 75, 1230, 95, 1258);
    EXPECT_RECT(view.prevMonthSpot.rect, 75, 1070, 95, 1098);
    EXPECT_TRUE(drew("May 2009"));
    add(concerts, "Later", 1, 6, 2009);
    draw();
    EXPECT_RECT(view.nextMonthSpot.rect, 75, 1230, 95, 1258);
    EXPECT_EQ(ctx->find(">>")->colour.r, 0);
    EXPECT_RECT(view.prevMonthSpot.rect, 0, 0, 0, 0);
    add(concerts, "Earlier", 1, 4, 2009);
    draw();
    EXPECT_RECT(view.prevMonthSpot.rect, 75, 1070, 95, 1098);
}

TEST_F(Layout, ASearchThatFoundNothingSaysSoInTheList) {
    state.setCurCity("Z\xC3\xBCrich");
    state.setUpdatingConcerts(true);
    draw();
    EXPECT_FALSE(drewStarting("No upcoming shows were found")) << "not while it searches";
    state.setUpdatingConcerts(false);
    draw();
    EXPECT_TRUE(drewStarting("No upcoming shows were found"));
    EXPECT_TRUE(drewStarting("near Z\xC3\xBCrich.") ||
                drewStarting("No upcoming shows were found\nnear Z\xC3\xBCrich."));
}

TEST_F(Layout, CrowdedDayGetsCellArrows) {
    // September 2023 starts on a Friday: the 13th is cell 17. A 131-pixel cell lists 7 entries.
    showMonth(9, 2023);
    for (int i = 0; i < 9; ++i)
        add(concerts, ("Act " + std::to_string(i)).c_str(), 13, 9, 2023);
    draw();
    EXPECT_FALSE(view.cellCanScrollUp[17]);
    EXPECT_TRUE(view.cellCanScrollDown[17]);
    EXPECT_EQ(countInCell(concerts), 7);
    const Rect cell = view.cellRect[17];
    EXPECT_RECT(concerts.head->inCellRect, cell.top + 15, cell.left, cell.top + 30, cell.right - 11);
    EXPECT_EQ(view.cellUpArrowRect[17].right, cell.right);
    EXPECT_EQ(view.cellDownArrowRect[17].bottom, cell.bottom);
    EXPECT_EQ(view.cellUpArrowRect[17].bottom, view.cellDownArrowRect[17].top);

    view.cellScroll[17] = 2;
    draw();
    EXPECT_TRUE(view.cellCanScrollUp[17]);
    EXPECT_FALSE(view.cellCanScrollDown[17]);
    EXPECT_FALSE(concerts.head->inCell);
    EXPECT_TRUE(concerts.tail->inCell);
    EXPECT_EQ(countInCell(concerts), 7);
}

TEST_F(Layout, RoomyDayResetsItsCellScroll) {
    showMonth(9, 2023);
    add(concerts, "Solo", 13, 9, 2023);
    view.cellScroll[17] = 3;
    view.cellCanScrollUp[17] = view.cellCanScrollDown[17] = true;
    draw();
    EXPECT_EQ(view.cellScroll[17], 0);
    EXPECT_FALSE(view.cellCanScrollUp[17]);
    EXPECT_FALSE(view.cellCanScrollDown[17]);
    EXPECT_TRUE(concerts.head->inCell);
    EXPECT_RECT(concerts.head->inCellRect, 398, 676, 413, 819);
}

TEST_F(Layout, MayOf2009ShowsItsLastDaysAndTheSundayBefore) {
    SHOWENTRY* thirtieth = add(concerts, "Thirtieth", 30, 5, 2009);
    SHOWENTRY* last = add(concerts, "Last", 31, 5, 2009);
    SHOWENTRY* april = add(concerts, "April", 26, 4, 2009);
    draw();
    EXPECT_TRUE(thirtieth->inCell);
    EXPECT_EQ(thirtieth->inCellRect.top, view.cellRect[34].top + 15);
    ASSERT_TRUE(last->inCell);
    EXPECT_EQ(last->inCellRect.top, view.cellRect[35].top + 15);
    EXPECT_TRUE(april->inCell); // cell 0 is the Sunday before the 1st
    EXPECT_EQ(april->inCellRect.left, view.cellRect[0].left);
    EXPECT_TRUE(drew("26"));
    EXPECT_TRUE(drew("31"));
}

TEST_F(Layout, ReleasesTabHidesFilteredFormats) {
    state.setCurCalTab(2);
    SHOWENTRY* shown = addRelease(albumReleases, "Shown", 13, 5, 2009, "CD");
    SHOWENTRY* hidden = addRelease(albumReleases, "Hidden", 13, 5, 2009, "Vinyl");
    state.addFormatFilter("Vinyl");
    draw();
    EXPECT_TRUE(shown->inCell);
    EXPECT_TRUE(shown->inList);
    EXPECT_FALSE(hidden->inCell);
    EXPECT_FALSE(hidden->inList);
    EXPECT_EQ(view.listContentHeight, 54);
}

TEST_F(Layout, EmptyFriendTabExplainsItself) {
    state.setCurCalTab(1);
    draw();
    EXPECT_TRUE(drew("You have not entered any of "));
    EXPECT_TRUE(drew("calendars."));
    friends.add(new FRIENDNAME("pal"));
    draw();
    EXPECT_FALSE(drew("You have not entered any of "));
}

// The date of the last search keeps its place in a wide pane and stays clear of the box the
// app links are drawn in (their width depends on the font) in a narrow one.
TEST_F(Layout, TheLastSearchDateStaysClearOfTheAppLinks) {
    state.setLastSearch_d(19);
    state.setLastSearch_m(12);
    state.setLastSearch_y(2026);
    for (int width : {800, 1024, 1280}) {
        draw(width, 600);
        const auto* date = ctx->find("Last updated: 12/19/2026");
        ASSERT_TRUE(date) << width;
        EXPECT_LT(date->x + 4 * 24, view.androidAppSpot.rect.left) << width; // 24 bytes, 4 pixels each
        // Where it fits, the date stays centred over the grid's left part.
        if (width >= 1024) {
            EXPECT_NEAR(date->x + 2 * 24, (view.gridLeft + view.gridRight - 200) / 2.0, 2) << width;
        }
    }
}

TEST_F(Layout, StatusLineAndProgressBar) {
    state.setLastSearch_d(3);
    state.setLastSearch_m(5);
    state.setLastSearch_y(2009);
    draw();
    EXPECT_TRUE(drew("Last updated: 5/3/2009"));
    state.setUpdatingAlbums(true);
    state.setUpdatingProgress(50);
    draw();
    EXPECT_FALSE(drewStarting("Last updated"));
    EXPECT_TRUE(drew("(Searching for upcoming album releases...)"));
    // The fill runs 2p - 1 pixels from c - 99 (c = 640), less the one pixel every fill loses.
    bool found = false;
    for (const auto& f : ctx->fills)
        if (f.rect.origin.x == 541 && f.rect.origin.y == 800 - 33) {
            found = true;
            EXPECT_EQ(f.rect.size.width, 98);
            EXPECT_NEAR(f.colour.r, 128 / 255.0, 1e-9);
        }
    EXPECT_TRUE(found);
    state.setUpdatingShared(true);
    draw();
    EXPECT_TRUE(drew("(Sharing only your highlighted shows...)"));
    state.setUpdatingConcerts(true);
    state.setUpdatingProgress(0);
    draw();
    EXPECT_TRUE(drew("(Searching for upcoming shows...)"));
    for (const auto& f : ctx->fills)
        EXPECT_FALSE(f.rect.origin.y == 800 - 33) << "no fill before progress";
}

TEST_F(Layout, LocationFieldsShowEditingAndPlaceholders) {
    state.setCurCityDisplay("Boston");
    state.setUpdatingCity(true);
    state.setCurSearchRadiusDisplay("");
    draw();
    EXPECT_TRUE(drew("Boston|"));
    EXPECT_TRUE(drew("click here to enter a state."));
    EXPECT_TRUE(drew("click here to enter"));
    state.setUpdatingCity(false);
    state.setCurCityDisplay("");
    draw();
    EXPECT_TRUE(drew("click here to enter a city..."));
}

TEST_F(Layout, ConnectionProblemReplacesTheSupportLine) {
    view.supportSpot.highlighted = true;
    state.setValid_internet_connection(false);
    draw();
    EXPECT_RECT(view.supportSpot.rect, 0, 0, 0, 0);
    EXPECT_FALSE(view.supportSpot.highlighted);
    EXPECT_RECT(view.retrySpot.rect, 780, 609, 800, 889);
    EXPECT_TRUE(drew("Internet problem... (click here to retry your search)"));
    state.setRestartingSearch(true);
    draw();
    EXPECT_TRUE(drew("Restarting search, PLEASE WAIT..."));
    EXPECT_EQ(ctx->find("Restarting search, PLEASE WAIT...")->colour.g, 0);
}

TEST_F(Layout, WeekdayNamesSitOnTheBand) {
    draw();
    const auto* sun = ctx->find("Sun");
    const auto* sat = ctx->find("Sat");
    ASSERT_TRUE(sun && sat);
    EXPECT_EQ(sun->x, 240 - 10 + 72);
    EXPECT_EQ(sat->x, 240 - 10 + 72 + 6 * 145);
    EXPECT_EQ(sun->y, 800 - 116);
}
