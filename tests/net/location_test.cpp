// The two place look-ups through the web exchange: what they ask and what they store.
#include "plugin/net/location.h"
#include "tests/net/served_web.h"

namespace {

const char* kLookUp = "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=New+York&STATE=NY";

class Location : public ServedWeb {
  protected:
    void place(const char* city, const char* region) {
        root->state.setCurCity(city);
        root->state.setCurState(region);
        root->state.setCurLat(5.0);
        root->state.setCurLon(6.0);
    }
    std::string stored() {
        char city[256], cityShown[256], region[256], regionShown[256];
        root->state.getCurCity(city);
        root->state.getCurCityDisplay(cityShown);
        root->state.getCurState(region);
        root->state.getCurStateDisplay(regionShown);
        return std::string(city) + "|" + cityShown + "|" + region + "|" + regionShown;
    }
};

TEST_F(Location, TheLookUpStoresTheCentre) {
    answer(kLookUp, "<LAT>40.7128</LAT><LON>-74.0060</LON>");
    place("new   york", "New York");
    EXPECT_EQ(latLongLoc(root->web), 0);
    EXPECT_EQ(requests(), std::vector<std::string>{kLookUp});
    EXPECT_FLOAT_EQ(static_cast<float>(root->state.getCurLat()), 40.7128f);
    EXPECT_FLOAT_EQ(static_cast<float>(root->state.getCurLon()), -74.006f);
    EXPECT_TRUE(webLockFree());
}

TEST_F(Location, NotFoundMissingTagAndFailureLeaveTheCentreAtZero) {
    place("New York", "NY");
    answer(kLookUp, "<NOTFOUND>");
    EXPECT_EQ(latLongLoc(root->web), 1) << "told apart, so the refresh can end";
    EXPECT_EQ(root->state.getCurLat(), 0.0);
    EXPECT_EQ(root->state.getCurLon(), 0.0);

    place("New York", "NY");
    answer(kLookUp, "<LAT>40.7</LAT>");
    EXPECT_EQ(latLongLoc(root->web), -1);
    EXPECT_EQ(root->state.getCurLat(), 0.0);
    EXPECT_EQ(root->state.getCurLon(), 0.0);

    place("Nowhere", "NY");
    EXPECT_EQ(latLongLoc(root->web), -1);
    EXPECT_EQ(root->state.getCurLat(), 0.0);
    EXPECT_FALSE(root->state.getValid_internet_connection());
    EXPECT_TRUE(webLockFree());
}

TEST_F(Location, ARegionOutsideTheTableAsksNothing) {
    place("Halifax", "Nova Scotia");
    EXPECT_EQ(latLongLoc(root->web), -1);
    EXPECT_TRUE(requests().empty());
    EXPECT_EQ(root->state.getCurLat(), 0.0);
}

TEST_F(Location, TheIpPageSetsThePlaceShownAndSearched) {
    answer("/", "<html><td>Location</td><td><span>UNITED STATES, CALIFORNIA, SAN JOSE</span></td>");
    EXPECT_EQ(ipLoc(root->web), 0);
    EXPECT_EQ(requests(), std::vector<std::string>{"/"});
    EXPECT_EQ(stored(), "San Jose|San Jose|CA|CA");
    EXPECT_TRUE(webLockFree());
}

TEST_F(Location, TheIpPageNeverOverwritesAPlaceTheUserTypedOrIsTyping) {
    answer("/", "<html><td>Location</td><td><span>UNITED STATES, CALIFORNIA, SAN JOSE</span></td>");
    root->state.setCurStateDisplay("Oregon");
    EXPECT_EQ(ipLoc(root->web), -1);
    EXPECT_EQ(stored(), "-||-|Oregon");

    root->state.setCurStateDisplay("");
    root->state.setUpdatingCity(true); // the field was clicked; nothing typed yet
    EXPECT_EQ(ipLoc(root->web), -1);
    EXPECT_EQ(stored(), "-||-|");

    root->state.setUpdatingCity(false);
    EXPECT_EQ(ipLoc(root->web), 0);
    EXPECT_EQ(stored(), "San Jose|San Jose|CA|CA");
    EXPECT_TRUE(webLockFree());
}

TEST_F(Location, AnUnreadableOrMissingIpPageChangesNothing) {
    root->state.setCurCity("Boston");
    root->state.setCurCityDisplay("Boston");
    root->state.setCurState("MA");
    root->state.setCurStateDisplay("MA");
    answer("/", "<span>FRANCE, ILE DE FRANCE, PARIS</span>");
    EXPECT_EQ(ipLoc(root->web), -1);
    EXPECT_EQ(stored(), "Boston|Boston|MA|MA");

    answer("/", "<span>UNITED STATES, TEXAS");
    EXPECT_EQ(ipLoc(root->web), -1);
    EXPECT_EQ(stored(), "Boston|Boston|MA|MA");

    server.stop();
    EXPECT_EQ(ipLoc(root->web), -1);
    EXPECT_EQ(stored(), "Boston|Boston|MA|MA");
    EXPECT_TRUE(webLockFree());
}

} // namespace
