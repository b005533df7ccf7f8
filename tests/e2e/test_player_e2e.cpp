// End to end: the built player in a temporary home, with the test plug-in and with the real
// Voxtrail bundle, driven through its standard input.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/temp_home.h"

#include <gtest/gtest.h>

#include <QImage>

using vx::e2e::PlayerProcess;
using vx::e2e::TempHome;

namespace {
constexpr int kStartMs = 30000;
constexpr int kStepMs = 20000;
} // namespace

TEST(PlayerEndToEnd, FakeBundleShowsItsFrameInTheSnapshot) {
    TempHome home;
    std::string bundle =
        home.installModuleAsBundle(VX_FAKE_PLUGIN, "Fake", {{"CFBundleShortVersionString", "3.1"}});
    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    EXPECT_EQ(player.waitForLine("loaded: ", kStartMs).value_or(""), "loaded: " + bundle + " Fake 3.1")
        << player.errorText();
    player.sendLine("show 160 90");
    player.sendLine("snapshot " + home.file("pane.png"));
    ASSERT_TRUE(player.waitForLine("snapshot: ", kStepMs)) << player.errorText();
    QImage pane(QString::fromStdString(home.file("pane.png")));
    ASSERT_EQ(pane.size(), QSize(160, 90));
    EXPECT_EQ(pane.pixel(80, 45), 0xFF3366CCu);
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStepMs).value_or(-1), 0) << player.errorText();
}

TEST(PlayerEndToEnd, VoxtrailLoadsShowsItsPaneAndQuitsCleanly) {
    TempHome home;
    home.writeFile("Music/iTunes/iTunes Music Library.xml",
                   home.readFile(std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml"));
    std::string bundle = home.installBundle(VX_VOXTRAIL_BUNDLE);
    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    std::optional<std::string> loaded = player.waitForLine("loaded: ", kStartMs);
    ASSERT_TRUE(loaded) << player.errorText();
    EXPECT_EQ(loaded->rfind("loaded: " + bundle + " Voxtrail ", 0), 0u) << *loaded;

    player.sendLine("show 640 480");
    player.sendLine("idle 3");
    player.sendLine("snapshot " + home.file("voxtrail.png"));
    ASSERT_TRUE(player.waitForLine("snapshot: ", kStepMs)) << player.errorText();
    QImage pane(QString::fromStdString(home.file("voxtrail.png")));
    EXPECT_EQ(pane.size(), QSize(640, 480));
    player.sendLine("hide");
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStepMs).value_or(-1), 0) << player.errorText();
}
