// End to end for album releases: the service publishes releases of its catalogue, to which the
// library's artists were added; a refresh fills CD Releases with exactly the releases of the
// library's artists, and the tab shows those whose formats the user did not filter out.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace vx::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kRefreshSeconds = 120;
constexpr const char* kFilters = "Extra tracks@@Original recording remastered@@Non-Active Artist@@";
// In pane coordinates of an 800 x 480 pane: the CD Releases tab, a point off every spot, and the
// list's rows (55 pixels high, sharing their borders) from the top of the grid.
constexpr const char* kReleasesTab = "180 95";
constexpr const char* kAway = "move 795 475";
constexpr int kListTop = 105, kRowPitch = 54, kBandX = 219;

// The text between <tag> and </tag> in a page line; empty when either is missing.
std::string tagged(const std::string& line, const std::string& tag) {
    const auto open = line.find("<" + tag + ">");
    const auto close = line.find("</" + tag + ">");
    if (open == std::string::npos || close == std::string::npos || close < open) return "";
    return line.substr(open + tag.size() + 2, close - open - tag.size() - 2);
}

std::set<std::string> libraryArtists(const std::string& library) {
    std::set<std::string> names;
    const std::string key = "<key>Artist</key><string>";
    for (std::size_t at = library.find(key); at != std::string::npos; at = library.find(key, at + 1))
        names.insert(library.substr(at + key.size(), library.find('<', at + key.size()) - at - key.size()));
    return names;
}

struct Release {
    std::string artist, title;
    bool filtered;
};

} // namespace

TEST(AlbumReleasesEndToEnd, CdReleasesHoldsTheLibrarysReleasesAndShowsTheUnfilteredOnes) {
    TempHome home;
    home.writeFile(kLibraryFile,
                   home.readFile(std::string(VX_TESTDATA_DIR) + "/libraries/itunes-11.1-fixture.xml"));
    WebService service(home.file("service.log"), {"--catalog-from-library", home.file(kLibraryFile)});
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
    std::ostringstream prefs; // the place set, the next refresh overdue, three formats filtered
    prefs << home.file(kLibraryFile) << "\n1\n2026@@1@@8\nBoston@@MA@@25@@0.000000e+00@@0.000000e+00\n"
          << "0@@1@@0@@0@@0@@0@@1@@0@@0@@0@@0\n-\n-@@-@@-@@\n\n"
          << kFilters << "\n";
    home.writeFile(kSupportFolder + "VoxtrailPref", prefs.str());
    const std::string prefsPath = home.file(kSupportFolder + "VoxtrailPref");

    // What the service publishes for the library's artists, read from its ten pages.
    const std::set<std::string> artists = libraryArtists(home.readFile(home.file(kLibraryFile)));
    std::vector<Release> expected;
    for (int page = 0; page < 10; ++page) {
        std::istringstream lines(
            httpGet(service.host(), "/CDReleases/data/cdReleasesData_" + std::to_string(page) + ".html"));
        for (std::string line; std::getline(lines, line);) {
            if (!artists.count(tagged(line, "A"))) continue;
            const std::string formats = tagged(line, "F");
            const bool filtered = formats.find("Extra tracks@@") != std::string::npos ||
                                  formats.find("Original recording remastered@@") != std::string::npos ||
                                  formats.find("Non-Active Artist@@") != std::string::npos;
            expected.push_back({tagged(line, "A"), tagged(line, "T"), filtered});
        }
    }
    std::size_t shown = 0;
    for (const Release& r : expected)
        shown += r.filtered ? 0 : 1;
    ASSERT_GE(expected.size(), 3u) << "the catalogue gives the library's artists releases";
    ASSERT_GE(shown, 1u);
    ASSERT_LE(shown, 6u) << "the rows checked on screen must fit the pane";

    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
    const auto releasesSaved = [](const std::string& text) { return !showLines(text, 2).empty(); };
    ASSERT_TRUE(home.waitForContent(prefsPath, releasesSaved, kRefreshSeconds * 1000)) << player.errorText();
    player.sendLine("show 800 480");
    // A tab follows the click when the pointer has moved over it, as a user's does.
    player.sendLine(std::string("move ") + kReleasesTab);
    player.sendLine(std::string("click ") + kReleasesTab);
    player.sendLine(kAway);
    player.sendLine("snapshot " + home.file("releases.png"));
    ASSERT_TRUE(player.waitForLine("snapshot: ", kStartMs)) << player.errorText();
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();

    // Every release of a library artist is kept (filtered ones too: the filter only hides them),
    // and nothing else.
    const std::vector<std::string> saved = showLines(home.readFile(prefsPath), 2);
    EXPECT_EQ(saved.size(), expected.size());
    for (const Release& r : expected) {
        bool found = false;
        for (const std::string& line : saved)
            found = found || line.find("@@" + r.artist + "@@" + r.title + "@@") != std::string::npos;
        EXPECT_TRUE(found) << r.artist << " / " << r.title;
    }

    // On screen the tab lists the unfiltered releases only: that many date bands, none below.
    const QImage pane(QString::fromStdString(home.file("releases.png")));
    ASSERT_FALSE(pane.isNull());
    const QColor band = pane.pixelColor(kBandX, kListTop + 8);
    EXPECT_NE(band, QColor(Qt::white));
    for (std::size_t row = 1; row < shown; ++row)
        EXPECT_EQ(pane.pixelColor(kBandX, kListTop + static_cast<int>(row) * kRowPitch + 8), band) << row;
    EXPECT_NE(pane.pixelColor(kBandX, kListTop + static_cast<int>(shown) * kRowPitch + 8), band);
}
