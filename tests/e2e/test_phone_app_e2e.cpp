// End to end for the phone: the player syncs its library to a phone account, and the phone app in
// headless Chromium signs in with that account and lists exactly the concerts the player found
// near the same place; a starred show reaches the account's feed.
#include "common/child_process.h"
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

using namespace vx::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kRefreshMs = 120000;

std::string libraryOf(const std::vector<std::string>& artists) {
    std::string library = "<plist version=\"1.0\">\n<dict>\n\t<key>Tracks</key>\n\t<dict>\n";
    for (std::size_t i = 0; i < artists.size(); ++i)
        library += "\t\t<key>" + std::to_string(i + 1) +
                   "</key>\n\t\t<dict>\n\t\t\t<key>Track ID</key><integer>" + std::to_string(i + 1) +
                   "</integer>\n\t\t\t<key>Artist</key><string>" + artists[i] + "</string>\n\t\t</dict>\n";
    return library + "\t</dict>\n</dict>\n</plist>\n";
}

} // namespace

TEST(PhoneAppEndToEnd, ThePhoneListsTheConcertsThePlayerFoundForTheSyncedLibrary) {
    TempHome home;
    WebService service(home.file("service.log"));
    // Three artists who play near the place, as a source lists them.
    const std::string page =
        httpGet(service.host(), "/sources/gigwire.php?feed=events&city=Boston&state=MA&radius=75");
    std::vector<std::string> artists;
    const std::regex artist("<artist>([^<]+)</artist>");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), artist); it != std::sregex_iterator(); ++it)
        if (artists.size() < 3 && std::find(artists.begin(), artists.end(), (*it)[1]) == artists.end())
            artists.push_back((*it)[1]);
    ASSERT_EQ(artists.size(), 3u) << page.substr(0, 400);

    home.writeFile(kLibraryFile, libraryOf(artists));
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
    home.writeFile(kSupportFolder + "pd", "s3cret");
    home.writeFile(kSupportFolder + "VoxtrailPref",
                   home.file(kLibraryFile) + "\n1\n2026@@1@@8\nBoston@@MA@@75@@0.000000e+00@@0.000000e+00\n"
                                             "0@@1@@0@@0@@0@@0@@0@@0@@0@@0@@1\n-\nann@@Ann@@Lee@@\n\n\n");
    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs));
    ASSERT_TRUE(home.waitForContent(
        kSupportFolder + "VoxtrailPref",
        [](const std::string& prefs) { return !prefs.empty() && lineOf(prefs, 3) != "2026@@1@@8"; },
        kRefreshMs));
    ASSERT_TRUE(home.waitForContent(
        "service.log",
        [](const std::string& log) { return log.find("TODO=ADD_ARTISTS") != std::string::npos; },
        kRefreshMs));
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();

    // What the player lists, as the browser test compares it: artist, date and venue.
    std::set<std::string> shows;
    for (const std::string& line : showLines(home.readFile(kSupportFolder + "VoxtrailPref"), 0)) {
        const std::vector<std::string> f = fields(line);
        ASSERT_GE(f.size(), 8u) << line;
        char date[16];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", std::stoi(f[3]), std::stoi(f[4]), std::stoi(f[5]));
        shows.insert(f[6] + "\t" + date + "\t" + f[7] + "\n");
    }
    ASSERT_FALSE(shows.empty());
    std::string expected;
    for (const std::string& s : shows)
        expected += s;
    home.writeFile("player-shows.tsv", expected);

    const pid_t browser = vx::spawnChild(
        "/usr/bin/python3", {"python3", VX_PHONE_APP_TEST, "--service", "-", "--data", "-", "--shots",
                             VX_SHOTS_DIR, "--host", service.host(), "--account", "ann", "s3cret", "--place",
                             "Boston, MA", "--radius", "75", "--expected", home.file("player-shows.tsv")});
    ASSERT_GT(browser, 0);
    const int status = vx::waitForChild(browser);
    if (status == 77) GTEST_SKIP() << "Chromium cannot start here";
    EXPECT_EQ(status, 0);
}
