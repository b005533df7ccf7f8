// The concert search end to end against a loopback service: the requests it makes, the shows
// it keeps, its progress, and how failures and stops end it.
#include "plugin/services/concert_search.h"
#include "tests/net/served_web.h"

namespace {

const char* kDirectory =
    "/datasources/datasources.php?TODO=GETSITES&CITY=San+Jose&STATE=CA&RADIUS=75&VERSION=2.9";

std::string line(const std::string& tag, const std::string& value) {
    return "<" + tag + ">" + value + "</" + tag + ">\n";
}

std::string event(const std::string& artist, const std::string& date) {
    return line("artist", artist) + line("event_date", date) + line("venue_name", "Hall") +
           line("event_url", "http://e/" + artist) + line("venue_city", "San Jose") +
           line("venue_state", "CA") + "</event>\n";
}

class ConcertSearch : public ServedWeb {
  protected:
    void SetUp() override {
        ServedWeb::SetUp();
        root->state.setCurCity("san   JOSE");
        root->state.setCurState("California");
        root->state.setCurSearchRadius(75);
        root->artists.clear();
        for (const char* name : {"beatles", "kinks"})
            root->artists.add(new XMLARTIST(name));
    }
    std::string sourceURL(const std::string& path) { return "http://" + server.host() + path; }
    void twoSources() {
        answer(kDirectory, "<site name=\"first\" ticket=1>" + sourceURL("/a.php?feed=1") +
                               "</site>\n<site ticket=0>" + sourceURL("/b.php?feed=2") + "</site>\n");
        answer("/a.php?feed=1&city=San+Jose&state=CA&radius=75", event("The Beatles", "6/1/2027"));
        answer("/b.php?feed=2&city=San+Jose&state=CA&radius=75",
               event("Kinks", "7/1/2027") + event("Strangers", "7/2/2027"));
    }
    std::vector<std::string> shows() {
        std::vector<std::string> out;
        for (SHOWENTRY* e = root->concerts->head; e; e = e->next)
            out.push_back(std::string(e->artist) + (e->ticketsAvailable ? " +tickets" : ""));
        return out;
    }
};

TEST_F(ConcertSearch, AsksEverySourceAndMarksTicketsPerSource) {
    twoSources();
    std::vector<double> progress;
    onRequest([&](const std::string&) { progress.push_back(root->state.getUpdatingProgress()); });
    root->state.setUpdatingProgress(30.0);

    EXPECT_EQ(genericParser(root->web, root->artists), 0);
    EXPECT_EQ(requests(),
              (std::vector<std::string>{kDirectory, "/a.php?feed=1&city=San+Jose&state=CA&radius=75",
                                        "/b.php?feed=2&city=San+Jose&state=CA&radius=75"}));
    EXPECT_EQ(progress, (std::vector<double>{0.0, 50.0, 100.0}));
    EXPECT_EQ(root->state.getUpdatingProgress(), 100.0);
    EXPECT_EQ(shows(), (std::vector<std::string>{"The Beatles +tickets", "Kinks"}));
    EXPECT_TRUE(webLockFree());
}

// A trip is searched beside home: it fetches without the web lock and leaves the bar to home.
TEST_F(ConcertSearch, ATripsSearchHoldsNoWebLockAndLeavesTheBarToHome) {
    twoSources();
    std::vector<bool> lockFree;
    onRequest([&](const std::string&) { lockFree.push_back(webLockFree()); });
    root->state.setUpdatingProgress(30.0);
    const Trip trip{"San Jose", "CA", 75, {2027, 6, 1}, {2027, 6, 30}};
    SHOWLIST found;
    EXPECT_EQ(searchConcertsAt(root->web, root->artists, concertSearchPlace("San Jose", "CA", 75), found,
                               nullptr, nullptr, nullptr, &trip),
              0);
    EXPECT_EQ(lockFree, std::vector<bool>(3, true));
    EXPECT_EQ(root->state.getUpdatingProgress(), 30.0);
    ASSERT_EQ(found.size(), 1u) << "only the show inside the trip's dates";
    EXPECT_STREQ(found.head->artist, "The Beatles");
}

TEST_F(ConcertSearch, AnUnknownRegionGoesOutStripped) {
    root->state.setCurState(" Korea");
    answer("/datasources/datasources.php?TODO=GETSITES&CITY=San+Jose&STATE=korea&RADIUS=75&VERSION=2.9",
           "no sources");
    EXPECT_EQ(genericParser(root->web, root->artists), 0);
    EXPECT_EQ(requests().size(), 1u);
    EXPECT_EQ(root->state.getUpdatingProgress(), 100.0);
    EXPECT_TRUE(shows().empty());
}

TEST_F(ConcertSearch, AFailedSourceKeepsWhatWasFound) {
    twoSources();
    {
        std::lock_guard<std::mutex> lock(mutex);
        pages.erase("/b.php?feed=2&city=San+Jose&state=CA&radius=75");
    }
    EXPECT_EQ(parseURL_generic(root->web, root->artists), -1);
    EXPECT_EQ(shows(), std::vector<std::string>{"The Beatles +tickets"});
    EXPECT_FALSE(root->state.getValid_internet_connection());
    EXPECT_EQ(root->state.getUpdatingProgress(), 100.0);
    EXPECT_TRUE(webLockFree());
}

TEST_F(ConcertSearch, AFailedDirectoryAsksNoSource) {
    EXPECT_EQ(genericParser(root->web, root->artists), -1);
    EXPECT_EQ(requests(), std::vector<std::string>{kDirectory});
    EXPECT_EQ(root->state.getUpdatingProgress(), 0.0);
    EXPECT_TRUE(webLockFree());
}

TEST_F(ConcertSearch, AStopEndsTheSearchAndLetsGoOfTheWebLock) {
    twoSources();
    // The stop comes while the first source is asked.
    onRequest([&](const std::string& target) {
        if (target.rfind("/a.php", 0) == 0) root->state.setForceUpdate(true);
    });
    EXPECT_EQ(genericParser(root->web, root->artists), -1);
    EXPECT_EQ(requests().size(), 2u);
    EXPECT_TRUE(shows().empty());
    EXPECT_TRUE(webLockFree());

    // Already stopped: nothing is asked.
    const std::size_t asked = requests().size();
    EXPECT_EQ(genericParser(root->web, root->artists), -1);
    EXPECT_EQ(requests().size(), asked);
}

} // namespace
