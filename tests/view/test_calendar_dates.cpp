// Weekdays, day steps and the pane-to-drawing rectangle conversion.
#include "plugin/model/show_time.h"
#include "plugin/view/cal_vis.h"
#include "plugin/view/entry_text.h"

#include <array>
#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

namespace {
struct Date {
    int d, m, y;
    bool operator==(const Date& o) const { return d == o.d && m == o.m && y == o.y; }
};
Date next(Date x) {
    incrementDay(&x.d, &x.m, &x.y);
    return x;
}
Date previous(Date x) {
    decrementDay(&x.d, &x.m, &x.y);
    return x;
}
} // namespace

TEST(Weekday, KnownDatesIncludingLeapDayAndJanuary) {
    EXPECT_EQ(getDayOfTheWeek(1, 1, 2009), 4);  // Thursday
    EXPECT_EQ(getDayOfTheWeek(1, 3, 2008), 6);  // Saturday
    EXPECT_EQ(getDayOfTheWeek(29, 2, 2008), 5); // Friday
    EXPECT_EQ(getDayOfTheWeek(1, 1, 2000), 6);  // Saturday, century year
    EXPECT_EQ(getDayOfTheWeek(31, 12, 2023), 0);
    EXPECT_EQ(getDayOfTheWeek(4, 7, 1976), 0);
}

TEST(Weekday, AgreesWithStepsOverManyYears) {
    // Walking day by day from a known Sunday must keep the weekday formula in step.
    Date d{4, 1, 2004};
    int weekday = 0;
    for (int i = 0; i < 366 * 8; ++i) {
        ASSERT_EQ(getDayOfTheWeek(d.d, d.m, d.y), weekday) << d.d << "/" << d.m << "/" << d.y;
        d = next(d);
        weekday = (weekday + 1) % 7;
    }
}

TEST(DaySteps, MonthAndYearEnds) {
    EXPECT_EQ(next({28, 2, 2008}), (Date{29, 2, 2008}));
    EXPECT_EQ(next({29, 2, 2008}), (Date{1, 3, 2008}));
    EXPECT_EQ(next({28, 2, 2009}), (Date{1, 3, 2009}));
    EXPECT_EQ(next({31, 12, 2008}), (Date{1, 1, 2009}));
    EXPECT_EQ(next({30, 4, 2009}), (Date{1, 5, 2009}));
    EXPECT_EQ(next({30, 5, 2009}), (Date{31, 5, 2009}));
    EXPECT_EQ(next({27, 6, 2009}), (Date{28, 6, 2009}));
    EXPECT_EQ(previous({1, 3, 2008}), (Date{29, 2, 2008}));
    EXPECT_EQ(previous({1, 3, 2009}), (Date{28, 2, 2009}));
    EXPECT_EQ(previous({1, 1, 2009}), (Date{31, 12, 2008}));
    EXPECT_EQ(previous({1, 5, 2009}), (Date{30, 4, 2009}));
    EXPECT_EQ(previous({1, 8, 2009}), (Date{31, 7, 2009}));
    EXPECT_EQ(previous({15, 8, 2009}), (Date{14, 8, 2009}));
}

TEST(DaySteps, CenturyYearsCountAsLeapYears) {
    EXPECT_EQ(next({28, 2, 1900}), (Date{29, 2, 1900}));
    EXPECT_EQ(previous({1, 3, 2100}), (Date{29, 2, 2100}));
}

TEST(DaySteps, ForwardThenBackReturnsForEveryDayOfAYear) {
    Date d{1, 1, 2011};
    for (int i = 0; i < 800; ++i) {
        const Date n = next(d);
        ASSERT_EQ(previous(n), d);
        d = n;
    }
    EXPECT_EQ(d, (Date{11, 3, 2013}));
}

TEST(DaySteps, DatesThatAreNoMonthDoNotWrap) {
    EXPECT_EQ(next({30, 13, 2009}), (Date{31, 13, 2009}));
    EXPECT_EQ(previous({1, 0, 2009}), (Date{0, 0, 2009}));
}

TEST(GridWeeks, SixOnlyWhenTheLastDaysPassTheFifthWeek) {
    EXPECT_EQ(monthGridWeeks(1, 2027), 6);  // Friday the 1st, 31 days
    EXPECT_EQ(monthGridWeeks(5, 2027), 6);  // Saturday the 1st
    EXPECT_EQ(monthGridWeeks(9, 2023), 5);  // Friday the 1st, 30 days: exactly five weeks
    EXPECT_EQ(monthGridWeeks(2, 2026), 5);  // Sunday the 1st, 28 days: four weeks still get five rows
    EXPECT_EQ(monthGridWeeks(2, 2020), 5);  // Saturday the 1st of a leap February
    EXPECT_EQ(monthGridWeeks(13, 2027), 5); // no month: no endless walk
}

TEST(ConvertRect, FlipsAndLosesOnePixelOfWidthAndHeight) {
    const Rect pane = {0, 0, 400, 640};
    const CGRect r = convertRect(Rect{105, 240, 120, 300}, &pane);
    EXPECT_EQ(r.origin.x, 240);
    EXPECT_EQ(r.origin.y, 280);
    EXPECT_EQ(r.size.width, 59);
    EXPECT_EQ(r.size.height, 14);
    // Only the pane's height counts, not where the pane sits in its port.
    const Rect moved = {22, 10, 422, 650};
    const CGRect m = convertStrokeRect(Rect{105, 240, 120, 300}, &moved);
    EXPECT_EQ(m.origin.y, 280);
    EXPECT_EQ(m.origin.x, 240);
}

// The venue's clock, named only where the user's reads another hour then.
TEST(ShowStartText, VenueClockAndTheZoneNameWhereTheUsersDiffers) {
    setenv("TZ", "America/Chicago", 1);
    tzset();
    const std::vector<std::array<std::string, 3>> cases = {
        {"20:00", "America/Chicago", "Sat, Mar 6, 8:00 PM"},
        {"00:15", "America/New_York", "Sat, Mar 6, 12:15 AM EST"}};
    for (const auto& [time, zone, text] : cases) {
        SHOWENTRY show;
        show.year = 2027, show.month = 3, show.day = 6;
        vx::setShowTime(show, time, zone);
        EXPECT_EQ(showStartText(show, 1805000000 /* 2027 */), text);
    }
    unsetenv("TZ");
    tzset();
}
