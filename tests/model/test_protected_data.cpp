#include "plugin/model/protected_data.h"
#include "plugin/model/record_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

TEST(ProtectedData, DefaultsAndTextCapacities) {
    ProtectedData d;
    char buf[1024];
    d.getCurCity(buf);
    EXPECT_STREQ(buf, "-");
    d.getCurSearchRadiusDisplay(buf);
    EXPECT_STREQ(buf, "75");
    EXPECT_EQ(d.getCurSearchRadius(), 75);
    EXPECT_EQ(d.getUpdatingScheduledTasks(), 0xFFFFFFFFu);
    EXPECT_EQ(d.getLastSearch_y(), 1970);
    EXPECT_TRUE(d.getValid_internet_connection());
    d.getiCalLoc(buf);
    EXPECT_STREQ(buf, "-");

    const std::string longText(2000, 'u');
    d.setUsername(longText.c_str());
    char user[64];
    d.getUsername(user);
    EXPECT_EQ(std::string(user).size(), 63u);
    d.setUpdateMessage(longText.c_str());
    char msg[512];
    d.getUpdateMessage(msg);
    EXPECT_EQ(std::string(msg).size(), 511u);
}

TEST(ProtectedData, TypedFieldLimits) {
    ProtectedData d;
    char buf[256];
    const std::string c253(253, 'c');
    d.setCurCityDisplay(c253.c_str());
    d.addLetterCurCityDisplay('x');
    d.getCurCityDisplay(buf);
    EXPECT_EQ(std::string(buf).size(), 254u);
    d.addLetterCurCityDisplay('y');
    d.getCurCityDisplay(buf);
    EXPECT_EQ(std::string(buf).size(), 254u);
    EXPECT_EQ(buf[253], 'x');

    d.setCurStateDisplay("");
    d.removeLetterCurStateDisplay();
    d.getCurStateDisplay(buf);
    EXPECT_STREQ(buf, "");

    d.setCurSearchRadiusDisplay("");
    for (char c : std::string("12345")) d.addLetterCurSearchRadiusDisplay(c);
    d.getCurSearchRadiusDisplay(buf);
    EXPECT_STREQ(buf, "1234");
    // What cannot be searched gives way to the radius searched last ("-"); the rest is kept ("+").
    d.setCurSearchRadius(40);
    std::string shown;
    for (const char* typed : {"1234", "301", "0", "", "-5", "4 0", " 007 ", "300"}) {
        d.setCurSearchRadiusDisplay(typed);
        shown += d.acceptCurSearchRadiusDisplay() ? "+" : "-";
        d.getCurSearchRadiusDisplay(buf);
        shown += std::string(buf) + " ";
    }
    EXPECT_EQ(shown, "-40 -40 -40 -40 -40 -40 +7 +300 ");
}

TEST(ProtectedData, Progress) {
    ProtectedData d;
    d.setUpdatingProgress(-5);
    EXPECT_EQ(d.getUpdatingProgress(), 0.0);
    d.setUpdatingProgress(10);
    d.incUpdatingProgress(250);
    EXPECT_EQ(d.getUpdatingProgress(), 100.0);
    d.setUpdatingProgress(10);
    d.incUpdatingProgress(-30);
    EXPECT_EQ(d.getUpdatingProgress(), -20.0);
}

TEST(ProtectedData, FormatFilters) {
    ProtectedData d;
    char buf[512];
    d.getFilterString(buf);
    EXPECT_STREQ(buf, "");
    d.addFormatFilter("Import");
    d.addFormatFilter("import"); // same name in another case is refused
    d.addFormatFilter("Vinyl");
    d.getFilterString(buf);
    EXPECT_STREQ(buf, "Import@@Vinyl@@");
    EXPECT_TRUE(d.isFilterOn("Import"));
    EXPECT_FALSE(d.isFilterOn("import"));

    FRIENDLIST labels;
    EXPECT_FALSE(d.isFilterOn(&labels));
    labels.add(new FRIENDNAME("CD"));
    EXPECT_FALSE(d.isFilterOn(&labels));
    labels.add(new FRIENDNAME("Vinyl"));
    EXPECT_TRUE(d.isFilterOn(&labels));
    d.removeFormatFilter("Vinyl");
    EXPECT_FALSE(d.isFilterOn(&labels));

    for (int i = 0; i < 100; ++i) d.addFormatFilter(("format-number-" + std::to_string(i)).c_str());
    d.getFilterString(buf);
    EXPECT_EQ(std::string(buf).size(), 511u);
}
