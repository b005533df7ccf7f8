// A refresh of home and trips against a loopback service: a trip's shows join the list only
// inside its dates, a show both find is one show, an ended trip is not searched, trips join in
// their order past one that fails, and the trips and where each show was found survive the next
// start.
#include "common/fixed_text.h"
#include "tests/engine/served_root.h"

#include <string>
#include <vector>

namespace {

std::string event(const char* artist, const char* date, const char* url) {
    return std::string("<artist>") + artist + "</artist>\n<event_date>" + date +
           "</event_date>\n<venue_name>Hall</venue_name>\n<event_url>" + url +
           "</event_url>\n<venue_city>X</venue_city>\n<venue_state>Y</venue_state>\n</event>\n";
}

class TripRefresh : public ServedRoot {
  protected:
    void SetUp() override {
        ServedRoot::SetUp();
        root->engine.useIpLocation = false;
        root->engine.artists.clear();
        root->engine.artists.add(new XMLARTIST("kinks"));
        root->engine.artists.add(new XMLARTIST("who"));
        root->state.setCurCityDisplay("Boston");
        root->state.setCurStateDisplay("MA");
        root->state.setCurSearchRadiusDisplay("75");
        answer("/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Boston&STATE=MA",
               "<LAT>42.36</LAT><LON>-71.06</LON>");
        for (const char* place : {"CITY=Boston&STATE=MA&RADIUS=75", "CITY=Chicago&STATE=IL&RADIUS=300"})
            answer(std::string("/datasources/datasources.php?TODO=GETSITES&") + place + "&VERSION=2.9",
                   "<site ticket=0>http://" + server.host() + "/s.php?feed=1</site>\n");
        answer("/s.php?feed=1&city=Boston&state=MA&radius=75", event("Kinks", "7/1/2099", "http://e/k"));
        answer("/s.php?feed=1&city=Chicago&state=IL&radius=300",
               event("Kinks", "7/1/2099", "http://e/k") + event("Who", "3/2/2099", "http://e/w1") +
                   event("Who", "3/5/2099", "http://e/w2") + event("Who", "3/8/2099", "http://e/w3"));
    }
    std::vector<std::string> shows() {
        std::vector<std::string> out;
        for (SHOWENTRY* e = root->concerts->head; e; e = e->next)
            out.push_back(std::string(e->artist) + " " + std::to_string(e->month) + "/" +
                          std::to_string(e->day) +
                          (e->onTrip ? std::string(" trip ") + e->foundCity : std::string(" home")));
        return out;
    }
};

TEST_F(TripRefresh, ATripsShowsJoinOnlyInsideItsDatesAndAShowFoundTwiceIsOne) {
    const Trip chicago{"Chicago", "IL", 300, {2099, 3, 3}, {2099, 3, 7}};
    const Trip ended{"Denver", "CO", 50, {2001, 1, 1}, {2001, 1, 2}};
    // The same place twice is searched once.
    root->trips.set({chicago, ended, chicago});
    root->engine.performUpdate(kUpdateConcerts);
    EXPECT_EQ(shows(), (std::vector<std::string>{"Who 3/5 trip Chicago", "Kinks 7/1 home"}));
    std::size_t chicagoSearches = 0;
    for (const std::string& target : requests()) {
        EXPECT_EQ(target.find("Denver"), std::string::npos) << target;
        chicagoSearches += target.rfind("/s.php?feed=1&city=Chicago", 0) == 0;
    }
    EXPECT_EQ(chicagoSearches, 1u);

    root->concerts->head->selected = true;
    root->engine.genPref();
    root->engine.shutDown();
    root = std::make_unique<EngineRoot>();
    EXPECT_EQ(root->trips.get(), (std::vector<Trip>{chicago, chicago})) << "the ended trip is left out";
    EXPECT_EQ(shows(), (std::vector<std::string>{"Who 3/5 trip Chicago", "Kinks 7/1 home"}));
    EXPECT_TRUE(root->concerts->head->selected);
}

TEST_F(TripRefresh, TripsJoinInTheirOrderAndOneThatFailsIsPassedOver) {
    // Springfield lists a show Chicago lists too: it is labelled as the first trip's. The trip
    // between them has no answer, and the trips after it still join.
    answer("/datasources/datasources.php?TODO=GETSITES&CITY=Springfield&STATE=IL&RADIUS=300&VERSION=2.9",
           "<site ticket=0>http://" + server.host() + "/s.php?feed=1</site>\n");
    answer("/s.php?feed=1&city=Springfield&state=IL&radius=300", event("Who", "3/5/2099", "http://e/w2"));
    root->trips.set({{"Springfield", "IL", 300, {2099, 3, 3}, {2099, 3, 9}},
                     {"Nowhere", "IL", 300, {2099, 3, 3}, {2099, 3, 9}},
                     {"Chicago", "IL", 300, {2099, 3, 3}, {2099, 3, 9}}});
    root->engine.performUpdate(kUpdateConcerts);
    EXPECT_EQ(shows(), (std::vector<std::string>{"Who 3/5 trip Springfield", "Who 3/8 trip Chicago",
                                                 "Kinks 7/1 home"}));
}

} // namespace
