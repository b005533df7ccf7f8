// End to end for the preferences window: the player opens it with its configure command, a
// script fills and clicks its controls as a user would, and the test reads what the user would
// see (alerts), what the plug-in kept (the preferences file, "pd") and what it asked of the web
// service.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace vx::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kRefreshMs = 120000;

// A home with the library, the bundle and the service, and a preferences file whose place is set
// and whose next refresh is far off, so nothing refreshes before the window asks for it.
struct PreferencesHome {
    TempHome home;
    WebService service;
    std::string prefsPath = home.file(kSupportFolder + "VoxtrailPref");

    explicit PreferencesHome(const std::string& switches = "0@@0@@0@@0@@0@@0@@0@@0@@0@@0@@0",
                             const std::string& shows = "", const std::vector<std::string>& serviceArgs = {})
        : service(home.file("service.log"), serviceArgs) {
        home.writeFile(kLibraryFile,
                       home.readFile(std::string(VX_TESTDATA_DIR) + "/libraries/itunes-11.1-fixture.xml"));
        home.installBundle(VX_VOXTRAIL_BUNDLE);
        home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
        std::ostringstream p;
        p << home.file(kLibraryFile) << "\n"
          << "2000000000\n"
          << "2026@@1@@8\n"
          << "Boston@@MA@@25@@4.235000e+01@@-7.106000e+01\n"
          << switches << "\n"
          << "-\n"
          << "-@@-@@-@@\n"
          << "\n"
          << "Live@@\n"
          << shows;
        home.writeFile(kSupportFolder + "VoxtrailPref", p.str());
    }

    std::string prefs() const { return home.readFile(prefsPath); }
    // Ann registers from an installation of her own, so she can be found and followed.
    void registerAnn() const {
        httpGet(service.host(),
                "/sharing/sharing.php?TODO=INITIALIZE_USER&USERNAME=ann&UUID=uuid-ann&CITY=Boston"
                "&STATE=MA&FIRSTNAME=Ann&LASTNAME=Lee");
    }
    // Waits until the preferences file's friends line reads `friends`.
    bool friendsSaved(const std::string& friends) const {
        return home.waitForContent(
            prefsPath, [&](const std::string& p) { return lineOf(p, 8) == friends; }, kStartMs);
    }
};

// The player with the window open.
struct OpenWindow {
    PlayerProcess player;
    OpenWindow(const TempHome& home, const std::vector<std::string>& args = {"--headless"})
        : player(VX_PLAYER_EXE, args, home.playerEnvironment(), home.path()) {
        if (!player.waitForLine("loaded: ", kStartMs)) throw std::runtime_error(player.errorText());
        player.sendLine("config");
        player.sendLine("windows");
        if (!player.waitForLine("window: Voxtrail_Preferences", kStartMs))
            throw std::runtime_error("no preferences window: " + player.errorText());
    }
    // Sets a control and waits until the player has delivered it.
    void set(const std::string& name, const std::string& value) {
        player.sendLine("control " + name + " " + value);
        ASSERT_TRUE(player.waitForLine("control: " + name, kStartMs)) << player.errorText();
    }
    void press(const std::string& name) {
        player.sendLine("press " + name);
        ASSERT_TRUE(player.waitForLine("press: " + name, kStartMs)) << player.errorText();
    }
    // The alert lines shown since the last call.
    std::vector<std::string> alertsSince(std::size_t& seen) {
        player.sendLine("windows");
        player.waitForLine("window", kStartMs);
        std::vector<std::string> alerts;
        const auto& lines = player.linesRead();
        for (; seen < lines.size(); ++seen)
            if (lines[seen].rfind("alert: ", 0) == 0) alerts.push_back(lines[seen]);
        return alerts;
    }
    void quit() {
        player.sendLine("quit");
        EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();
    }
};

using Alerts = std::vector<std::string>;

} // namespace

TEST(PreferencesWindowEndToEnd, AddingFriendsChecksEachNameWithTheService) {
    PreferencesHome h;
    h.registerAnn();
    OpenWindow w(h.home);
    std::size_t seen = 0;
    w.alertsSince(seen);
    for (const char* name : {"ghost", "a-b", "   ", "ann"}) {
        w.set("CID_SHARING_TBOX_addFriend", name);
        w.press("CID_SHARING_BTTN_addFriend");
    }
    EXPECT_EQ(
        w.alertsSince(seen),
        (Alerts{"alert: Unknown username. | That friend name could not be found.",
                "alert: Illegal characters. | Names can only only contain letters, numbers, and spaces.",
                "alert: Empty username. | Please enter a friend name in the text box."}));
    EXPECT_EQ(h.service.requestsMatching("TODO=USER_EXISTS"), 2u);

    h.service.stop();
    w.set("CID_SHARING_TBOX_addFriend", "bob");
    w.press("CID_SHARING_BTTN_addFriend");
    EXPECT_EQ(w.alertsSince(seen),
              (Alerts{"alert: Internet problem. | There seemed to be a problem with your "
                      "internet connection.  You must be online to add a friend."}));

    w.press("CID_MAIN_BTTN_ok");
    EXPECT_TRUE(h.friendsSaved("ann@@")) << h.prefs();
    w.quit();
}

TEST(PreferencesWindowEndToEnd, CancelKeepsTheFriendButSavesNothingAndAnUnchangedOKAsksNoRefresh) {
    PreferencesHome h;
    h.registerAnn();
    const std::string before = h.prefs();
    OpenWindow w(h.home);
    w.set("CID_SHARING_TBOX_addFriend", "ann");
    w.press("CID_SHARING_BTTN_addFriend");
    w.press("CID_MAIN_BTTN_cancel");
    ASSERT_TRUE(w.player.waitIdle(kRefreshMs));
    EXPECT_EQ(h.prefs(), before);

    // Opened again, the window shows the friend; OK with nothing changed saves the file (with the
    // friend kept since Cancel) and asks the service for nothing.
    w.player.sendLine("config");
    const std::size_t requests = h.service.logLines().size();
    w.press("CID_MAIN_BTTN_ok");
    EXPECT_TRUE(h.friendsSaved("ann@@"));
    ASSERT_TRUE(w.player.waitIdle(kRefreshMs));
    EXPECT_EQ(h.service.logLines().size(), requests);
    w.quit();
}

TEST(PreferencesWindowEndToEnd, SharingRegistersTheNameUnlessAnotherInstallationHoldsIt) {
    PreferencesHome h;
    httpGet(h.service.host(), "/sharing/sharing.php?TODO=INITIALIZE_USER&USERNAME=taken&UUID=someone-else"
                              "&CITY=Boston&STATE=MA&FIRSTNAME=T&LASTNAME=K");
    OpenWindow w(h.home);
    std::size_t seen = 0;
    w.alertsSince(seen);
    w.set("CID_SHARING_CBOX_shareCal", "1");
    w.set("CID_SHARING_TBOX_userName", "taken");
    w.set("CID_SHARING_TBOX_firstName", "Jo");
    w.set("CID_SHARING_TBOX_lastName", "Smith");
    w.press("CID_MAIN_BTTN_ok");
    EXPECT_EQ(w.alertsSince(seen), (Alerts{"alert: Username already taken. | Sorry, that username is already "
                                           "taken.  Please try a different username."}));
    w.set("CID_SHARING_TBOX_userName", "jo smith");
    w.press("CID_MAIN_BTTN_ok");
    EXPECT_TRUE(h.home.waitForContent(
        h.prefsPath, [](const std::string& p) { return lineOf(p, 7) == "jo smith@@Jo@@Smith@@"; }, kStartMs))
        << h.prefs();
    EXPECT_EQ(fields(lineOf(h.prefs(), 5) + "@@").at(5), "1");
    EXPECT_GE(h.service.requestsMatching("TODO=INITIALIZE_USER&USERNAME=jo+smith&"), 1u);
    w.quit();
}

TEST(PreferencesWindowEndToEnd, ThePhoneAccountIsCheckedWrittenPrivatelyAndRegistered) {
    PreferencesHome h;
    OpenWindow w(h.home);
    std::size_t seen = 0;
    w.alertsSince(seen);
    w.set("CID_IPHONE_CBOX_sync", "1");
    w.set("CID_IPHONE_TBOX_userName", "phoneuser");
    w.set("CID_IPHONE_TBOX_password", "pass!");
    w.press("CID_MAIN_BTTN_ok");
    EXPECT_EQ(
        w.alertsSince(seen),
        (Alerts{"alert: Illegal characters. | You can only use letters and numbers in your password."}));
    w.set("CID_IPHONE_TBOX_password", "pass1");
    w.press("CID_MAIN_BTTN_ok");
    const std::string pd = h.home.file(kSupportFolder + "pd");
    ASSERT_TRUE(h.home.waitForContent(
        pd, [](const std::string& b) { return b.size() == 64; }, kStartMs));
    EXPECT_EQ(h.home.readFile(pd), std::string("pass1") + std::string(59, '\0'));
    struct stat st {};
    ASSERT_EQ(::stat(pd.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_GE(h.service.requestsMatching("/iphone/exchange.php?TODO=INITIALIZE_USER&USERNAME=phoneuser&"),
              1u);
    // The sharing box followed the phone box, so the account line names the user.
    EXPECT_TRUE(h.home.waitForContent(
        h.prefsPath, [](const std::string& p) { return lineOf(p, 7).rfind("phoneuser@@", 0) == 0; },
        kStartMs));
    w.quit();
}

TEST(PreferencesWindowEndToEnd, OnTiger_ChangingOnlyTheiCalLocationRefreshesTheConcertsAlone) {
    PreferencesHome h("1@@0@@0@@0@@0@@0@@0@@0@@0@@0@@0");
    OpenWindow w(h.home, {"--headless", "--os-version", "10.4"});
    const std::string location = h.home.file("Exports/corestorage.ics");
    w.set("CID_EXPORTING_TBOX_iCalPath", location);
    w.press("CID_MAIN_BTTN_ok");
    ASSERT_TRUE(h.home.waitForContent(
        h.prefsPath, [&](const std::string& p) { return lineOf(p, 6) == location; }, kStartMs));
    // Mask 3: the concert search runs; albums, friends, sharing and the phone are not asked.
    ASSERT_TRUE(h.home.waitForContent(
        h.home.file("service.log"),
        [](const std::string& log) { return log.find("/datasources/datasources.php") != std::string::npos; },
        kRefreshMs));
    ASSERT_TRUE(w.player.waitIdle(kRefreshMs));
    EXPECT_EQ(h.service.requestsMatching("CDReleases"), 0u);
    EXPECT_EQ(h.service.requestsMatching("/sharing/"), 0u);
    EXPECT_EQ(h.service.requestsMatching("/iphone/"), 0u);
    w.quit();
}

TEST(PreferencesWindowEndToEnd, OnSnowLeopard_TheiCalLocationCannotBeEdited) {
    PreferencesHome h("1@@0@@0@@0@@0@@0@@0@@0@@0@@0@@0");
    OpenWindow w(h.home, {"--headless", "--os-version", "10.6"});
    w.player.sendLine("control CID_EXPORTING_TBOX_iCalPath /tmp/elsewhere.ics");
    EXPECT_TRUE(w.player.waitForLine("control-error: CID_EXPORTING_TBOX_iCalPath is disabled", kStartMs));
    w.player.sendLine("press CID_EXPORTING_BTTN_iCalPath");
    EXPECT_TRUE(w.player.waitForLine("press-error: CID_EXPORTING_BTTN_iCalPath is disabled", kStartMs));
    w.quit();
}

TEST(PreferencesWindowEndToEnd, AUserNearbyIsPickedFromTheListAndAdded) {
    PreferencesHome h;
    h.registerAnn();
    OpenWindow w(h.home);
    w.press("CID_SHARING_BTTN_seeLocalFriends");
    EXPECT_EQ(h.service.requestsMatching("TODO=GETLOCALUSERS&CITY=Boston&STATE=MA"), 1u);
    w.set("CID_SHARING_LBOX_seeLocalFriends", "0");
    w.press("CID_SHARING_BTTN_addFriend");
    w.player.sendLine("window-snapshot Voxtrail_Preferences " + h.home.file("sharing.png"));
    ASSERT_TRUE(w.player.waitForLine("window-snapshot: ", kStartMs));
    w.press("CID_MAIN_BTTN_ok");
    EXPECT_TRUE(h.friendsSaved("ann@@")) << h.prefs();
    w.quit();
}

TEST(PreferencesWindowEndToEnd, OversizedAndForeignInputIsCutOrRefusedAndNothingBreaks) {
    PreferencesHome h;
    std::string longList;
    for (int i = 0; i < 20000; ++i)
        longList += "Artist " + std::to_string(i) + "\n";
    h.home.writeFile(kSupportFolder + "VoxtrailIncludeBands.txt", longList);
    OpenWindow w(h.home);
    std::size_t seen = 0;
    w.alertsSince(seen);
    // Opening it again while it is up brings the same window forward.
    w.player.sendLine("config");
    w.player.sendLine("windows");
    w.set("CID_MAIN_TABS_tabControl", "1");
    const auto windowLines = [&] {
        return std::count_if(
            w.player.linesRead().begin(), w.player.linesRead().end(),
            [](const std::string& l) { return l.rfind("window: Voxtrail_Preferences", 0) == 0; });
    };
    EXPECT_EQ(windowLines(), 3); // one window each of the three times the windows were listed
    w.set("CID_GENERAL_TBOX_libraryPath", std::string(10000, 'L'));
    w.set("CID_SHARING_CBOX_shareCal", "1");
    w.set("CID_SHARING_TBOX_userName", std::string(10000, 'u'));
    w.set("CID_SHARING_TBOX_firstName", "Z\xc3\xbcrich \x01\x7f\xfe\xff");
    w.press("CID_MAIN_BTTN_ok");
    EXPECT_EQ(w.alertsSince(seen),
              (Alerts{"alert: Illegal characters. | You can use letters, numbers, spaces, apostrophes and "
                      "hyphens in the first name, but not U+0001."}));
    w.set("CID_SHARING_CBOX_shareCal", "0");
    w.press("CID_MAIN_BTTN_ok");
    ASSERT_TRUE(h.home.waitForContent(
        h.prefsPath, [](const std::string& p) { return lineOf(p, 1) == std::string(1023, 'L'); }, kStartMs));
    // The include list came back unchanged, so its file was not rewritten.
    EXPECT_EQ(h.home.readFile(kSupportFolder + "VoxtrailIncludeBands.txt"), longList);
    w.quit();
}

TEST(PreferencesWindowEndToEnd, QuittingWithTheWindowOpenEndsCleanly) {
    PreferencesHome h;
    OpenWindow w(h.home);
    w.set("CID_IPHONE_CBOX_sync", "1");
    w.quit();
    EXPECT_EQ(h.home.readFile(h.home.file(kSupportFolder + "pd")), "");
}

TEST(PreferencesWindowEndToEnd, TurningAReleaseFormatOffHidesItsReleases) {
    // Two releases of next year, one an EP: both listed until EPs are turned off.
    std::tm now{};
    const std::time_t t = std::time(nullptr);
    localtime_r(&t, &now);
    const std::string year = std::to_string(now.tm_year + 1900 + 1);
    PreferencesHome h("0@@0@@0@@0@@0@@0@@0@@0@@0@@0@@0",
                      "2@@0@@0@@" + year +
                          "@@3@@4@@Radiohead@@Short One@@-@@http://example.com/1@@-@@EP@@\n" + "2@@0@@0@@" +
                          year + "@@3@@12@@Radiohead@@Long One@@-@@http://example.com/2@@-@@\n");
    OpenWindow w(h.home);
    // In an 800 x 480 pane: the CD Releases tab and the list's date bands.
    constexpr int kListTop = 105, kRowPitch = 54, kBandX = 219;
    const auto rowsOnScreen = [&](const std::string& png) {
        w.player.sendLine("show 800 480");
        w.player.sendLine("move 180 95");
        w.player.sendLine("click 180 95");
        w.player.sendLine("move 795 475");
        w.player.sendLine("idle 1");
        w.player.sendLine("snapshot " + h.home.file(png));
        EXPECT_TRUE(w.player.waitForLine("snapshot: ", kStartMs));
        const QImage pane(QString::fromStdString(h.home.file(png)));
        const QColor band = pane.pixelColor(kBandX, kListTop + 8);
        int rows = band == QColor(Qt::white) ? 0 : 1;
        while (rows > 0 && rows < 5 && pane.pixelColor(kBandX, kListTop + rows * kRowPitch + 8) == band)
            ++rows;
        return rows;
    };
    EXPECT_EQ(rowsOnScreen("before.png"), 2);
    w.set("CID_RELEASES_CBOX_eps", "0");
    w.press("CID_MAIN_BTTN_ok");
    ASSERT_TRUE(h.home.waitForContent(
        h.prefsPath, [](const std::string& p) { return lineOf(p, 9).find("EP@@") != std::string::npos; },
        kStartMs));
    EXPECT_EQ(rowsOnScreen("after.png"), 1);
    w.quit();
}

TEST(PreferencesWindowEndToEnd, TheLibraryFileIsChosenInADialogAndThePhonePagesOpen) {
    PreferencesHome h;
    const std::string other = h.home.file("Other Music/Library.xml");
    h.home.writeFile(other, h.home.readFile(h.home.file(kLibraryFile)));
    OpenWindow w(h.home);
    w.player.sendLine("answer-file " + other);
    w.press("CID_GENERAL_BTTN_libraryPath");
    w.press("CID_IPHONE_BTTN_getApp");
    w.press("CID_IPHONE_BTTN_watchDemo");
    w.press("CID_MAIN_BTTN_ok");
    ASSERT_TRUE(h.home.waitForContent(
        h.prefsPath, [&](const std::string& p) { return lineOf(p, 1) == other; }, kStartMs));
    const auto& lines = w.player.linesRead();
    const auto has = [&](const std::string& text) {
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    };
    // The dialog opens in the folder of the library file the box names.
    const std::string library = h.home.file(kLibraryFile);
    EXPECT_TRUE(
        has("file-dialog: Locate 'iTunes Music Library.xml' | " + library.substr(0, library.rfind('/'))));
    EXPECT_TRUE(has("open-url: http://" + h.service.host() + "/iphonelink.php"));
    EXPECT_TRUE(has("open-url: http://" + h.service.host() + "/iphone.php"));
    w.quit();
}

TEST(PreferencesWindowEndToEnd, OKAsTheStartRefreshRunsForcesTheNextOneAndQuitsCleanly) {
    PreferencesHome h;
    std::string prefs = h.prefs();
    prefs.replace(prefs.find("\n2000000000\n"), 12, "\n1\n"); // the weekly refresh is due at start
    h.home.writeFile(h.prefsPath, prefs);
    OpenWindow w(h.home);
    w.set("CID_GENERAL_TBOX_excludeArtists", "Nobody Anyone Knows");
    w.press("CID_MAIN_BTTN_ok");
    EXPECT_EQ(h.home.readFile(h.home.file(kSupportFolder + "VoxtrailExcludeBands.txt")),
              "Nobody Anyone Knows");
    ASSERT_TRUE(h.home.waitForContent(
        h.prefsPath, [](const std::string& p) { return lineOf(p, 2) != "1" && !lineOf(p, 2).empty(); },
        kRefreshMs));
    w.quit();
}

TEST(PreferencesWindowEndToEnd, ArtistsIncludedOrExcludedCountInTheRefreshThatOKStarts) {
    // The service lists concerts of this library's artists and of another's.
    const std::string libraries = std::string(VX_TESTDATA_DIR) + "/libraries/itunes-";
    PreferencesHome h("0@@0@@0@@0@@0@@0@@0@@0@@0@@0@@0", "",
                      {"--catalog-from-library", libraries + "9.1-fixture.xml", "--catalog-from-library",
                       libraries + "11.1-fixture.xml"});
    OpenWindow w(h.home);
    w.set("CID_GENERAL_TBOX_excludeArtists", "Radiohead");
    w.set("CID_GENERAL_TBOX_includeArtists", "Foo Fighters");
    w.press("CID_MAIN_BTTN_ok");
    const auto listed = [](const std::string& prefs, const std::string& artist) {
        return prefs.find("@@" + artist + "@@") != std::string::npos;
    };
    ASSERT_TRUE(h.home.waitForContent(
        h.prefsPath, [&](const std::string& p) { return listed(p, "Foo Fighters"); }, kRefreshMs))
        << h.prefs();
    EXPECT_FALSE(listed(h.prefs(), "Radiohead")) << h.prefs();
    EXPECT_TRUE(listed(h.prefs(), "Biosphere")) << h.prefs();
    w.quit();
}

TEST(PreferencesWindowEndToEnd, ATripTypedInThePlacesTabIsCheckedSavedAndSearched) {
    PreferencesHome h;
    OpenWindow w(h.home);
    const std::string from = "2099-03-03", to = "2099-03-07";
    w.set("CID_MAIN_TABS_tabControl", "7");
    const std::pair<const char*, std::string> typed[] = {
        {"City", "Zurich"}, {"State", "ZH"}, {"Radius", "300"}, {"From", from}, {"To", to}};
    for (const auto& [box, text] : typed)
        w.set(std::string("CID_PLACES_TBOX_trip") + box, text);
    w.press("CID_MAIN_BTTN_ok");
    w.player.sendLine("window-texts Voxtrail_Preferences");
    EXPECT_EQ(w.player.waitForLine("window-text: CID_PLACES_TEXT_stateProblem", kStartMs).value_or(""),
              "window-text: CID_PLACES_TEXT_stateProblem Type the country for places outside\\nthe US and "
              "Canada, such as Switzerland.");

    w.set("CID_PLACES_TBOX_tripCity", "Chicago");
    w.set("CID_PLACES_TBOX_tripState", "IL");
    w.press("CID_MAIN_BTTN_ok");
    const std::string line = "trips@@Chicago@@IL@@300@@" + from + "@@" + to + "@@";
    EXPECT_TRUE(h.home.waitForContent(
        kSupportFolder + "VoxtrailPref", [&](const std::string& p) { return lineOf(p, 10) == line; },
        kStartMs))
        << h.prefs();
    for (int i = 0;
         i < kRefreshMs / 100 && h.service.requestsMatching("city=Chicago&state=IL&radius=300") == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_GT(h.service.requestsMatching("city=Chicago&state=IL&radius=300"), 0u);
    w.quit();
}
