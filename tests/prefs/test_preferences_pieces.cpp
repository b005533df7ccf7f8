// The password file, the text conversion and the control table.
#include "fake_window.h"
#include "plugin/prefs/cf_string_conversion.h"
#include "plugin/prefs/preference_controls.h"
#include "plugin/prefs/preferences_tabs.h"
#include "plugin/prefsfile/password_file.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <sys/stat.h>

TEST(PasswordFile, IsA64ByteRecordOnlyItsOwnerReads) {
    TempHome home;
    const std::string path = home.path() + "/pd";
    TempHome::writeFile(path, "an older and much longer password record that is replaced whole");
    ASSERT_TRUE(vx::writePasswordFile(path, std::string(200, 'p').c_str()));
    const std::string bytes = TempHome::read(path);
    ASSERT_EQ(bytes.size(), 64u);
    EXPECT_EQ(bytes.substr(0, 63), std::string(63, 'p'));
    EXPECT_EQ(bytes[63], '\0');
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    ASSERT_TRUE(vx::writePasswordFile(path, "abc"));
    EXPECT_EQ(TempHome::read(path), std::string("abc") + std::string(61, '\0'));
    EXPECT_FALSE(vx::writePasswordFile(home.path() + "/missing/folder/pd", "abc"));
}

TEST(CFStringToSTLString, KeepsEveryCharacter) {
    CFStringRef s = CFStringCreateWithCString(nullptr, "Z\xc3\xbcrich \xe2\x9c\x93", kCFStringEncodingUTF8);
    EXPECT_EQ(CFStringToSTLString(s), "Z\xc3\xbcrich \xe2\x9c\x93");
    CFRelease(s);
    EXPECT_EQ(CFStringToSTLString(nullptr), "");
}

TEST(PreferenceControls, EveryPairIsUniqueAndFoundByNameAndId) {
    std::set<int32_t> ids;
    std::set<std::string> names;
    for (std::size_t i = 0; i < kPreferenceControlCount; ++i) {
        const PreferenceControl& c = kPreferenceControls[i];
        EXPECT_TRUE(ids.insert(c.pair.id).second) << c.name;
        EXPECT_TRUE(names.insert(c.name).second);
        EXPECT_EQ(findPreferenceControl(c.name), &c);
        EXPECT_EQ(findPreferenceControl(c.pair.id), &c);
        // The name carries the signature: "CID_<tab>_<SIGNATURE>_<role>".
        std::string sig;
        for (int shift = 24; shift >= 0; shift -= 8)
            sig += static_cast<char>(std::toupper(static_cast<int>((c.pair.signature >> shift) & 0xFF)));
        EXPECT_NE(std::string(c.name).find("_" + sig + "_"), std::string::npos) << c.name;
    }
    // the 43 of the window, the feed address with its two buttons, the show changes' two and the
    // Places tab's fourteen
    EXPECT_EQ(kPreferenceControlCount, 62u);
    EXPECT_EQ(findPreferenceControl(102), nullptr);
    EXPECT_STREQ(releaseFormatOfControl(42), "CD-single");
    EXPECT_EQ(releaseFormatOfControl(49), nullptr);
}

TEST(PreferencesTabs, OnlyTheSelectedTabsPaneIsShownAndEnabled) {
    FakeControls controls;
    controls.values[CID_MAIN_TABS_tabControl.id] = 1;
    InstallTabHandler(controls);
    EXPECT_TRUE(controls.visible[129]);
    EXPECT_FALSE(controls.visible[130]);
    controls.values[CID_MAIN_TABS_tabControl.id] = 3;
    EXPECT_EQ(TabEventHandler(controls, CID_MAIN_BTTN_ok.id), eventNotHandledErr);
    EXPECT_EQ(TabEventHandler(controls, CID_MAIN_TABS_tabControl.id), noErr);
    EXPECT_EQ(lastTabIndex, 3);
    for (int32_t pane = 129; pane <= 135; ++pane) {
        EXPECT_EQ(controls.visible[pane], pane == 131) << pane;
        EXPECT_EQ(controls.enabled[pane], pane == 131) << pane;
    }
    EXPECT_EQ(TabEventHandler(controls, CID_MAIN_TABS_tabControl.id), eventNotHandledErr);
}
