// Two service processes on one store (once per engine): a player shares every show through the
// first, and a friend's player, on the second, lists exactly those shows in its Friend Shows.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"
#include "tests/service/engine_choice.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace vx::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kRefreshMs = 120000;
const std::string kWrittenSave = "2026@@1@@8";

void prepareHome(const TempHome& home, const WebService& service, bool sharingAll,
                 const std::string& friends) {
    home.writeFile(kLibraryFile,
                   home.readFile(std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml"));
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
    // The place set and the next refresh overdue, so loading the plug-in refreshes everything.
    std::ostringstream p;
    p << home.file(kLibraryFile) << "\n1\n"
      << kWrittenSave << "\nBoston@@MA@@75@@0.000000e+00@@0.000000e+00\n"
      << "0@@1@@0@@0@@0@@" << sharingAll << "@@" << sharingAll << "@@0@@0@@0@@0\n-\n"
      << (sharingAll ? "ann" : "-") << "@@Ann@@Lee@@\n"
      << friends << "\n\n";
    home.writeFile(kSupportFolder + "VoxtrailPref", p.str());
}

// The shows of kind (0 own, 1 friends') once a player in home has refreshed; it then quits.
std::vector<std::string> showsAfterRefresh(const TempHome& home, int kind) {
    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    const auto refreshed = [](const std::string& prefs) {
        return !prefs.empty() && lineOf(prefs, 3) != kWrittenSave;
    };
    EXPECT_TRUE(player.waitForLine("loaded: ", kStartMs) &&
                home.waitForContent(kSupportFolder + "VoxtrailPref", refreshed, kRefreshMs));
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0);
    return showLines(home.readFile(kSupportFolder + "VoxtrailPref"), kind);
}

} // namespace

TEST(TwoServicesEndToEnd, AFriendReadsThroughOneServiceWhatWasSharedThroughTheOther) {
    TempHome homeA, homeB;
    const std::string store = vxtest::freshStoreTarget("e2e");
    const std::string catalogue = std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml";
    const auto options = vxtest::storeOptions(store, {"--catalog-from-library", catalogue});
    WebService first(homeA.file("first.log"), options), second(homeB.file("second.log"), options);

    prepareHome(homeA, first, true, "");
    const auto shared = showsAfterRefresh(homeA, 0);
    ASSERT_FALSE(shared.empty());
    EXPECT_EQ(first.requestsMatching("TODO=ADD_SHOW&USERNAME=ann&"), shared.size());

    prepareHome(homeB, second, false, "ann@@");
    const auto friendShows = showsAfterRefresh(homeB, 1);
    EXPECT_EQ(second.requestsMatching("TODO=DISPLAY_USER_SHOWS&USERNAME=ann"), 1u);
    ASSERT_EQ(friendShows.size(), shared.size());
    for (std::size_t i = 0; i < shared.size(); ++i)
        EXPECT_EQ(fields(friendShows[i]).at(6) + fields(friendShows[i]).back(),
                  fields(shared[i]).at(6) + "ann");
}
