// Refreshes that end early against a loopback service: the list and the choices the user had
// stay, the place searched goes back with them, nothing is saved, and the screen is told why.
#include "common/fixed_text.h"
#include "tests/engine/served_root.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const char* kLookUp = "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Boston&STATE=MA";
const char* kDirectory =
    "/datasources/datasources.php?TODO=GETSITES&CITY=Boston&STATE=MA&RADIUS=75&VERSION=2.9";

class FailedRefresh : public ServedRoot {
  protected:
    void SetUp() override {
        ServedRoot::SetUp();
        root->engine.useIpLocation = false;
        root->engine.artists.clear();
        root->engine.artists.add(new XMLARTIST("kinks"));
        ProtectedData& st = root->state;
        st.setCurCity("Boston");
        st.setCurState("MA");
        st.setCurSearchRadius(75);
        st.setCurLat(42.36);
        st.setCurLon(-71.06);
        typePlace("Boston", "MA", "75");
        auto* chosen = new SHOWENTRY;
        vx::copyText(chosen->artist, "Kinks");
        vx::copyText(chosen->venue, "Hall");
        vx::copyText(chosen->url, "http://e/kinks");
        chosen->day = 1;
        chosen->month = 7;
        chosen->year = 2027;
        chosen->selected = true;
        root->concerts->addShow(chosen, nullptr);
        std::filesystem::remove(prefPath());
        // The service has no releases: a full refresh runs through its album step.
        for (int n = 0; n < 10; ++n)
            answer("/CDReleases/data/cdReleasesData_" + std::to_string(n) + ".html", "");
    }
    void typePlace(const char* city, const char* region, const char* radius) {
        root->state.setCurCityDisplay(city);
        root->state.setCurStateDisplay(region);
        root->state.setCurSearchRadiusDisplay(radius);
    }
    // The service knows Boston and lists one source with the chosen show on it.
    void answerTheSearch() {
        answer(kLookUp, "<LAT>42.36</LAT><LON>-71.06</LON>");
        answer(kDirectory, "<site ticket=0>http://" + server.host() + "/s.php?feed=1</site>\n");
        answer("/s.php?feed=1&city=Boston&state=MA&radius=75",
               "<artist>Kinks</artist>\n<event_date>7/1/2027</event_date>\n<venue_name>Hall</venue_name>\n"
               "<event_url>http://e/kinks</event_url>\n<venue_city>Boston</venue_city>\n"
               "<venue_state>MA</venue_state>\n</event>\n");
    }
    std::string prefPath() { return home.supportFolder() + "VoxtrailPref"; }
    std::string text(void (ProtectedData::*get)(char*)) {
        char buf[1024];
        (root->state.*get)(buf);
        return buf;
    }
    // The shows on screen, "artist" or "artist *" when chosen.
    std::vector<std::string> shows() {
        std::vector<std::string> out;
        for (SHOWENTRY* e = root->concerts->head; e; e = e->next)
            out.push_back(std::string(e->artist) + (e->selected ? " *" : ""));
        return out;
    }
    std::string savedDateLine() {
        std::ifstream in(prefPath());
        std::string line;
        for (int i = 0; i < 3; ++i)
            std::getline(in, line);
        return line;
    }
};

TEST_F(FailedRefresh, APlaceTheServiceDoesNotKnowKeepsTheListThePlaceAndTheFile) {
    answer("/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Bosto&STATE=MA", "<NOTFOUND>\n");
    typePlace("Bosto", "MA", "75");
    root->engine.performUpdate(kUpdateAll);

    EXPECT_EQ(requests(),
              std::vector<std::string>{"/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Bosto&STATE=MA"});
    EXPECT_EQ(shows(), std::vector<std::string>{"Kinks *"});
    EXPECT_EQ(text(&ProtectedData::getRefreshProblem),
              "\"Bosto, MA\" was not found.\nPlease check the city and state.");
    EXPECT_EQ(text(&ProtectedData::getCurCity), "Boston") << "the place saved goes with the list shown";
    EXPECT_EQ(text(&ProtectedData::getCurCityDisplay), "Bosto")
        << "what the user typed stays to be corrected";
    EXPECT_DOUBLE_EQ(root->state.getCurLat(), 42.36);
    EXPECT_TRUE(root->state.getValid_internet_connection());
    EXPECT_FALSE(root->state.getUpdatingConcerts());
    EXPECT_FALSE(std::filesystem::exists(prefPath()));

    // The next refresh that runs through clears the message.
    answerTheSearch();
    typePlace("Boston", "MA", "75");
    root->engine.performUpdate(kUpdateConcerts);
    EXPECT_EQ(text(&ProtectedData::getRefreshProblem), "");
    EXPECT_EQ(shows(), std::vector<std::string>{"Kinks *"});
}

TEST_F(FailedRefresh, ARegionNoTableKnowsAsksForTheCountryAndSearchesNothing) {
    for (const char* region : {"ZH", "27", "Zuerich!"}) {
        typePlace("Zurich", region, "75");
        root->engine.performUpdate(kUpdateConcerts);
        EXPECT_EQ(text(&ProtectedData::getRefreshProblem),
                  "Type the country for places outside\nthe US and Canada, such as Switzerland.")
            << region;
    }
    EXPECT_EQ(requests(), std::vector<std::string>{});
    EXPECT_EQ(shows(), std::vector<std::string>{"Kinks *"});
}

TEST_F(FailedRefresh, ChoicesSurviveFailedAndStoppedRefreshesInARowAndCarryOverAfter) {
    answer(kLookUp, "<LAT>42.36</LAT><LON>-71.06</LON>");
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i) {
        root->engine.performUpdate(kUpdateAll); // the directory is not there: a failed fetch
        EXPECT_FALSE(root->state.getValid_internet_connection());
        EXPECT_EQ(shows(), std::vector<std::string>{"Kinks *"}) << "after failure " << i;
    }
    ::testing::internal::GetCapturedStderr();

    // A newer refresh asked for while the source is read stops this one.
    answerTheSearch();
    onRequest([this](const std::string& target) {
        if (target.rfind("/s.php", 0) == 0) root->state.setForceUpdate(true);
    });
    EXPECT_EQ(root->engine.UpdateConcerts(), 1);
    EXPECT_EQ(shows(), std::vector<std::string>{"Kinks *"}) << "after the stop";
    root->state.setForceUpdate(false);
    onRequest(nullptr);
    EXPECT_FALSE(std::filesystem::exists(prefPath()));

    root->engine.performUpdate(kUpdateAll);
    EXPECT_EQ(shows(), std::vector<std::string>{"Kinks *"}) << "a new list, the choice carried over";
    std::ifstream saved(prefPath());
    std::stringstream file;
    file << saved.rdbuf();
    EXPECT_NE(file.str().find("0@@1@@0@@2027@@7@@1@@Kinks@@"), std::string::npos) << file.str();
}

TEST_F(FailedRefresh, ARefusedRadiusIsReportedAsSuchNotAsALostConnection) {
    answer(kLookUp, "<LAT>42.36</LAT><LON>-71.06</LON>");
    answer(kDirectory, "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
    ::testing::internal::CaptureStderr();
    root->engine.performUpdate(kUpdateAll);
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(root->state.getValid_internet_connection());
    EXPECT_EQ(text(&ProtectedData::getRefreshProblem),
              "The search radius of 75 miles\nwas refused by the service.");
    EXPECT_EQ(shows(), std::vector<std::string>{"Kinks *"});
    EXPECT_FALSE(std::filesystem::exists(prefPath()));
}

TEST_F(FailedRefresh, LastUpdatedIsTheDateOfTheLastRefreshThatRanThrough) {
    ProtectedData& st = root->state;
    st.setLastSearch_y(2020);
    st.setLastSearch_m(1);
    st.setLastSearch_d(2);
    answer(kLookUp, "<LAT>42.36</LAT><LON>-71.06</LON>");
    ::testing::internal::CaptureStderr();
    root->engine.performUpdate(kUpdateAll);
    ::testing::internal::GetCapturedStderr();
    root->engine.genPref(); // as a chosen show is saved
    EXPECT_EQ(savedDateLine(), "2020@@1@@2");
    EXPECT_EQ(st.getLastSearch_y(), 2020);

    answerTheSearch();
    root->engine.performUpdate(kUpdateAll);
    std::tm today{};
    const std::time_t now = std::time(nullptr);
    localtime_r(&now, &today);
    EXPECT_EQ(savedDateLine(), std::to_string(today.tm_year + 1900) + "@@" +
                                   std::to_string(today.tm_mon + 1) + "@@" + std::to_string(today.tm_mday));
}

TEST_F(FailedRefresh, ARefreshThatRunsThroughTakesTheTypedPlaceAndKeepsTheOldListForCarryOver) {
    answer("/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Chicago&STATE=IL",
           "<LAT>41.88</LAT><LON>-87.63</LON>");
    answer("/datasources/datasources.php?TODO=GETSITES&CITY=Chicago&STATE=IL&RADIUS=120&VERSION=2.9",
           "No concert sources cover that place.\n");
    typePlace("Chicago", "Illinois", "120");
    SHOWLIST* before = root->concerts;
    EXPECT_EQ(root->engine.UpdateConcerts(), 0);
    EXPECT_EQ(text(&ProtectedData::getCurCity), "Chicago");
    EXPECT_EQ(text(&ProtectedData::getCurState), "Illinois");
    EXPECT_EQ(root->state.getCurSearchRadius(), 120);
    EXPECT_EQ(root->previousConcerts, before);
    EXPECT_NE(root->concerts, before);
    EXPECT_FALSE(root->state.getUpdatingConcerts());
}

} // namespace
