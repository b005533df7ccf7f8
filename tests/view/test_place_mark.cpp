// The lines that tell where a show not found for home was found: the list's and the hover panel's.
#include "common/fixed_text.h"
#include "plugin/engine/found_place.h"
#include "plugin/view/place_mark.h"

#include <gtest/gtest.h>

TEST(PlaceMark, TellsWhereAShowNotFoundForHomeWasFound) {
    const int32_t year = vx::localToday().year;
    const std::vector<Trip> trips{{"Chicago", "IL", 50, {year, 3, 3}, {year, 3, 7}}};
    SHOWENTRY show;
    vx::copyText(show.foundCity, "Chicago");
    vx::copyText(show.foundState, "IL");
    show.foundRadius = 50;
    show.year = year, show.month = 3, show.day = 5;
    EXPECT_EQ(placeLine(show, trips), "") << "home's show";
    show.onTrip = true;
    EXPECT_EQ(placeLabel(show), "Trip: Chicago, IL");
    EXPECT_EQ(placeLine(show, trips), "Trip: Chicago, IL, Mar 3 to Mar 7");
    show.day = 9; // outside the trip's dates, as after the trip was changed: the place alone
    EXPECT_EQ(placeLine(show, trips), "Trip: Chicago, IL");
    show.onTrip = false;
    show.elsewhere = true;
    EXPECT_EQ(placeLabel(show), "found near Chicago, IL");
    EXPECT_EQ(placeLine(show, trips), "Not in this search: found near Chicago, IL");
}
