// The lines that tell where a show not found for home was found: the list's small line and the
// hover panel's, with the dates of the user's trip there.
#include "common/fixed_text.h"
#include "plugin/engine/found_place.h"
#include "plugin/view/place_mark.h"

#include <gtest/gtest.h>

TEST(PlaceMark, TellsWhereAShowNotFoundForHomeWasFound) {
    const int32_t thisYear = vx::localToday().year;
    const std::string denver = "Trip: Denver, CO, Dec 30, " + std::to_string(thisYear + 1) + " to Jan 2, " +
                               std::to_string(thisYear + 2);
    const std::vector<Trip> trips{{"Chicago", "IL", 50, {thisYear, 3, 3}, {thisYear, 3, 7}},
                                  {"Denver", "CO", 50, {thisYear + 1, 12, 30}, {thisYear + 2, 1, 2}}};
    struct Case {
        const char* city;
        const char* region;
        bool elsewhere, onTrip;
        int32_t year, month, day;
        const char* label;
        std::string line;
    } cases[] = {
        {"Boston", "MA", false, false, thisYear, 3, 5, "", ""},
        {"Boston", "MA", true, false, thisYear, 3, 5, "found near Boston, MA",
         "Not in this search: found near Boston, MA"},
        {"", "", true, false, thisYear, 3, 5, "found by another search",
         "Not in this search: found by another search"},
        {"Chicago", "IL", false, true, thisYear, 3, 5, "Trip: Chicago, IL",
         "Trip: Chicago, IL, Mar 3 to Mar 7"},
        {"Denver", "CO", false, true, thisYear + 2, 1, 1, "Trip: Denver, CO", denver},
        // A trip removed since, or a show outside its dates: the place alone.
        {"Chicago", "IL", false, true, thisYear, 3, 9, "Trip: Chicago, IL", "Trip: Chicago, IL"},
    };
    for (const Case& c : cases) {
        SHOWENTRY show;
        vx::copyText(show.foundCity, c.city);
        vx::copyText(show.foundState, c.region);
        show.foundRadius = 50;
        show.elsewhere = c.elsewhere;
        show.onTrip = c.onTrip;
        show.year = c.year, show.month = c.month, show.day = c.day;
        EXPECT_EQ(placeLabel(show), c.label);
        EXPECT_EQ(placeLine(show, trips), c.line);
    }
}
