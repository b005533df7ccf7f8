// End to end for publishing: two players in two homes on one web service. A marks shows with
// secondary clicks and they reach the service, and B, who follows A, sees what A left shared;
// sharing everything sends every show at each refresh and nothing on a click; phone sync
// leaves the library's phone names with the service in batches that fit a request; a name that
// another installation owns brings one alert and sends no show; the shows A marks reach A's
// calendar feed, which vdirsyncer syncs and khal lists, and leave it when unmarked.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace vx::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kRefreshMs = 120000;
constexpr int kStepMs = 20000;
// In pane coordinates of an 800 x 480 pane (the 9.1 library's pointer quirk is made good by
// the plug-in): the list's first two rows, the Friend Shows tab and a point off every spot.
constexpr const char* kFirstRow = "100 140";
constexpr const char* kSecondRow = "100 194";
constexpr const char* kFriendTab = "295 95";
constexpr const char* kAway = "move 795 475";
constexpr int kListTop = 105, kRowPitch = 54, kBandX = 219;
const std::string kWrittenSave = "2026@@1@@8";

struct Settings {
    bool sharing = false;
    bool shareAll = false;
    bool phone = false;
    std::string user = "-";
    std::string friends;
};

Settings sharingAs(const std::string& user, bool all) {
    Settings s;
    s.sharing = true;
    s.shareAll = all;
    s.user = user;
    return s;
}
Settings following(const std::string& friends) {
    Settings s;
    s.friends = friends;
    return s;
}
Settings phoneSyncAs(const std::string& user) {
    Settings s;
    s.phone = true;
    s.user = user;
    return s;
}

// Preferences with the place set and the next refresh overdue, so loading the plug-in
// refreshes everything.
void writePreferences(const TempHome& home, const Settings& s) {
    std::ostringstream p;
    p << home.file(kLibraryFile) << "\n1\n"
      << kWrittenSave << "\n"
      << "Boston@@MA@@75@@0.000000e+00@@0.000000e+00\n"
      << "0@@1@@0@@0@@0@@" << s.sharing << "@@" << s.shareAll << "@@0@@0@@0@@" << s.phone << "\n"
      << "-\n"
      << s.user << "@@Ann@@Lee@@\n"
      << s.friends << "\n\n";
    home.writeFile(kSupportFolder + "VoxtrailPref", p.str());
}

void prepareHome(const TempHome& home, const WebService& service, const std::string& library) {
    home.writeFile(kLibraryFile, library);
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
}

std::string fixture(const TempHome& home, const char* name) {
    return home.readFile(std::string(VX_TESTDATA_DIR) + "/libraries/" + name);
}

// A refresh has run through once the save date is no longer the one written.
bool refreshed(const std::string& prefs) {
    return !prefs.empty() && lineOf(prefs, 3) != kWrittenSave;
}

bool eventually(const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size())
        ++n;
    return n;
}

std::string sharedShows(const WebService& service, const std::string& user) {
    return httpGet(service.host(), "/sharing/sharing.php?TODO=DISPLAY_USER_SHOWS&USERNAME=" + user);
}

// A player started in home, waited for until its first refresh ran through.
std::unique_ptr<PlayerProcess> startRefreshed(const TempHome& home) {
    auto player = std::make_unique<PlayerProcess>(VX_PLAYER_EXE, std::vector<std::string>{"--headless"},
                                                  home.playerEnvironment(), home.path());
    if (!player->waitForLine("loaded: ", kStartMs)) return nullptr;
    if (!home.waitForContent(kSupportFolder + "VoxtrailPref", refreshed, kRefreshMs)) return nullptr;
    return player;
}

void quit(PlayerProcess& player) {
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();
}

// A library of one track per artist (names as the file writes them).
std::string libraryOf(const std::vector<std::string>& artists) {
    std::string library = "<plist version=\"1.0\">\n<dict>\n\t<key>Tracks</key>\n\t<dict>\n";
    for (std::size_t i = 0; i < artists.size(); ++i)
        library += "\t\t<key>" + std::to_string(i + 1) +
                   "</key>\n\t\t<dict>\n\t\t\t<key>Track ID</key><integer>" + std::to_string(i + 1) +
                   "</integer>\n\t\t\t<key>Artist</key><string>" + artists[i] + "</string>\n\t\t</dict>\n";
    return library + "\t</dict>\n</dict>\n</plist>\n";
}

// What subscribers read of the feed at url: an "event<TAB>title<TAB>location" line per event as
// python-icalendar and vobject (which must agree) read it, and a "khal<TAB>date title" line per
// event khal lists after vdirsyncer synced the feed into a vdir kept in work. "!" when one failed.
std::multiset<std::string> feedAsRead(const std::string& url, const std::string& work) {
    const std::string command = std::string("/usr/bin/python3 ") + VX_READERS_DIR + "/feed_readers.py '" +
                                url + "' '" + work + "' 2000-01-01 2100-12-31 2>&1";
    std::string text;
    FILE* out = popen(command.c_str(), "r");
    if (!out) return {"!"};
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
        text.append(buffer, n);
    if (pclose(out) != 0) return {"!" + text};
    std::multiset<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.insert(line);
    return lines;
}

// What the feed should give of the shows the preferences file has marked.
std::multiset<std::string> markedAsRead(const std::string& prefs) {
    std::multiset<std::string> lines;
    for (const std::string& line : showLines(prefs, 0)) {
        const std::vector<std::string> f = fields(line);
        if (f.at(1) != "1") continue;
        char date[16];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", std::stoi(f.at(3)), std::stoi(f.at(4)),
                      std::stoi(f.at(5)));
        lines.insert("event\t" + f.at(6) + "\t" + f.at(7) + " - (" + f.at(8) + ")");
        lines.insert("khal\t" + std::string(date) + " " + f.at(6));
    }
    return lines;
}

std::vector<std::string> artistsOf(const std::vector<std::string>& showLines) {
    std::vector<std::string> out;
    for (const std::string& line : showLines)
        out.push_back(fields(line).at(6));
    return out;
}

} // namespace

TEST(SharingEndToEnd, ClickedShowsReachTheServiceAndTheFriendWhoFollows) {
    TempHome homeA, homeB;
    WebService service(
        homeA.file("service.log"),
        {"--catalog-from-library", std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml"});
    prepareHome(homeA, service, fixture(homeA, "itunes-9.1-fixture.xml"));
    writePreferences(homeA, sharingAs("ann", false));

    auto a = startRefreshed(homeA);
    ASSERT_TRUE(a);
    const std::vector<std::string> concerts = showLines(homeA.readFile(kSupportFolder + "VoxtrailPref"), 0);
    ASSERT_GE(concerts.size(), 2u);
    EXPECT_EQ(service.requestsMatching("TODO=INITIALIZE_USER&USERNAME=ann&"), 1u);
    EXPECT_EQ(service.requestsMatching("TODO=ADD_SHOW"), 0u) << "nothing chosen yet";

    a->sendLine("show 800 480");
    a->sendLine(std::string("rclick ") + kFirstRow);
    a->sendLine(std::string("rclick ") + kSecondRow);
    EXPECT_TRUE(eventually([&] { return count(sharedShows(service, "ann"), "<event>") == 2; }, kStepMs))
        << sharedShows(service, "ann");
    a->sendLine(std::string("rclick ") + kFirstRow);
    EXPECT_TRUE(eventually([&] { return count(sharedShows(service, "ann"), "<event>") == 1; }, kStepMs))
        << sharedShows(service, "ann");
    quit(*a);
    const std::string remaining = artistsOf(concerts).at(1);
    EXPECT_NE(sharedShows(service, "ann").find("@@" + remaining + "@@"), std::string::npos);

    prepareHome(homeB, service, fixture(homeB, "itunes-11.1-fixture.xml"));
    writePreferences(homeB, following("ann@@"));
    auto b = startRefreshed(homeB);
    ASSERT_TRUE(b);
    const std::vector<std::string> friendShows =
        showLines(homeB.readFile(kSupportFolder + "VoxtrailPref"), 1);
    ASSERT_EQ(friendShows.size(), 1u);
    EXPECT_EQ(fields(friendShows[0]).at(6), remaining);
    EXPECT_EQ(fields(friendShows[0]).back(), "ann") << friendShows[0];

    b->sendLine("show 800 480");
    b->sendLine(std::string("move ") + kFriendTab);
    b->sendLine(std::string("click ") + kFriendTab);
    b->sendLine(kAway);
    b->sendLine("snapshot " + homeB.file("friends.png"));
    ASSERT_TRUE(b->waitForLine("snapshot: ", kStartMs)) << b->errorText();
    quit(*b);
    const QImage pane(QString::fromStdString(homeB.file("friends.png")));
    ASSERT_FALSE(pane.isNull());
    const QColor band = pane.pixelColor(kBandX, kListTop + 8);
    EXPECT_NE(band, QColor(Qt::white)) << "one row in the Friend Shows tab";
    EXPECT_NE(pane.pixelColor(kBandX, kListTop + kRowPitch + 8), band) << "and only one";
}

TEST(SharingEndToEnd, SharingAllSendsEveryShowAtARefreshAndNothingOnAClick) {
    TempHome home;
    WebService service(
        home.file("service.log"),
        {"--catalog-from-library", std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml"});
    prepareHome(home, service, fixture(home, "itunes-9.1-fixture.xml"));
    writePreferences(home, sharingAs("ann lee", true));

    auto player = startRefreshed(home);
    ASSERT_TRUE(player);
    const std::size_t concerts = showLines(home.readFile(kSupportFolder + "VoxtrailPref"), 0).size();
    ASSERT_GT(concerts, 0u);
    EXPECT_EQ(service.requestsMatching("TODO=ADD_SHOW&USERNAME=ann+lee&"), concerts);
    EXPECT_EQ(count(sharedShows(service, "ann+lee"), "<event>"), concerts);

    player->sendLine("show 800 480");
    player->sendLine(std::string("rclick ") + kFirstRow);
    const auto chosen = [](const std::string& prefs) {
        const auto shows = showLines(prefs, 0);
        return !shows.empty() && fields(shows[0]).at(1) == "1";
    };
    ASSERT_TRUE(home.waitForContent(kSupportFolder + "VoxtrailPref", chosen, kStepMs));
    ASSERT_TRUE(player->waitIdle(kStepMs));
    quit(*player);
    EXPECT_EQ(service.requestsMatching("TODO=ADD_SHOW"), concerts);
    EXPECT_EQ(service.requestsMatching("TODO=DELETE_SHOW"), 0u);
}

// Turning sharing off in the preferences ends what the installation shared: its shows leave the
// service and its feed address answers 404.
TEST(SharingEndToEnd, TurningSharingOffRemovesTheSharedShowsAndRetiresTheFeed) {
    TempHome home;
    const std::string library = std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml";
    WebService service(home.file("service.log"), {"--catalog-from-library", library});
    prepareHome(home, service, fixture(home, "itunes-9.1-fixture.xml"));
    writePreferences(home, sharingAs("ann", true));
    auto player = startRefreshed(home);
    ASSERT_TRUE(player);
    player->sendLine("config");
    player->sendLine("press CID_SHARING_BTTN_copyFeedURL");
    const std::optional<std::string> copied = player->waitForLine("clipboard: ", kStepMs);
    ASSERT_TRUE(copied) << player->errorText();
    const std::string feed = copied->substr(copied->find("/feed/"));
    EXPECT_NE(httpGet(service.host(), feed).find("BEGIN:VEVENT"), std::string::npos);
    player->sendLine("control CID_SHARING_CBOX_shareCal 0");
    player->sendLine("press CID_MAIN_BTTN_ok");
    EXPECT_TRUE(eventually([&] { return sharedShows(service, "ann") == "No shared shows.\n"; }, kStepMs));
    EXPECT_THROW(httpGet(service.host(), feed), std::runtime_error) << "the feed answers 404";
    quit(*player);
}

TEST(SharingEndToEnd, ANameAnotherInstallationOwnsGivesOneAlertAndSendsNoShow) {
    TempHome home;
    WebService service(
        home.file("service.log"),
        {"--catalog-from-library", std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml"});
    httpGet(service.host(), "/sharing/sharing.php?TODO=INITIALIZE_USER&USERNAME=ann&UUID=someone-else"
                            "&CITY=Salem&STATE=MA&FIRSTNAME=A&LASTNAME=B");
    prepareHome(home, service, fixture(home, "itunes-9.1-fixture.xml"));
    writePreferences(home, sharingAs("ann", true));

    auto player = startRefreshed(home);
    ASSERT_TRUE(player);
    ASSERT_FALSE(showLines(home.readFile(kSupportFolder + "VoxtrailPref"), 0).empty());
    EXPECT_EQ(
        player->waitForLine("alert: ", kStepMs).value_or(""),
        "alert: Username already taken. | Sorry, that username is already taken.  Please try a new name "
        "for your calendar.");
    quit(*player);
    std::size_t alerts = 0;
    for (const std::string& line : player->linesRead())
        alerts += line.rfind("alert: ", 0) == 0;
    EXPECT_EQ(alerts, 1u);
    EXPECT_EQ(service.requestsMatching("TODO=ADD_SHOW"), 0u);
    EXPECT_EQ(count(sharedShows(service, "ann"), "<event>"), 0u);
}

TEST(PhoneSyncEndToEnd, TheServiceHoldsTheLibrarysPhoneNamesSentInBatchesThatFit) {
    TempHome home;
    WebService service(home.file("service.log"));
    std::vector<std::string> artists{"The Beatles",     "Beatles",       "AC/DC", "Simon &#38; Garfunkel",
                                     "Various Artists", "Guns N' Roses", "...",   "Left Out"};
    // A name of punctuation only is sent as written.
    std::vector<std::string> expected{"The Beatles",  "ACDC",        "Simon and Garfunkel",
                                      "Guns N Roses", "Sonic Youth", "..."};
    for (int i = 0; i < 150; ++i) {
        artists.push_back("Band Number " + std::to_string(100 + i) + " & Friends");
        expected.push_back("Band Number " + std::to_string(100 + i) + " and Friends");
    }
    for (std::string& artist : artists)
        if (artist == "Band Number 100 & Friends") artist = "Band Number 100 &#38; Friends";
    const std::string library = libraryOf(artists);
    // "&", written "&#38;" or (as a lenient reader takes it) bare, becomes "and".
    prepareHome(home, service, library);
    home.writeFile(kSupportFolder + "VoxtrailIncludeBands.txt", "Sonic Youth!\n");
    home.writeFile(kSupportFolder + "VoxtrailExcludeBands.txt", "Left Out\n");
    home.writeFile(kSupportFolder + "pd", "s3cret & co");
    writePreferences(home, phoneSyncAs("ann"));

    auto player = startRefreshed(home);
    ASSERT_TRUE(player);
    quit(*player);

    const std::string listed =
        httpGet(service.host(), "/iphone/exchange.php?TODO=LIST_ARTISTS&USERNAME=ann&PWD=s3cret+%26+co");
    std::vector<std::string> held;
    for (std::size_t at = 0; (at = listed.find("<artist>", at)) != std::string::npos;) {
        const std::size_t end = listed.find("</artist>", at);
        held.push_back(listed.substr(at + 8, end - at - 8));
        at = end;
    }
    std::sort(held.begin(), held.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(held, expected);

    std::size_t batches = 0;
    for (const std::string& line : service.logLines()) {
        const std::size_t at = line.find("/iphone/exchange.php?TODO=ADD_ARTISTS");
        if (at == std::string::npos) continue;
        ++batches;
        std::string target = line.substr(at, line.rfind(' ') - at);
        // The log blanks the password: it is counted as it was sent.
        if (const std::size_t pwd = target.find("&PWD=*&"); pwd != std::string::npos)
            target.replace(pwd + 5, 1, "s3cret+&+co");
        EXPECT_LE(("http://" + service.host() + target).size(), 1023u) << target;
    }
    EXPECT_GT(batches, 1u);
}

TEST(SharingEndToEnd, MarkedShowsReachTheCalendarFeedThatVdirsyncerAndKhalFollow) {
    TempHome home;
    // Titles and places with commas, a slash, an apostrophe, accents and CJK.
    const std::string library =
        libraryOf({"AC/DC", "Sigur R\xc3\xb3s", "\xe6\x9d\xb1\xe4\xba\xac\xe4\xba\x8b\xe5\xa4\x89",
                   "Earth, Wind &#38; Fire", "Guns N' Roses", "Beyonc\xc3\xa9"});
    home.writeFile("catalogue.xml", library);
    WebService service(home.file("service.log"), {"--catalog-from-library", home.file("catalogue.xml")});
    prepareHome(home, service, library);
    writePreferences(home, sharingAs("ann", false));
    auto player = startRefreshed(home);
    ASSERT_TRUE(player);
    const std::string prefsPath = kSupportFolder + "VoxtrailPref";
    const std::size_t rows = std::min<std::size_t>(showLines(home.readFile(prefsPath), 0).size(), 6);
    ASSERT_GE(rows, 3u);

    // Every row the pane shows.
    player->sendLine("show 800 480");
    for (std::size_t row = 0; row < rows; ++row)
        player->sendLine("rclick 100 " + std::to_string(kListTop + 35 + row * kRowPitch));
    ASSERT_TRUE(eventually([&] { return count(sharedShows(service, "ann"), "<event>") == rows; }, kStepMs))
        << sharedShows(service, "ann");
    EXPECT_EQ(service.requestsMatching("&UID="), rows);

    // The address as the Sharing tab's Copy button gives it.
    player->sendLine("config");
    player->sendLine("press CID_SHARING_BTTN_copyFeedURL");
    const std::optional<std::string> copied = player->waitForLine("clipboard: ", kStepMs);
    ASSERT_TRUE(copied) << player->errorText();
    const std::string url = copied->substr(std::string("clipboard: ").size());
    ASSERT_EQ(url.rfind("http://" + service.host() + "/feed/", 0), 0u) << url;

    const std::string work = home.file("subscriber");
    std::filesystem::create_directories(work);
    const auto marked = [&](std::size_t n) {
        return home.waitForContent(
            prefsPath, [&](const std::string& p) { return markedAsRead(p).size() == 2 * n; }, kStepMs);
    };
    ASSERT_TRUE(marked(rows));
    const std::multiset<std::string> all = markedAsRead(home.readFile(prefsPath));
    EXPECT_EQ(feedAsRead(url, work), all);

    // Unmarked in the player, the show leaves the service, the feed and, synced again, khal.
    player->sendLine(std::string("rclick ") + kFirstRow);
    ASSERT_TRUE(
        eventually([&] { return count(sharedShows(service, "ann"), "<event>") == rows - 1; }, kStepMs));
    ASSERT_TRUE(marked(rows - 1));
    const std::multiset<std::string> left = markedAsRead(home.readFile(prefsPath));
    EXPECT_EQ(feedAsRead(url, work), left);
    EXPECT_EQ(all.size() - left.size(), 2u);
    quit(*player);
    // Read at least once by each run's reader and sync, never logged with its token.
    EXPECT_GE(service.requestsMatching("/feed/*.ics"), 4u);
    EXPECT_EQ(service.requestsMatching(url.substr(url.rfind('/') + 1, 64)), 0u);
}
