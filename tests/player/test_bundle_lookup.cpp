// Where the player looks for visual plug-ins: the user's folder first, then the system's.
#include "player/bundle_finder.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

TEST(BundleLookup, TheUsersOwnBundleWinsByFolderNameOrIdentifier) {
    TempHome top;
    auto bundle = [&](const std::string& folder, const std::string& id, const std::string& version) {
        top.write(folder + "/Contents/Info.plist",
                  "<plist><dict><key>CFBundleIdentifier</key><string>" + id +
                      "</string><key>CFBundleShortVersionString</key><string>" + version +
                      "</string></dict></plist>");
    };
    bundle("user/Voxtrail.bundle", "com.Voxtrail.Voxtrail", "2.8");
    bundle("sys/Renamed.bundle", "com.Voxtrail.Voxtrail", "2.9");
    bundle("sys/Voxtrail.bundle", "other.id", "2.9");
    bundle("sys/Other.bundle", "", "1.1");
    std::vector<vx::player::BundleInfo> over;
    auto found = vx::player::findBundles({top.path() + "/user", top.path() + "/sys"}, &over);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].path + " " + found[0].version, top.path() + "/user/Voxtrail.bundle 2.8");
    EXPECT_EQ(found[1].path, top.path() + "/sys/Other.bundle");
    ASSERT_EQ(over.size(), 2u);
    EXPECT_EQ(vx::player::systemPluginFolder("/usr/bin/"), "/usr/lib/voxtrail/plug-ins");
}
