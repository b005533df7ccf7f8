// End to end, a new user's first start, again and again: a fresh home with the real library, the
// pane shown as soon as the plug-in is loaded, and the IP-location page answering at once or
// late. Every start must search near the located place, never an empty one.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace vx::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kSearchMs = 60000;
constexpr int kStarts = 10;

// The directory requests the service logged: one per concert search, naming its place.
std::vector<std::string> directoryRequests(const std::string& log) {
    std::vector<std::string> out;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);)
        if (line.find("/datasources/datasources.php") != std::string::npos) out.push_back(line);
    return out;
}

void startFreshTimes(const std::vector<std::string>& serviceArgs) {
    TempHome serviceHome;
    const std::string logPath = serviceHome.file("service.log");
    WebService service(logPath, serviceArgs);
    for (int start = 0; start < kStarts; ++start) {
        SCOPED_TRACE("start " + std::to_string(start + 1));
        TempHome home;
        home.writeFile(kLibraryFile,
                       home.readFile(std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml"));
        home.installBundle(VX_VOXTRAIL_BUNDLE);
        home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());

        PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
        ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
        player.sendLine("show 800 480");

        const std::size_t before = static_cast<std::size_t>(start);
        ASSERT_TRUE(serviceHome.waitForContent(
            logPath, [&](const std::string& log) { return directoryRequests(log).size() > before; },
            kSearchMs))
            << player.errorText();
        const std::string searched = directoryRequests(serviceHome.readFile(logPath)).back();
        ASSERT_NE(searched.find("TODO=GETSITES&CITY=Boston&STATE=MA&"), std::string::npos) << searched;

        const std::string prefs = home.file(kSupportFolder + "VoxtrailPref");
        EXPECT_TRUE(home.waitForContent(
            prefs, [](const std::string& p) { return lineOf(p, 4).rfind("Boston@@MA@@", 0) == 0; },
            kSearchMs))
            << home.readFile(prefs);
        player.sendLine("quit");
        EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();
        EXPECT_EQ(directoryRequests(serviceHome.readFile(logPath)).size(), before + 1)
            << "one search per start, none started over";
    }
}

} // namespace

TEST(FirstStartEndToEnd, EveryFreshStartFindsThePlaceWhenTheIpPageAnswersAtOnce) {
    startFreshTimes({});
}

TEST(FirstStartEndToEnd, EveryFreshStartFindsThePlaceWhenTheIpPageAnswersLate) {
    startFreshTimes({"--iploc-delay-ms", "1500"});
}

TEST(FirstStartEndToEnd, AFirstRunQuitBeforeThePlaceIsFoundLocatesAndSearchesAtTheNextStart) {
    TempHome home;
    WebService service(home.file("service.log"), {"--iploc-delay-ms", "6000"});
    home.writeFile(kLibraryFile,
                   home.readFile(std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml"));
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
    const std::string prefs = home.file(kSupportFolder + "VoxtrailPref");
    for (const char* placeSaved : {"-@@-@@", "Boston@@MA@@"}) { // quit while the IP page is on its way
        PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
        ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
        EXPECT_TRUE(home.waitForContent(
            prefs, [&](const std::string& p) { return lineOf(p, 4).rfind(placeSaved, 0) == 0; }, kSearchMs))
            << home.readFile(prefs);
        player.sendLine("quit");
        EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();
    }
    EXPECT_EQ(directoryRequests(home.readFile(home.file("service.log"))).size(), 1u);
}
