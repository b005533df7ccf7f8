// Moving the grid between months, kept within the months that hold the tab's entries, and the
// show list following the month.
#include "plugin/view/month_navigation.h"
#include "tests/view/view_fixture.h"

#include <ctime>
#include <string>
#include <utility>

namespace {
class MonthNavigation : public ViewFixture {};
} // namespace

TEST_F(MonthNavigation, AnEmptyListLeavesEveryMonthOpen) {
    // A search that found nothing still lets the user look around the calendar.
    showMonth(12, 2009);
    showNextMonth(data);
    EXPECT_EQ(view.curVisMonth, 1);
    EXPECT_EQ(view.curVisYear, 2010);
    showPreviousMonth(data);
    showPreviousMonth(data);
    EXPECT_EQ(view.curVisMonth, 11);
    EXPECT_EQ(view.curVisYear, 2009);
}

TEST_F(MonthNavigation, StopsAtTheMonthsOfTheFirstAndLastEntries) {
    add(concerts, "A", 3, 5, 2009);
    add(concerts, "B", 20, 6, 2009);
    showMonth(6, 2009);
    showNextMonth(data); // the last entry is in the visible month
    EXPECT_EQ(view.curVisMonth, 6);
    showMonth(5, 2009);
    showPreviousMonth(data);
    EXPECT_EQ(view.curVisMonth, 5);
    showNextMonth(data);
    EXPECT_EQ(view.curVisMonth, 6);
    EXPECT_EQ(view.curVisShowListOffset, -54); // the list starts at June's first entry
    showPreviousMonth(data);
    EXPECT_EQ(view.curVisMonth, 5);
    EXPECT_EQ(view.curVisShowListOffset, 0);
}

TEST_F(MonthNavigation, WrapsAroundTheYear) {
    add(concerts, "A", 15, 12, 2008);
    add(concerts, "B", 15, 1, 2009);
    showMonth(12, 2008);
    showNextMonth(data);
    EXPECT_EQ(view.curVisMonth, 1);
    EXPECT_EQ(view.curVisYear, 2009);
    showPreviousMonth(data);
    EXPECT_EQ(view.curVisMonth, 12);
    EXPECT_EQ(view.curVisYear, 2008);
}

TEST_F(MonthNavigation, MonthChangeResetsCellScrollsAndHover) {
    SHOWENTRY* a = add(concerts, "A", 3, 5, 2009);
    add(concerts, "B", 3, 7, 2009);
    a->hovered = true;
    view.cellScroll[10] = 3;
    showMonth(5, 2009);
    showNextMonth(data);
    EXPECT_EQ(view.curVisMonth, 6);
    EXPECT_EQ(view.cellScroll[10], 0);
    EXPECT_FALSE(a->hovered);
    // June has no entry, so the list starts at July's, the second row.
    EXPECT_EQ(view.curVisShowListOffset, -54);
}

TEST_F(MonthNavigation, ReleasesTabPassesOverFilteredFormats) {
    state.setCurCalTab(2);
    addRelease(albumReleases, "Early", 1, 3, 2009, "Import");
    addRelease(albumReleases, "Kept", 1, 4, 2009, "CD");
    addRelease(albumReleases, "Late", 1, 8, 2009, "Import");
    state.addFormatFilter("Import");
    showMonth(4, 2009);
    showPreviousMonth(data); // March holds only a filtered release
    EXPECT_EQ(view.curVisMonth, 4);
    showNextMonth(data); // so does August
    EXPECT_EQ(view.curVisMonth, 4);
    state.removeFormatFilter("Import");
    showNextMonth(data);
    EXPECT_EQ(view.curVisMonth, 5);
    EXPECT_EQ(view.curVisShowListOffset, -108);
}

TEST_F(MonthNavigation, EachTabNavigatesItsOwnList) {
    add(friendShows, "Friend", 1, 6, 2009);
    add(concerts, "Mine", 20, 5, 2009);
    showMonth(5, 2009);
    showNextMonth(data);
    EXPECT_EQ(view.curVisMonth, 5); // tab 0 ends in May
    state.setCurCalTab(1);
    showNextMonth(data);
    EXPECT_EQ(view.curVisMonth, 6);
    showNextMonth(data);
    EXPECT_EQ(view.curVisMonth, 6);
    state.setCurCalTab(9); // an unknown stored tab shows the first one
    showPreviousMonth(data);
    EXPECT_EQ(view.curVisMonth, 5);
}

TEST_F(MonthNavigation, OffsetCountsEntriesBeforeTheMonth) {
    for (int d = 1; d <= 5; ++d)
        add(concerts, std::string(1, char('A' + d)).c_str(), d, 4, 2009);
    add(concerts, "May", 1, 5, 2009);
    showMonth(5, 2009);
    setOffsetToMatchVisibleMonth(data);
    EXPECT_EQ(view.curVisShowListOffset, -5 * 54);
    showMonth(1, 2010);
    setOffsetToMatchVisibleMonth(data);
    EXPECT_EQ(view.curVisShowListOffset, -6 * 54);
}

TEST(ViewStart, ShowsTheCurrentMonthAtTheTopOfTheList) {
    const auto monthNow = [] {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return std::make_pair(local.tm_mon + 1, local.tm_year + 1900);
    };
    const auto before = monthNow();
    CalVis v(nullptr, nullptr);
    const auto after = monthNow(); // the view may have started just as a month turned
    const auto shown = std::make_pair(v.curVisMonth, v.curVisYear);
    EXPECT_TRUE(shown == before || shown == after) << v.curVisMonth << "/" << v.curVisYear;
    EXPECT_EQ(v.curVisShowListOffset, 0);
}
