// Kills (SIGKILL) at random moments of the saves and exports that marking and unmarking shows
// start: at every next start the store (10.6) or the iCal file (10.4) holds exactly the shows the
// preferences file has chosen. VX_KILL_ROUNDS sets the rounds per system (12 by default).
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>
#include <thread>

using namespace vx::e2e;

namespace {

const std::string kLibrary = std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml";
const std::string kStore = "Library/Calendars/Voxtrail Store/Voxtrail_Concerts";
const std::string kiCalFile = "Library/Application Support/iCal/Sources/Voxtrail.calendar/corestorage.ics";

class ExportsAfterKill : public ::testing::TestWithParam<std::string> {
  protected:
    TempHome home;
    WebService service{home.file("service.log"), {"--catalog-from-library", kLibrary}};

    // The UIDs of the chosen shows and of the exported events.
    std::set<std::string> chosen() const {
        std::set<std::string> uids;
        for (const std::string& line : showLines(home.readFile(kSupportFolder + "VoxtrailPref"), 0))
            if (const auto f = fields(line); f.size() > 11 && f[1] == "1") uids.insert(f[11]);
        return uids;
    }
    std::set<std::string> exported() const {
        std::string text = GetParam() == "10.4" ? home.readFile(kiCalFile) : "";
        std::error_code ec;
        for (std::filesystem::directory_iterator it(home.file(kStore), ec), end;
             GetParam() != "10.4" && !ec && it != end; it.increment(ec))
            text += home.readFile(it->path().string());
        std::set<std::string> uids;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            if (line.rfind("UID:", 0) == 0) uids.insert(line.substr(4, line.find('\r') - 4));
        return uids;
    }
    bool agree() const {
        for (int i = 0; i < 300; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(50)))
            if (chosen() == exported()) return true;
        return false;
    }
};

TEST_P(ExportsAfterKill, TheExportsHoldTheChosenShowsAfterEveryStart) {
    home.writeFile(kLibraryFile, home.readFile(kLibrary));
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
    // Export of the chosen shows on; the refresh is due, so the first start searches.
    home.writeFile(kSupportFolder + "VoxtrailPref",
                   home.file(kLibraryFile) + "\n1\n2026@@1@@8\nBoston@@MA@@75@@0.000000e+00@@0.000000e+00\n" +
                       "1@@0@@0@@0@@0@@0@@0@@0@@0@@0@@0\n" + home.file(kiCalFile) + "\n-@@-@@-@@\n\n\n");
    const char* asked = std::getenv("VX_KILL_ROUNDS");
    const int rounds = asked && std::atoi(asked) > 0 ? std::atoi(asked) : 12;
    std::mt19937 random(std::random_device{}());
    auto pick = [&random](int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); };

    for (int round = 0; round <= rounds; ++round) {
        PlayerProcess player(VX_PLAYER_EXE, {"--headless", "--os-version", GetParam()},
                             home.playerEnvironment(), home.path());
        ASSERT_TRUE(player.waitForLine("loaded: ", 30000)) << player.errorText();
        const auto searched = [](const std::string& text) { return showLines(text, 0).size() >= 3; };
        ASSERT_TRUE(home.waitForContent(kSupportFolder + "VoxtrailPref", searched, 120000))
            << player.errorText();
        player.sendLine("show 800 480\nsnapshot " + home.file("shown.png"));
        ASSERT_TRUE(player.waitForLine("snapshot: ", 30000)) << player.errorText();
        EXPECT_TRUE(agree()) << "start " << round << ": " << chosen().size() << " chosen, "
                             << exported().size() << " exported";
        if (round == rounds) break;
        // Marks and unmarks among the first three rows, killed at a random moment of their saves and exports.
        for (int click = pick(1, 5); click > 0; --click)
            player.sendLine("rclick 100 " + std::to_string(140 + 54 * pick(0, 2)) + "\nsleep " +
                            std::to_string(pick(0, 10)));
        std::this_thread::sleep_for(std::chrono::microseconds(pick(0, 80000)));
        player.kill();
    }
}

INSTANTIATE_TEST_SUITE_P(StoreAndFile, ExportsAfterKill, ::testing::Values("10.6", "10.4"));

} // namespace
