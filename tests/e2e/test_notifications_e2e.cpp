// End to end for the notices of the playing artist's upcoming show or album: the plug-in's own
// window followed over time through the player's windows command, and the desktop style through a
// private session bus with a notification service of the test's own.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace vx::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kReplyMs = 10000;
// The notice window: 400 x 84, flush right on the 1440 x 900 headless screen.
constexpr int kLeft = 1440 - 400;
constexpr int kTop = 22;
constexpr int kStackedTop = 84 + 32;

// The library: a track of each band, in the layout the music player writes.
std::string library() {
    std::string tracks, items;
    const char* const rows[][2] = {
        {"Band One", "First Record"}, {"Band Two", "Owned Album"}, {"Band Three", "Third"}};
    for (int i = 0; i < 3; ++i) {
        const std::string id = std::to_string(601 + i);
        tracks += "\t\t<key>" + id + "</key>\n\t\t<dict>\n\t\t\t<key>Track ID</key><integer>" + id +
                  "</integer>\n\t\t\t<key>Name</key><string>Song</string>\n\t\t\t<key>Artist</key><string>" +
                  rows[i][0] + "</string>\n\t\t\t<key>Album</key><string>" + rows[i][1] +
                  "</string>\n\t\t\t<key>Kind</key><string>MPEG audio file</string>\n\t\t\t<key>Total "
                  "Time</key><integer>200000</integer>\n\t\t</dict>\n";
        items +=
            "\t\t\t\t<dict>\n\t\t\t\t\t<key>Track ID</key><integer>" + id + "</integer>\n\t\t\t\t</dict>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "\t<key>Major Version</key><integer>1</integer>\n\t<key>Minor Version</key><integer>1</integer>\n"
           "\t<key>Application Version</key><string>9.1</string>\n\t<key>Tracks</key>\n\t<dict>\n" +
           tracks +
           "\t</dict>\n\t<key>Playlists</key>\n\t<array>\n\t\t<dict>\n\t\t\t<key>Name</key><string>Library</"
           "string>\n"
           "\t\t\t<key>Master</key><true/>\n\t\t\t<key>Playlist ID</key><integer>1</integer>\n"
           "\t\t\t<key>All Items</key><true/>\n\t\t\t<key>Playlist Items</key>\n\t\t\t<array>\n" +
           items + "\t\t\t</array>\n\t\t</dict>\n\t</array>\n</dict>\n</plist>\n";
}

// Switches: notify of concerts, notify of albums, the notification application's style.
std::string preferences(const TempHome& home, bool concerts, bool albums, bool growl,
                        const std::vector<std::string>& shows) {
    std::ostringstream p; // no refresh due for years, so the lists stay as written
    p << home.file(kLibraryFile) << "\n2000000000\n2026@@12@@8\nBoston@@MA@@25@@4.235000e+01@@-7.106000e+01\n"
      << "0@@1@@0@@0@@0@@0@@1@@" << concerts << "@@" << albums << "@@" << growl << "@@0\n-\n-@@-@@-@@\n\n\n";
    for (const std::string& s : shows)
        p << s << "\n";
    return p.str();
}

const std::vector<std::string> kShows = {
    "0@@0@@0@@2027@@3@@5@@Band One@@The Paradise@@Boston, MA@@show-one@@-@@",
    "0@@0@@0@@2027@@3@@5@@Band Three@@The Paradise@@Boston, MA@@show-three@@-@@",
    "2@@0@@0@@2027@@12@@1@@Band One@@New Record@@-@@B0001@@-@@CD@@",
    "2@@0@@0@@2027@@4@@1@@Band Two@@Owned Album@@-@@B0002@@-@@CD@@",
};

struct Window {
    std::string name;
    int x = 0, y = 0, w = 0, h = 0;
    double opacity = 0;
    bool visible = false;
};

// The lines a command printed: a window-snapshot of no window ends them with a line of its own.
std::vector<std::string> linesOf(PlayerProcess& player, const std::string& command,
                                 const std::string& prefix) {
    static int mark = 0;
    const std::string end = "window-snapshot-error: mark-" + std::to_string(++mark);
    player.sendLine(command);
    player.sendLine("window-snapshot no-such-window " + end.substr(end.find("mark-")));
    std::vector<std::string> out;
    while (auto line = player.readLine(kReplyMs)) {
        if (*line == end) return out;
        if (line->rfind(prefix, 0) == 0) out.push_back(line->substr(prefix.size()));
    }
    ADD_FAILURE() << "no end of " << command << ": " << player.errorText();
    return out;
}

std::vector<Window> windows(PlayerProcess& player) {
    std::vector<Window> out;
    for (const std::string& line : linesOf(player, "windows", "window: ")) {
        std::istringstream in(line);
        Window w;
        int visible = 0;
        in >> w.name >> w.x >> w.y >> w.w >> w.h >> w.opacity >> visible;
        w.visible = visible == 1;
        out.push_back(w);
    }
    return out;
}

class Notifications : public ::testing::Test {
  protected:
    TempHome home;
    WebService service{home.file("service.log")};

    void SetUp() override {
        home.writeFile(kLibraryFile, library());
        home.installBundle(VX_VOXTRAIL_BUNDLE);
        home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
    }
    std::unique_ptr<PlayerProcess> start(const std::string& prefs,
                                         std::map<std::string, std::string> env = {},
                                         std::vector<std::string> args = {"--headless"}) {
        home.writeFile(kSupportFolder + "VoxtrailPref", prefs);
        auto e = home.playerEnvironment();
        for (auto& [k, v] : env)
            e[k] = v;
        auto player = std::make_unique<PlayerProcess>(VX_PLAYER_EXE, args, e, home.path());
        EXPECT_TRUE(player->waitForLine("loaded: ", kStartMs)) << player->errorText();
        return player;
    }
    static void quit(PlayerProcess& player) {
        player.sendLine("quit");
        EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();
        EXPECT_EQ(player.errorText().find("left"), std::string::npos)
            << "no window or timer outlives cleanup";
    }
};

TEST_F(Notifications, OwnWindowSlidesInHoldsFadesAndStacksTheAlbumNoticeBelow) {
    auto player = start(preferences(home, true, true, false, kShows));

    // A concert only: the window with its labels and values; a click opens the show's page.
    player->sendLine("play Band Three");
    const std::vector<std::string> texts = linesOf(*player, "window-texts Voxtrail_Notify", "window-text: ");
    const std::vector<std::string> expected = {"CID_STXT_tag1 Artist:",
                                               "CID_STXT_tag2 Venue:",
                                               "CID_STXT_tag3 Date:",
                                               "CID_STXT_tag1_value Band Three",
                                               "CID_STXT_tag2_value The Paradise (Boston, MA)",
                                               "CID_STXT_tag3_value Mar 5, 2027"};
    std::vector<std::string> shown;
    for (const std::string& t : texts)
        if (t.rfind("CID_STXT", 0) == 0) shown.push_back(t);
    EXPECT_EQ(shown, expected);
    player->sendLine("window-click Voxtrail_Notify 200 40");
    const auto opened = player->waitForLine("open-url: ", kReplyMs);
    ASSERT_TRUE(opened) << player->errorText();
    EXPECT_EQ(*opened, "open-url: http://" + service.host() + "/clickthrough.php?target=show-three");

    // A show and an unowned album: the concert window replaces the one up, the album's rests under it.
    player->sendLine("play Band One");
    const auto started = std::chrono::steady_clock::now();
    bool concertHeld = false, albumHeld = false, snapped = false;
    double lastSeenMs = 0;
    std::size_t most = 0;
    while (std::chrono::steady_clock::now() - started < std::chrono::seconds(25)) {
        const std::vector<Window> ws = windows(*player);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        most = std::max(most, ws.size());
        if (ws.empty()) break;
        lastSeenMs = ms;
        for (const Window& w : ws) {
            EXPECT_EQ(w.name, "Voxtrail_Notify");
            EXPECT_EQ(w.x, kLeft) << "flush right";
            // Below the screen until its first tick, then never below its resting place.
            if (w.y != 900 + 100) {
                EXPECT_LE(w.y, kStackedTop) << ms;
            }
            if (w.opacity == 1.0 && w.y == kTop) concertHeld = true;
            if (w.opacity == 1.0 && w.y == kStackedTop) albumHeld = true;
        }
        if (concertHeld && albumHeld && !snapped) {
            snapped = true;
            player->sendLine("window-snapshot Voxtrail_Notify " + home.file("album-notice.png"));
            ASSERT_TRUE(player->waitForLine("window-snapshot: ", kReplyMs));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    EXPECT_EQ(most, 2u) << "one window of each kind";
    EXPECT_TRUE(concertHeld);
    EXPECT_TRUE(albumHeld);
    EXPECT_GT(lastSeenMs, 5500) << "slide 1 s and hold 4 s before the fade ends";
    // 700 ticks of 10 ms; a loaded machine (a sanitizer build among parallel tests) ticks late.
    EXPECT_LT(lastSeenMs, 20000) << "gone about 7 s after it came";
    const QImage notice(QString::fromStdString(home.file("album-notice.png")));
    ASSERT_EQ(notice.size(), QSize(400, 84));
    EXPECT_NE(notice.pixelColor(40, 40), notice.pixelColor(300, 40)) << "the icon is drawn";

    // The same artist again, and an album the library holds: nothing.
    player->sendLine("play Band One");
    const std::vector<Window> again = windows(*player);
    EXPECT_TRUE(again.empty()) << again.size() << " " << (again.empty() ? 0 : again[0].y) << " after "
                               << lastSeenMs;
    player->sendLine("play Band Two");
    EXPECT_TRUE(windows(*player).empty());
    quit(*player);
}

TEST_F(Notifications, SwitchesFromThePreferencesFileChooseWhatIsAnnounced) {
    // Albums only: no concert notice, so the album window is not stacked. On a smaller screen.
    auto player =
        start(preferences(home, false, true, false, kShows), {}, {"--headless", "--screen", "1024", "768"});
    player->sendLine("play Band One");
    std::vector<Window> ws = windows(*player);
    ASSERT_EQ(ws.size(), 1u);
    player->sendLine("sleep 1500");
    ws = windows(*player);
    ASSERT_EQ(ws.size(), 1u);
    EXPECT_EQ(ws[0].y, kTop);
    EXPECT_EQ(ws[0].x, 1024 - 400);
    quit(*player);

    player = start(preferences(home, false, false, false, kShows));
    player->sendLine("play Band One");
    EXPECT_TRUE(windows(*player).empty());
    quit(*player);
}

TEST_F(Notifications, BadArtistsAndTracksChangingEvery10MsEndCleanly) {
    // 255 bytes: accented letters, quotes and a backslash.
    std::string odd;
    while (odd.size() < 200)
        odd += "\xC3\x89";
    odd += " \"Q\" \\ ";
    odd += std::string(255 - odd.size(), 'x');
    std::vector<std::string> shows = kShows;
    shows.push_back("0@@0@@0@@2027@@6@@9@@" + odd + "@@Hall@@Town@@odd@@-@@");
    auto player = start(preferences(home, true, true, false, shows));
    player->sendLine("play " + odd);
    bool found = false;
    for (const std::string& t : linesOf(*player, "window-texts Voxtrail_Notify", "window-text: "))
        found = found || t == "CID_STXT_tag1_value " + odd;
    EXPECT_TRUE(found) << "the whole name, as one value";
    player->sendLine("play");
    for (int i = 0; i < 60; ++i) {
        player->sendLine(i % 2 ? "play Band One" : "play Band Three");
        player->sendLine("sleep 10");
        if (i % 7 == 0) player->sendLine("play   | no artist");
    }
    EXPECT_LE(windows(*player).size(), 2u);
    quit(*player); // while the windows animate
}

// A private session bus with the test's notification service on it.
class DesktopNotifications : public Notifications {
  protected:
    std::unique_ptr<PlayerProcess> bus, recorder;
    std::string address;

    void SetUp() override {
        Notifications::SetUp();
        bus = std::make_unique<PlayerProcess>(
            "/usr/bin/dbus-daemon", std::vector<std::string>{"--session", "--nofork", "--print-address=1"},
            home.playerEnvironment());
        address = bus->readLine(kReplyMs).value_or("");
        ASSERT_FALSE(address.empty()) << bus->errorText();
        recorder = std::make_unique<PlayerProcess>(
            VX_NOTIFICATION_RECORDER_EXE, std::vector<std::string>{home.file("notices.txt")},
            std::map<std::string, std::string>{{"DBUS_SESSION_BUS_ADDRESS", address}});
        ASSERT_TRUE(recorder->waitForLine("ready", kReplyMs)) << recorder->errorText();
    }
    std::vector<std::string> notices() {
        std::vector<std::string> out;
        std::istringstream in(home.readFile("notices.txt"));
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }
};

TEST_F(DesktopNotifications, APlayedTrackGivesExactlyOneNoticeWithItsTexts) {
    const std::string quoted = "Say \"Hi\" \\ <Co>";
    std::vector<std::string> shows = kShows;
    shows.push_back("0@@0@@0@@2027@@1@@12@@" + quoted + "@@Club@@Here@@q@@-@@");
    auto player = start(preferences(home, true, true, true, shows), {{"DBUS_SESSION_BUS_ADDRESS", address}});
    player->sendLine("play Band Three");
    EXPECT_TRUE(windows(*player).empty()) << "no window of its own in this style";
    const std::string icon =
        "file://" + home.path() + "/Library/iTunes/iTunes Plug-ins/Voxtrail.bundle/Contents/Resources/";
    std::vector<std::string> got = notices();
    ASSERT_EQ(got.size(), 1u) << player->errorText();
    EXPECT_EQ(got[0],
              "Voxtrail\tUpcoming Concert\tArtist: Band Three\\nVenue: The Paradise (Boston, MA)\\nDate: "
              "Mar 5, 2027\t" +
                  icon + "Voxtrail_icon_blue.png");

    // A quote in a name is still one notice with that name (escaped for a body read as markup).
    player->sendLine("play " + quoted);
    windows(*player);
    got = notices();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_NE(got[1].find("Artist: Say \"Hi\" \\ &lt;Co&gt;\\nVenue: Club (Here)"), std::string::npos)
        << got[1];

    player->sendLine("play Band One");
    windows(*player);
    got = notices();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[3],
              "Voxtrail\tUpcoming Album Release\tArtist: Band One\\nAlbum: New Record\\nDate: Dec 1, 2027\t" +
                  icon + "Voxtrail_icon_purple.png");
    quit(*player);
}

// Only the system's bundle (the packaged one beside the player, none in the user's folder): the
// desktop notice's icon is that bundle's.
TEST_F(DesktopNotifications, OnlyTheSystemsBundleGivesTheNoticeItsIcon) {
    namespace fs = std::filesystem;
    const std::string system = home.file("usr"), bundle = system + "/lib/voxtrail/plug-ins/Voxtrail.bundle";
    fs::create_directories(system + "/bin");
    fs::create_directories(fs::path(bundle).parent_path());
    fs::copy_file(VX_PLAYER_EXE, system + "/bin/vxplayer");
    fs::rename(home.pluginFolder() + "/Voxtrail.bundle", bundle);
    home.writeFile(kSupportFolder + "VoxtrailPref", preferences(home, true, true, true, kShows));
    auto env = home.playerEnvironment();
    env["DBUS_SESSION_BUS_ADDRESS"] = address;
    PlayerProcess player(system + "/bin/vxplayer", {"--headless"}, env, home.path());
    ASSERT_TRUE(player.waitForLine("loaded: " + bundle, kStartMs)) << player.errorText();
    player.sendLine("play Band Three");
    windows(player);
    const std::vector<std::string> got = notices();
    ASSERT_EQ(got.size(), 1u) << player.errorText();
    EXPECT_EQ(got[0].substr(got[0].rfind('\t') + 1),
              "file://" + bundle + "/Contents/Resources/Voxtrail_icon_blue.png");
    quit(player);
}

TEST_F(Notifications, WithoutASessionBusNothingIsShownAndOneLineSaysSo) {
    auto player = start(preferences(home, true, true, true, kShows),
                        {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.file("no-bus")}});
    player->sendLine("play Band Three");
    EXPECT_TRUE(windows(*player).empty());
    quit(*player);
    const std::string err = player->errorText();
    EXPECT_NE(err.find("notification \"Upcoming Concert\" not shown"), std::string::npos) << err;
    std::size_t lines = 0;
    for (std::size_t at = err.find("Voxtrail: notification \""); at != std::string::npos;
         at = err.find("Voxtrail: notification \"", at + 1))
        ++lines;
    EXPECT_EQ(lines, 1u) << err;
}

} // namespace
