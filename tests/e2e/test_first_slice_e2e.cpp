// End to end on a fresh install: the web service on free ports, a generated library, and the
// headless player. Loading the plug-in locates the user through the IP-location page (Boston,
// Massachusetts), searches every concert source the directory lists, and saves the shows found.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace vx::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kSearchSeconds = 120;

struct Event {
    std::vector<std::string> performers;
    std::string date, venue, url, city, region;
    bool tickets = false;
};

struct Site {
    std::string target; // path and query on the service
    bool tickets = false;
};

std::string between(const std::string& text, const std::string& open, const std::string& close) {
    const std::size_t a = text.find(open);
    if (a == std::string::npos) return "";
    const std::size_t from = a + open.size();
    const std::size_t b = text.find(close, from);
    return b == std::string::npos ? "" : text.substr(from, b - from);
}

std::vector<Site> sitesOf(const std::string& directory, const std::string& host) {
    std::vector<Site> sites;
    const std::string prefix = "http://" + host;
    std::size_t at = 0;
    while ((at = directory.find("<site", at)) != std::string::npos) {
        const std::size_t end = directory.find("</site>", at);
        if (end == std::string::npos) break;
        const std::string entry = directory.substr(at, end - at);
        const std::string url = entry.substr(entry.find('>') + 1);
        if (url.rfind(prefix, 0) == 0)
            sites.push_back({url.substr(prefix.size()), entry.find("ticket=1") != std::string::npos});
        at = end;
    }
    return sites;
}

std::vector<Event> eventsOf(const std::string& page, bool tickets) {
    std::vector<Event> events;
    Event e;
    std::istringstream in(page);
    for (std::string line; std::getline(in, line);) {
        if (line.find("<artist>") != std::string::npos)
            e.performers.push_back(between(line, "<artist>", "</artist>"));
        if (line.find("<event_date>") != std::string::npos)
            e.date = between(line, "<event_date>", "</event_date>");
        if (line.find("<venue_name>") != std::string::npos)
            e.venue = between(line, "<venue_name>", "</venue_name>");
        if (line.find("<event_url>") != std::string::npos)
            e.url = between(line, "<event_url>", "</event_url>");
        if (line.find("<venue_city>") != std::string::npos)
            e.city = between(line, "<venue_city>", "</venue_city>");
        if (line.find("<venue_state>") != std::string::npos)
            e.region = between(line, "<venue_state>", "</venue_state>");
        if (line.find("</event>") != std::string::npos) {
            e.tickets = tickets;
            events.push_back(e);
            e = Event{};
        }
    }
    return events;
}

// The refresh starts at load and start-up saves before it has shows, so the search is over when
// the saved file first holds concerts, not when it first changes. The pane is shown only then:
// a pane shown while the place is still being located restarts the search without it.
bool holdsShows(const std::string& prefs) {
    return !showLines(prefs, 0).empty();
}

// The artist names the generator printed, one per line, after writing the library.
std::set<std::string> generateLibrary(const std::string& path, int tracks) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    PlayerProcess gen(VX_GENLIBRARY_EXE,
                      {"--tracks", std::to_string(tracks), "--out", path, "--print-artists"}, {});
    std::set<std::string> artists;
    while (std::optional<std::string> line = gen.readLine(kStartMs))
        artists.insert(*line);
    EXPECT_EQ(gen.waitForExit(kStartMs).value_or(-1), 0) << gen.errorText();
    return artists;
}

} // namespace

TEST(FirstSliceEndToEnd, AFreshStartFindsTheLibrarysConcertsNearTheLocatedPlace) {
    TempHome home;
    WebService service(home.file("service.log"));
    const std::set<std::string> libraryArtists = generateLibrary(home.file(kLibraryFile), 300);
    ASSERT_FALSE(libraryArtists.empty());
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
    const std::string prefsPath = home.file(kSupportFolder + "VoxtrailPref");

    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
    ASSERT_TRUE(home.waitForContent(prefsPath, holdsShows, kSearchSeconds * 1000)) << player.errorText();
    player.sendLine("show 800 480");
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();

    const std::string prefs = home.readFile(prefsPath);
    const std::vector<std::string> place = fields(lineOf(prefs, 4) + "@@");
    ASSERT_GE(place.size(), 3u) << prefs;
    EXPECT_EQ(place[1], "MA") << "the located region is saved as its code";
    const std::string radius = place[2];

    // What the plug-in asked, in order: the IP-location page on its own port; then the centre of
    // the located place, the directory for it, and every source it listed with the place
    // appended in lower-case keys.
    std::vector<std::string> asked;
    int locationPages = 0;
    for (const std::string& line : service.logLines()) {
        if (line.rfind("iploc GET ", 0) == 0) ++locationPages;
        // The concert step's requests only: the version check and the later steps (release
        // pages, friends' shows) are left out.
        if (line.rfind("web GET ", 0) == 0 && line.find("/current_version.php") == std::string::npos &&
            line.find("/CDReleases/") == std::string::npos && line.find("/sharing/") == std::string::npos)
            asked.push_back(line.substr(8, line.rfind(' ') - 8));
    }
    EXPECT_EQ(locationPages, 1);
    ASSERT_GE(asked.size(), 2u);
    EXPECT_EQ(asked[0], "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Boston&STATE=MA");
    const std::string directory =
        "/datasources/datasources.php?TODO=GETSITES&CITY=Boston&STATE=MA&RADIUS=" + radius + "&VERSION=2.9";
    EXPECT_EQ(asked[1], directory);
    asked.erase(asked.begin());
    const std::string city = "Boston";

    const std::vector<Site> sites = sitesOf(httpGet(service.host(), directory), service.host());
    ASSERT_GE(sites.size(), 2u);
    ASSERT_EQ(asked.size(), 1 + sites.size());
    std::vector<Event> answered;
    for (std::size_t i = 0; i < sites.size(); ++i) {
        const std::string request = sites[i].target + "&city=" + city + "&state=MA&radius=" + radius;
        EXPECT_EQ(asked[1 + i], request);
        for (const Event& e : eventsOf(httpGet(service.host(), request), sites[i].tickets))
            answered.push_back(e);
    }

    // Every saved concert is a performer of an answered event who is in the library.
    const std::vector<std::string> shows = showLines(prefs, 0);
    ASSERT_FALSE(shows.empty()) << prefs;
    std::set<bool> ticketMarks;
    for (const std::string& show : shows) {
        const std::vector<std::string> f = fields(show);
        ASSERT_GE(f.size(), 11u) << show;
        const auto event = std::find_if(answered.begin(), answered.end(), [&](const Event& e) {
            return e.url == f[9] && std::count(e.performers.begin(), e.performers.end(), f[6]) > 0;
        });
        ASSERT_NE(event, answered.end()) << "not an answered event: " << show;
        EXPECT_TRUE(libraryArtists.count(f[6])) << show;
        EXPECT_EQ(f[4] + "/" + f[5] + "/" + f[3], event->date) << show;
        EXPECT_EQ(f[7], event->venue) << show;
        EXPECT_EQ(f[8], event->city + ", " + event->region) << show;
        EXPECT_EQ(f[2], event->tickets ? "1" : "0") << show;
        EXPECT_EQ(f[1], "0") << show;
        ticketMarks.insert(event->tickets);
    }
    // And no answered library performer is missing: one show per artist and date, as the
    // calendar merges an artist's shows of one day.
    std::set<std::string> expected;
    for (const Event& e : answered)
        for (const std::string& p : e.performers)
            if (libraryArtists.count(p)) expected.insert(e.date + " " + p);
    EXPECT_EQ(shows.size(), expected.size());
    EXPECT_EQ(ticketMarks.size(), 2u) << "shows of both a ticketed and an unticketed source";
}

TEST(FirstSliceEndToEnd, ARestartWithoutTheServiceDrawsTheSavedShowsAndChoices) {
    TempHome home;
    auto service = std::make_unique<WebService>(home.file("service.log"));
    ASSERT_FALSE(generateLibrary(home.file(kLibraryFile), 300).empty());
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service->servicesFile());
    const std::string prefsPath = home.file(kSupportFolder + "VoxtrailPref");
    constexpr const char* kFirstRow = "100 140";
    constexpr const char* kAway = "move 795 475"; // no hover underline or detail panel

    std::string firstLink;
    {
        PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
        ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
        ASSERT_TRUE(home.waitForContent(prefsPath, holdsShows, kSearchSeconds * 1000)) << player.errorText();
        player.sendLine("show 800 480");
        player.sendLine(std::string("click ") + kFirstRow);
        firstLink = player.waitForLine("open-url: ", kStartMs).value_or("");
        player.sendLine(kAway);
        player.sendLine("snapshot " + home.file("unchosen.png"));
        ASSERT_TRUE(player.waitForLine("snapshot: ", kStartMs)) << player.errorText();
        player.sendLine(std::string("rclick ") + kFirstRow);
        player.sendLine(kAway);
        player.sendLine("snapshot " + home.file("before.png"));
        ASSERT_TRUE(player.waitForLine("snapshot: ", kStartMs)) << player.errorText();
        player.sendLine("quit");
        ASSERT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();
    }
    ASSERT_FALSE(firstLink.empty());
    const std::string saved = home.readFile(prefsPath);
    const std::vector<std::string> shows = showLines(saved, 0);
    ASSERT_GE(shows.size(), 2u);
    EXPECT_EQ(fields(shows[0]).at(1), "1") << "the secondary click chose the first show";
    service->stop();
    const std::size_t requestsLogged = service->logLines().size();

    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
    player.sendLine("show 800 480");
    player.sendLine(kAway);
    player.sendLine("snapshot " + home.file("after.png"));
    ASSERT_TRUE(player.waitForLine("snapshot: ", kStartMs)) << player.errorText();
    player.sendLine(std::string("click ") + kFirstRow);
    EXPECT_EQ(player.waitForLine("open-url: ", kStartMs).value_or(""), firstLink);
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();

    // The same calendar, choice marks included, drawn from the file alone.
    const QImage before(QString::fromStdString(home.file("before.png")));
    const QImage after(QString::fromStdString(home.file("after.png")));
    ASSERT_FALSE(before.isNull());
    EXPECT_NE(before, QImage(QString::fromStdString(home.file("unchosen.png")))) << "a choice is drawn";
    EXPECT_EQ(before, after);
    EXPECT_EQ(home.readFile(prefsPath), saved) << "nothing was refreshed or rewritten";
    EXPECT_EQ(service->logLines().size(), requestsLogged);
}

namespace {

// Red text in the band under the date line where the screen says why a refresh ended early.
bool showsAProblem(const QImage& pane) {
    if (pane.width() < 580 || pane.height() < 50) return false;
    for (int y = 20; y < 55; ++y)
        for (int x = 240; x < 580; ++x) {
            const QColor c = pane.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80) return true;
        }
    return false;
}

void typeInto(PlayerProcess& player, const char* field, int erase, const std::string& text) {
    player.sendLine(std::string("click ") + field);
    for (int i = 0; i < erase; ++i)
        player.sendLine("key backspace");
    if (!text.empty()) player.sendLine("type " + text);
}

} // namespace

TEST(FirstSliceEndToEnd, APlaceThatIsNotFoundKeepsTheShowsAndChoicesAndTheRetryCarriesThemOver) {
    TempHome home;
    WebService service(home.file("service.log"));
    ASSERT_FALSE(generateLibrary(home.file(kLibraryFile), 300).empty());
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
    const std::string prefsPath = home.file(kSupportFolder + "VoxtrailPref");
    constexpr const char* kCity = "150 28";

    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
    ASSERT_TRUE(home.waitForContent(prefsPath, holdsShows, kSearchSeconds * 1000)) << player.errorText();
    player.sendLine("show 800 480");
    player.sendLine("rclick 100 140");
    const auto chosen = [](const std::string& prefs) {
        const std::vector<std::string> shows = showLines(prefs, 0);
        return !shows.empty() && fields(shows[0]).at(1) == "1";
    };
    ASSERT_TRUE(home.waitForContent(prefsPath, chosen, kStartMs)) << player.errorText();
    const std::string saved = home.readFile(prefsPath);
    const std::vector<std::string> mark = fields(showLines(saved, 0)[0]);

    // "Bosto" in the located state: the service does not know it.
    typeInto(player, kCity, 6, "Bosto");
    player.sendLine("key return");
    player.sendLine("key return");
    QImage pane;
    for (int i = 0; i < 300 && !showsAProblem(pane); ++i) {
        player.sendLine("sleep 100");
        player.sendLine("snapshot " + home.file("notfound.png"));
        ASSERT_TRUE(player.waitForLine("snapshot: ", kStartMs)) << player.errorText();
        pane = QImage(QString::fromStdString(home.file("notfound.png")));
    }
    ASSERT_TRUE(showsAProblem(pane)) << "the status names the place that was not found";
    EXPECT_EQ(home.readFile(prefsPath), saved) << "nothing saved over the shows and the choice";
    const std::vector<std::string> log = service.logLines();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) {
        return l.find("GETLATLON&CITY=Bosto&STATE=MA") != std::string::npos;
    }));
    EXPECT_FALSE(std::any_of(log.begin(), log.end(), [](const std::string& l) {
        return l.find("GETSITES&CITY=Bosto&") != std::string::npos;
    })) << "no search for a place that was not found";

    // Corrected, with a wider radius so that the saved file tells the new search apart.
    typeInto(player, kCity, 5, "Boston");
    player.sendLine("key return");
    player.sendLine("key tab");
    player.sendLine("key backspace");
    player.sendLine("key backspace");
    player.sendLine("type 100");
    player.sendLine("key return");
    const auto searchedWider = [](const std::string& prefs) {
        const std::vector<std::string> place = fields(lineOf(prefs, 4) + "@@");
        return place.size() >= 3 && place[2] == "100";
    };
    ASSERT_TRUE(home.waitForContent(prefsPath, searchedWider, kSearchSeconds * 1000)) << player.errorText();
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();

    const std::vector<std::string> shows = showLines(home.readFile(prefsPath), 0);
    const auto kept = std::find_if(shows.begin(), shows.end(), [&](const std::string& s) {
        const std::vector<std::string> f = fields(s);
        return f.at(6) == mark[6] && f.at(9) == mark[9];
    });
    ASSERT_NE(kept, shows.end()) << "the chosen show is found again";
    EXPECT_EQ(fields(*kept).at(1), "1") << "and is still chosen";
}
