// End to end for friends' shows: two friends share their calendars with the web service through
// its sharing requests, one show shared by both, and a third user shares a show nobody follows.
// A refresh of a home whose preferences name the two friends fills the Friend Shows tab with
// exactly their shows, the common one carrying both names.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <algorithm>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

using namespace vx::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kRefreshSeconds = 120;
// In pane coordinates of an 800 x 480 pane: the Friend Shows tab, a point off every spot, and
// the list's rows (55 pixels high, sharing their borders) from the top of the grid.
constexpr const char* kFriendTab = "295 95";
constexpr const char* kAway = "move 795 475";
constexpr int kListTop = 105, kRowPitch = 54, kBandX = 219;

struct Shared {
    const char* user;
    int day;
    const char* artist;
    const char* tickets;
};

void share(const WebService& service, const std::string& user, int year, const Shared& s) {
    const std::string reply = httpGet(
        service.host(), "/sharing/sharing.php?TODO=ADD_SHOW&USERNAME=" + user + "&UUID=uuid-" + user +
                            "&YEAR=" + std::to_string(year) + "&MONTH=3&DAY=" + std::to_string(s.day) +
                            "&TICKETSAVAILABLE=" + s.tickets + "&ARTIST=" + s.artist +
                            "&VENUE=Paradise+Rock+Club&LOCATION=Boston,+MA&URL=http://example.com/" +
                            std::to_string(s.day) + "&OTHERARTISTS=");
    ASSERT_NE(reply.find("Show added."), std::string::npos) << reply;
}

void registerUser(const WebService& service, const std::string& user) {
    const std::string reply =
        httpGet(service.host(), "/sharing/sharing.php?TODO=INITIALIZE_USER&USERNAME=" + user + "&UUID=uuid-" +
                                    user + "&CITY=Boston&STATE=MA&FIRSTNAME=F&LASTNAME=L");
    ASSERT_NE(reply.find("Registered."), std::string::npos) << reply;
}

// A preferences file naming the friends, with the place set and the next refresh overdue, so
// loading the plug-in refreshes everything.
void writePreferences(const TempHome& home, const std::string& friends) {
    std::ostringstream p;
    p << home.file(kLibraryFile) << "\n"
      << "1\n"
      << "2026@@1@@8\n"
      << "Boston@@MA@@25@@0.000000e+00@@0.000000e+00\n"
      << "0@@1@@0@@0@@0@@0@@1@@0@@0@@0@@0\n"
      << "-\n"
      << "-@@-@@-@@\n"
      << friends << "\n\n";
    home.writeFile(kSupportFolder + "VoxtrailPref", p.str());
}

bool sameColour(const QImage& pane, int x, int y, QColor colour) {
    return pane.pixelColor(x, y) == colour;
}

} // namespace

TEST(FriendsEndToEnd, TheFriendShowsTabHoldsExactlyTheFriendsSharedShows) {
    TempHome home;
    WebService service(home.file("service.log"));
    std::tm now{};
    const std::time_t t = std::time(nullptr);
    localtime_r(&t, &now);
    const int year = now.tm_year + 1900 + 1;

    for (const char* user : {"ann", "bob+lee", "carl"})
        registerUser(service, user);
    for (const Shared& s : {Shared{"ann", 4, "The+Common+Band", "1"}, Shared{"ann", 12, "Solo+Act", "0"},
                            Shared{"bob+lee", 4, "The+Common+Band", "1"},
                            Shared{"bob+lee", 20, "Late+Act", "1"}, Shared{"carl", 9, "Nobody+Follows", "0"}})
        share(service, s.user, year, s);

    home.writeFile(kLibraryFile,
                   home.readFile(std::string(VX_TESTDATA_DIR) + "/libraries/itunes-11.1-fixture.xml"));
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
    writePreferences(home, "ann@@bob lee@@");
    const std::string prefsPath = home.file(kSupportFolder + "VoxtrailPref");

    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
    const auto friendsSaved = [](const std::string& prefs) { return !showLines(prefs, 1).empty(); };
    ASSERT_TRUE(home.waitForContent(prefsPath, friendsSaved, kRefreshSeconds * 1000)) << player.errorText();
    player.sendLine("show 800 480");
    // A tab follows the click when the pointer has moved over it, as a user's does.
    player.sendLine(std::string("move ") + kFriendTab);
    player.sendLine(std::string("click ") + kFriendTab);
    player.sendLine(kAway);
    player.sendLine("snapshot " + home.file("friends.png"));
    ASSERT_TRUE(player.waitForLine("snapshot: ", kStartMs)) << player.errorText();
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();

    // Each friend's calendar was asked for, the blank in a name sent as "+"; nobody else's.
    std::vector<std::string> asked;
    for (const std::string& line : service.logLines())
        if (line.find("TODO=DISPLAY_USER_SHOWS") != std::string::npos) asked.push_back(line);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_NE(asked[0].find("USERNAME=ann "), std::string::npos) << asked[0];
    EXPECT_NE(asked[1].find("USERNAME=bob+lee "), std::string::npos) << asked[1];

    const std::string y = std::to_string(year);
    const std::string place = "@@Paradise Rock Club@@Boston, MA@@http://example.com/";
    EXPECT_EQ(showLines(home.readFile(prefsPath), 1),
              (std::vector<std::string>{"1@@0@@1@@" + y + "@@3@@4@@The Common Band" + place +
                                            "4@@-@@ann@@bob lee@@",
                                        "1@@0@@0@@" + y + "@@3@@12@@Solo Act" + place + "12@@-@@ann@@",
                                        "1@@0@@1@@" + y + "@@3@@20@@Late Act" + place + "20@@-@@bob lee@@"}));

    // On screen the tab lists three rows: each row's date band in the tab's colour, none below.
    const QImage pane(QString::fromStdString(home.file("friends.png")));
    ASSERT_FALSE(pane.isNull());
    const QColor band = pane.pixelColor(kBandX, kListTop + 8);
    EXPECT_NE(band, QColor(Qt::white));
    EXPECT_TRUE(sameColour(pane, kBandX, kListTop + kRowPitch + 8, band));
    EXPECT_TRUE(sameColour(pane, kBandX, kListTop + 2 * kRowPitch + 8, band));
    EXPECT_FALSE(sameColour(pane, kBandX, kListTop + 3 * kRowPitch + 8, band));
}
