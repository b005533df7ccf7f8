// The notice texts and scripts, and how the script runner tells the plug-in's notification
// scripts from anything else.
#include "platform/growl_script.h"
#include "platform/script_runner.h"
#include "plugin/engine/startup_steps.h"
#include "plugin/export/change_notice.h"
#include "plugin/export/notify_texts.h"
#include "plugin/model/show_identity.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(NoticeTexts, DatesUseTheMonthsShortNameAndNoLeadingZero) {
    EXPECT_EQ(notifyDateText(5, 3, 2008), "Mar 5, 2008");
    EXPECT_EQ(notifyDateText(31, 12, 2027), "Dec 31, 2027");
    EXPECT_EQ(notifyDateText(1, 1, 2030), "Jan 1, 2030");
    EXPECT_EQ(notifyVenueText("The Paradise", "Boston, MA"), "The Paradise (Boston, MA)");
}

TEST(NoticeTexts, TheChangeWindowLabelsEachRowWithItsKindAndCountsWhatItLeavesOut) {
    auto change = [](ShowChange::Kind kind, const char* artist) {
        ShowChange c;
        c.kind = kind;
        c.artist = artist;
        c.venue = "Hall";
        c.year = 2027, c.month = 3, c.day = 5;
        return changeText(c);
    };
    const std::vector<std::string> changes = {change(ShowChange::Moved, "A"),
                                              change(ShowChange::Cancelled, "B"),
                                              change(ShowChange::New, "C"), change(ShowChange::Back, "D")};
    const std::vector<std::string> three(changes.begin(), changes.begin() + 3);
    const auto rows = changeNoticeRows(three);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].label + rows[0].value, "Moved:A, now Fri, Mar 5, 2027 at Hall");
    EXPECT_EQ(rows[1].label + rows[1].value, "Off:B, Fri, Mar 5, 2027 at Hall");
    EXPECT_EQ(rows[2].label + rows[2].value, "New:C, Fri, Mar 5, 2027 at Hall");
    EXPECT_EQ(changeNoticeRows({changes[3]})[0].label, "Back:");
    EXPECT_EQ(changeNoticeRows({changes[3]})[1].label, "") << "rows past the changes stay empty";
    const auto more = changeNoticeRows(changes);
    EXPECT_EQ(more[2].label + more[2].value, "More:2 more changes");
}

TEST(NoticeScripts, ANoticeIsRecognisedWithItsTextsWhateverTheNameHolds) {
    // A name that tries to close the quoted text and add a command of its own.
    const std::string name = "A \"B\" \\ C\" & (do shell script \"touch /tmp/x\") & \"\r\nD\x01";
    const std::string script =
        growlNoticeScript(NoticeKind::Concert, name.c_str(), "Hall (Town)", "Mar 5, 2027");
    const auto s = vx::recognizeGrowlScript(script);
    ASSERT_TRUE(s) << script;
    EXPECT_EQ(s->kind, vx::GrowlScript::Kind::Notification);
    EXPECT_EQ(s->name, "Upcoming Concert");
    EXPECT_EQ(s->title, "Upcoming Concert");
    EXPECT_EQ(s->applicationName, "Voxtrail");
    EXPECT_EQ(s->description,
              "Artist: A \"B\" \\ C\" & (do shell script \"touch /tmp/x\") & \"  D \rVenue: Hall "
              "(Town)\rDate: Mar 5, 2027\r");
    EXPECT_EQ(s->imageLocation, "~/Library/iTunes/iTunes Plug-ins/Voxtrail.bundle/Contents/Resources/"
                                "Voxtrail_icon_blue.png");

    const auto album =
        vx::recognizeGrowlScript(growlNoticeScript(NoticeKind::Album, "X", "Record", "Dec 1, 2027"));
    ASSERT_TRUE(album);
    EXPECT_EQ(album->title, "Upcoming Album Release");
    EXPECT_EQ(album->description, "Artist: X\rAlbum: Record\rDate: Dec 1, 2027\r");
    EXPECT_NE(album->imageLocation.find("Voxtrail_icon_purple.png"), std::string::npos);
}

TEST(NoticeScripts, RegistrationIsRecognisedForEveryChoiceOfNotices) {
    for (const bool concerts : {false, true})
        for (const bool albums : {false, true}) {
            const auto s = vx::recognizeGrowlScript(growlRegistrationScript(concerts, albums));
            ASSERT_TRUE(s) << concerts << albums;
            EXPECT_EQ(s->kind, vx::GrowlScript::Kind::Registration);
        }
}

TEST(NoticeScripts, AnythingElseIsNotRecognisedAndAnswersNoComponent) {
    const std::string notice = growlNoticeScript(NoticeKind::Concert, "X", "Y", "Z");
    const std::string others[] = {
        "display dialog \"hello\"",
        notice + "\ndo shell script \"touch /tmp/x\"",                   // a command added after it
        notice.substr(0, notice.find("application name")),               // cut short
        notice.substr(0, notice.size() - 30),                            // a quoted text left open
        std::string(notice).replace(notice.find("notify"), 6, "delete"), // another verb
        "",
    };
    for (const std::string& s : others)
        EXPECT_FALSE(vx::recognizeGrowlScript(s)) << s;
    if (!vx::findProgram("osascript").empty()) GTEST_SKIP() << "osascript runs every script here";
    std::string result;
    EXPECT_EQ(LowRunAppleScript(others[0].c_str(), others[0].size(), &result), paramErr);
    EXPECT_EQ(result, "no scripting component");
    EXPECT_EQ(SimpleRunAppleScript(others[1].c_str()), paramErr);
}

} // namespace
