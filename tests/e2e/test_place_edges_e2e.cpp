// End to end at the edges of the user's place and settings: a place or radius that cannot be
// searched, the service gone, and artist lists changed in the preferences window. Whatever goes
// wrong, the list and its choices stay and the screen says why.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <gtest/gtest.h>

#include <QImage>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace vx::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kSearchMs = 90000;

const std::string kLibrary91 = std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml";
const std::string kLibrary111 = std::string(VX_TESTDATA_DIR) + "/libraries/itunes-11.1-fixture.xml";

// In an 800 x 480 pane: the three location fields, the status line above the grid (where a
// refused place or radius is explained) and the notice under it (the lost connection).
constexpr const char* kCityBox = "150 28";
constexpr const char* kStateBox = "150 49";
constexpr const char* kRadiusBox = "150 70";
const QRect kRadiusText(82, 61, 60, 18);
const QRect kStatusLine(250, 20, 300, 45);
const QRect kInternetNotice(200, 455, 400, 25);

// Boston, a month before its next refresh, with one chosen show the service does not list.
struct PlaceHome {
    TempHome home;
    WebService service;
    std::string prefsPath = home.file(kSupportFolder + "VoxtrailPref");
    std::string saved;

    explicit PlaceHome(const std::vector<std::string>& serviceArgs)
        : service(home.file("service.log"), serviceArgs) {
        home.writeFile(kLibraryFile, home.readFile(kLibrary91));
        home.installBundle(VX_VOXTRAIL_BUNDLE);
        home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
        std::ostringstream p;
        p << home.file(kLibraryFile) << "\n"
          << std::time(nullptr) + 30L * 86400 << "\n2026@@12@@1\n"
          << "Boston@@MA@@75@@4.236000e+01@@-7.106000e+01\n"
          << "0@@1@@0@@0@@0@@0@@1@@0@@0@@0@@0\n-\n-@@-@@-@@\n\n\n"
          << "0@@1@@0@@2031@@6@@1@@Marked Band@@The Hall@@Boston, MA@@http://e.example/1@@-@@\n";
        saved = p.str();
        home.writeFile(prefsPath, saved);
    }
    std::size_t searches() const { return service.requestsMatching("/datasources/datasources.php"); }
};

struct Player {
    PlayerProcess process;
    const TempHome& home;
    int snapshots = 0;

    explicit Player(const TempHome& h)
        : process(VX_PLAYER_EXE, {"--headless"}, h.playerEnvironment(), h.path()), home(h) {
        if (!process.waitForLine("loaded: ", kStartMs)) throw std::runtime_error(process.errorText());
        send({"show 800 480"});
    }
    void send(const std::vector<std::string>& lines) {
        for (const std::string& line : lines)
            process.sendLine(line);
    }
    // The pane as it is once every line sent so far has been handled, the pointer off the fields.
    QImage snapshot() {
        const std::string file = home.file("pane" + std::to_string(++snapshots) + ".png");
        send({"move 795 475", "snapshot " + file});
        if (!process.waitForLine("snapshot: ", kStartMs)) return {};
        return QImage(QString::fromStdString(file));
    }
    // Waits until the pane shows warning-red text in the area (a refresh ends on its own thread).
    bool waitForWarning(const QRect& area) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSearchMs);
        while (std::chrono::steady_clock::now() < end) {
            if (redPixels(snapshot(), area) > 20) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return false;
    }
    static int redPixels(const QImage& image, const QRect& area) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom() && y < image.height(); ++y)
            for (int x = area.left(); x <= area.right() && x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += c.red() > 200 && c.green() < 90 && c.blue() < 90;
            }
        return n;
    }
    void quit() {
        process.sendLine("quit");
        EXPECT_EQ(process.waitForExit(kStartMs).value_or(-1), 0) << process.errorText();
    }
};

// Clicks a field, empties it, types text (if any) and ends with return.
std::vector<std::string> retype(const char* box, const std::string& text) {
    std::vector<std::string> keys{std::string("click ") + box};
    keys.insert(keys.end(), 10, "key backspace");
    if (!text.empty()) keys.push_back("type " + text);
    keys.push_back("key return");
    return keys;
}

} // namespace

TEST(PlaceEdgesEndToEnd, AnUnsearchableStateOrRadiusOrALostServiceKeepsTheListAndSaysWhy) {
    PlaceHome h({"--catalog-from-library", kLibrary91});
    Player player(h.home);
    const QImage start = player.snapshot();
    ASSERT_FALSE(start.isNull());

    // A blank state is not searched: the list, its choice and the file stay.
    player.send(retype(kStateBox, ""));
    ASSERT_TRUE(player.waitForWarning(kStatusLine)) << player.process.errorText();
    EXPECT_EQ(h.searches(), 0u);
    EXPECT_EQ(h.home.readFile(h.prefsPath), h.saved);
    player.send(retype(kStateBox, "MA")); // the place of the list again: nothing to search
    const QImage notFound = player.snapshot();

    // A radius that cannot be searched is refused on the spot, with a message of its own; the
    // field shows the list's radius again.
    for (const char* radius : {"0", "", "-5", "999"}) {
        SCOPED_TRACE(radius);
        player.send(retype(kRadiusBox, radius));
        const QImage refused = player.snapshot();
        EXPECT_EQ(refused.copy(kRadiusText), start.copy(kRadiusText));
        EXPECT_GT(Player::redPixels(refused, kStatusLine), 20);
        EXPECT_NE(refused.copy(kStatusLine), notFound.copy(kStatusLine));
    }
    player.send(retype(kRadiusBox, "50"));
    ASSERT_TRUE(h.home.waitForContent(
        h.prefsPath, [](const std::string& p) { return lineOf(p, 4).rfind("Boston@@MA@@50@@", 0) == 0; },
        kSearchMs))
        << player.process.errorText();
    EXPECT_EQ(h.searches(), 1u);
    EXPECT_EQ(h.service.requestsMatching("&RADIUS=50&"), 1u);
    const std::string searched = h.home.readFile(h.prefsPath);

    // With the service gone, a typed place says so, with the retry link, and keeps the list.
    h.service.stop();
    EXPECT_EQ(Player::redPixels(player.snapshot(), kInternetNotice), 0);
    player.send({std::string("click ") + kCityBox, "type bridge", "key tab", "key return"});
    EXPECT_TRUE(player.waitForWarning(kInternetNotice)) << player.process.errorText();
    EXPECT_EQ(h.home.readFile(h.prefsPath), searched);
    player.quit();
}

TEST(PlaceEdgesEndToEnd, ArtistsIncludedOrExcludedInThePreferencesCountInTheRefreshThatOKStarts) {
    // The service also lists concerts of an artist of another library.
    PlaceHome h({"--catalog-from-library", kLibrary91, "--catalog-from-library", kLibrary111});
    Player player(h.home);
    player.send({"config", "control CID_GENERAL_TBOX_excludeArtists Foo Fighters",
                 "control CID_GENERAL_TBOX_includeArtists Biosphere", "press CID_MAIN_BTTN_ok"});
    ASSERT_TRUE(player.process.waitForLine("press: CID_MAIN_BTTN_ok", kStartMs))
        << player.process.errorText();
    const auto artistsOf = [](const std::string& prefs) {
        std::string all;
        for (const std::string& show : showLines(prefs, 0))
            all += fields(show).at(6) + "\n";
        return all;
    };
    ASSERT_TRUE(h.home.waitForContent(
        h.prefsPath,
        [&](const std::string& p) { return artistsOf(p).find("Biosphere\n") != std::string::npos; },
        kSearchMs))
        << h.home.readFile(h.prefsPath) << player.process.errorText();
    const std::string artists = artistsOf(h.home.readFile(h.prefsPath));
    EXPECT_EQ(artists.find("Foo Fighters"), std::string::npos) << artists;
    EXPECT_NE(artists.find("Modest Mouse"), std::string::npos) << artists;
    EXPECT_EQ(h.searches(), 1u);
    player.quit();
}
