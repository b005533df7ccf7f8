#include "plugin/export/ical_file.h"
#include "tests/export/export_fixture.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <libical/ical.h>
#include <regex>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The file's properties as a reader sees them: CRLF lines, folded lines joined.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = text.substr(start, end - start);
        if (!line.empty() && line[0] == ' ' && !lines.empty())
            lines.back() += line.substr(1);
        else
            lines.push_back(line);
    }
    return lines;
}

// The lines of a file with its fresh UIDs and time stamps blanked.
std::vector<std::string> steadyLines(const std::string& text) {
    std::vector<std::string> lines = linesOf(text);
    for (std::string& l : lines)
        if (l.rfind("UID:", 0) == 0 || l.rfind("DTSTAMP:", 0) == 0) l = l.substr(0, l.find(':') + 1);
    return lines;
}

class ICalFile : public ::testing::Test {
  protected:
    // The 10.4 default location inside the temporary home.
    std::string folder() const {
        return home_.path() + "/Library/Application Support/iCal/Sources/Voxtrail.calendar/";
    }
    std::string location() const { return folder() + "corestorage.ics"; }
    std::string exportNow() {
        data_.state.setiCalLoc(location().c_str());
        EXPECT_EQ(prepareiCalFolder(location().c_str(), true, true), 0);
        EXPECT_EQ(performExportTo_iCal(&data_, kHost), 0);
        return TempHome::read(location());
    }

    TempHome home_;
    PluginData data_;
};

// Valid iCalendar: version and producer, CRLF lines, DTSTAMP, an all-day date with its end, and
// the texts escaped so that readers keep commas and the URL whole.
TEST_F(ICalFile, HoldsTheChosenShowsAsValidICalendar) {
    fs::create_directories(fs::path(folder()).parent_path().parent_path());
    addShow(data_, {"Calexico", "Stubb's", "Austin, TX", "Iron & Wine, Bon Iver", "http://x/e?id=2", 2008, 11,
                    20, true, true});
    addShow(data_, {"Beirut", "The Parish", "-", "", "e/1", 2008, 3, 5, true});
    addShow(data_, {"Not Chosen", "Club", "Boston, MA", "", "e/3", 2009, 1, 2, false});

    const std::string text = exportNow();
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    const std::vector<std::string> lines = linesOf(text);
    ASSERT_EQ(lines.size(), 25u) << text;
    const std::regex uid("UID:[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    EXPECT_TRUE(std::regex_match(lines[4], uid)) << lines[4];
    EXPECT_TRUE(std::regex_match(lines[14], uid)) << lines[14];
    EXPECT_TRUE(std::regex_match(lines[6], std::regex("DTSTAMP:\\d{8}T\\d{6}Z"))) << lines[6];
    const std::vector<std::string> expected{
        "BEGIN:VCALENDAR",
        "VERSION:2.0",
        "PRODID:-//Voxtrail//Voxtrail 2.9//EN",
        "BEGIN:VEVENT",
        "UID:",
        "SEQUENCE:2",
        "DTSTAMP:",
        "DTSTART;VALUE=DATE:20080305",
        "DTEND;VALUE=DATE:20080306",
        "SUMMARY:Beirut",
        "LOCATION:The Parish",
        "URL:http://127.0.0.1:8460/clickthrough.php?target=e/1",
        "END:VEVENT",
        "BEGIN:VEVENT",
        "UID:",
        "SEQUENCE:2",
        "DTSTAMP:",
        "DTSTART;VALUE=DATE:20081120",
        "DTEND;VALUE=DATE:20081121",
        "SUMMARY:Calexico",
        "LOCATION:Stubb's\\n(Austin\\, TX)",
        // The link as one query value: its own "?" cannot end the click-through's query.
        "URL:http://127.0.0.1:8460/clickthrough.php?target=http://x/e%3Fid=2",
        "DESCRIPTION:With:\\nIron & Wine\\, Bon Iver\\n\\nURL:http://127.0.0.1:8460/clickthrough.php?target="
        "http://x/e%3Fid=2",
        "END:VEVENT",
        "END:VCALENDAR",
    };
    EXPECT_EQ(steadyLines(text), expected);

    // The folder's description, exactly; a show keeps its UID (its record's) from export to export.
    EXPECT_EQ(TempHome::read(folder() + "Info.plist"), iCalFolderDescription());
    EXPECT_EQ(linesOf(exportNow())[4], lines[4]);
    EXPECT_EQ(lines[4], std::string("UID:") + data_.concerts->head->uid);
}

TEST_F(ICalFile, ExportAllTakesEveryShowAndNoChoiceGivesTheBareCalendar) {
    fs::create_directories(fs::path(folder()).parent_path().parent_path());
    addShow(data_, {"Beirut", "The Parish", "-", "", "e/1", 2008, 3, 5, false});
    addShow(data_, {"Wilco", "Stubb's", "-", "", "e/2", 2008, 3, 6, false});
    EXPECT_EQ(exportNow(), "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Voxtrail//Voxtrail 2.9//EN\r\n"
                           "END:VCALENDAR\r\n");
    data_.state.setExportAllShows(true);
    const std::string all = exportNow();
    EXPECT_NE(all.find("SUMMARY:Beirut\r\n"), std::string::npos);
    EXPECT_NE(all.find("SUMMARY:Wilco\r\n"), std::string::npos);
}

// Texts are escaped so that readers keep commas, semicolons, quotes, backslashes and UTF-8; a line
// break in a value cannot add lines (a forged event) to the file.
TEST_F(ICalFile, AwkwardTextsStayInTheirOwnLines) {
    fs::create_directories(fs::path(folder()).parent_path().parent_path());
    addShow(data_, {"Café Tacvba, \"Live\"; AC\\DC", "Club; A, B", "Zürich, ZH", "", "q?a=1,b=2;c", 2031, 12,
                    31, true});
    addShow(data_, {"Evil\nEND:VEVENT\nBEGIN:VEVENT\nSUMMARY:Forged", "Hall\r\n", "-", "x\ny", "u", 2031, 12,
                    30, true});
    const std::string text = exportNow();
    const std::vector<std::string> lines = linesOf(text);
    ASSERT_EQ(lines.size(), 25u) << text;
    EXPECT_NE(text.find("\nSUMMARY:Café Tacvba\\, \"Live\"\\; AC\\\\DC\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nLOCATION:Club\\; A\\, B\\n(Zürich\\, ZH)\r\n"), std::string::npos);
    EXPECT_NE(text.find("\nSUMMARY:Evil\\nEND:VEVENT\\nBEGIN:VEVENT\\nSUMMARY:Forged\r\n"),
              std::string::npos);

    // A calendar reader finds the two events with their titles.
    std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)> cal(icalparser_parse_string(text.c_str()),
                                                                      icalcomponent_free);
    ASSERT_TRUE(cal);
    std::set<std::string> titles;
    for (icalcomponent* e = icalcomponent_get_first_component(cal.get(), ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(cal.get(), ICAL_VEVENT_COMPONENT))
        titles.insert(icalcomponent_get_summary(e));
    EXPECT_EQ(titles.size(), 2u);
    EXPECT_EQ(titles.count("Café Tacvba, \"Live\"; AC\\DC"), 1u);
}

TEST(ICalFolder, TenFourMakesTheFolderAndItsDescriptionTenThreeOnlyTheFolder) {
    TempHome home;
    const std::string folder = home.path() + "/cal/";
    EXPECT_EQ(prepareiCalFolder((folder + "corestorage.ics").c_str(), true, true), 0);
    EXPECT_EQ(TempHome::read(folder + "Info.plist"), iCalFolderDescription());
    // An existing description is left as it is.
    TempHome::writeFile(folder + "Info.plist", "user's own");
    EXPECT_EQ(prepareiCalFolder((folder + "corestorage.ics").c_str(), true, true), 0);
    EXPECT_EQ(TempHome::read(folder + "Info.plist"), "user's own");

    const std::string older = home.path() + "/Calendars/";
    EXPECT_EQ(prepareiCalFolder((older + "Voxtrail.ics").c_str(), true, false), 0);
    EXPECT_TRUE(fs::is_directory(older));
    EXPECT_FALSE(fs::exists(older + "Info.plist"));
}

TEST(ICalFolder, NoUsableLocationMeansNoExport) {
    TempHome home;
    PluginData data;
    addShow(data, {"Beirut", "The Parish", "-", "", "e/1", 2008, 3, 5, true});
    // 10.5's message text; a file where the folder should be.
    EXPECT_EQ(prepareiCalFolder("Custom export location not available in OS X 10.5", true, true), -1);
    TempHome::writeFile(home.path() + "/plain", "x");
    const std::string deep = home.path() + "/plain/sub/corestorage.ics";
    EXPECT_EQ(prepareiCalFolder(deep.c_str(), true, true), -1);
    // Missing folders are made, every level of them: a fresh home has no "iCal/Sources" yet.
    const std::string fresh = home.path() + "/missing/parent/corestorage.ics";
    EXPECT_EQ(prepareiCalFolder(fresh.c_str(), true, true), 0);
    EXPECT_EQ(TempHome::read(home.path() + "/missing/parent/Info.plist"), iCalFolderDescription());

    // Written anyway (as on 10.3, which has no description to fail on): nothing appears, nothing
    // breaks, and the status line says why.
    data.state.setiCalLoc(deep.c_str());
    EXPECT_EQ(performExportTo_iCal(&data, kHost), 0);
    EXPECT_FALSE(fs::exists(deep));
    char problem[ProtectedData::exportProblemCapacity];
    data.state.getExportProblem(problem);
    EXPECT_EQ(std::string(problem), "Your shows could not be exported to iCal:\n" + deep +
                                        " could not be written (Not a directory).");
    // A location that is a folder is not replaced by the file.
    fs::create_directories(home.path() + "/taken.ics");
    data.state.setiCalLoc((home.path() + "/taken.ics").c_str());
    EXPECT_EQ(performExportTo_iCal(&data, kHost), 0);
    EXPECT_TRUE(fs::is_directory(home.path() + "/taken.ics"));
}

TEST(ICalFolder, ExportOffRemovesTheFileIndexDescriptionAndFolder) {
    TempHome home;
    const std::string folder = home.path() + "/cal/";
    const std::string file = folder + "corestorage.ics";
    ASSERT_EQ(prepareiCalFolder(file.c_str(), true, true), 0);
    // Without an exported file nothing is removed.
    EXPECT_EQ(prepareiCalFolder(file.c_str(), false, true), 0);
    EXPECT_TRUE(fs::exists(folder + "Info.plist"));

    TempHome::writeFile(file, "BEGIN:VCALENDAR\nEND:VCALENDAR");
    TempHome::writeFile(folder + "Index", "iCal's index");
    EXPECT_EQ(prepareiCalFolder(file.c_str(), false, true), 0);
    EXPECT_FALSE(fs::exists(folder));

    // In a folder of the user's (no description of ours) only the exported file goes.
    const std::string shared = home.path() + "/Documents/";
    fs::create_directories(shared);
    for (const char* name : {"Voxtrail.ics", "Info.plist", "Index"})
        TempHome::writeFile(shared + name, "someone else's");
    EXPECT_EQ(prepareiCalFolder((shared + "Voxtrail.ics").c_str(), false, true), 0);
    EXPECT_FALSE(fs::exists(shared + "Voxtrail.ics"));
    EXPECT_EQ(TempHome::read(shared + "Info.plist"), "someone else's");
    EXPECT_EQ(TempHome::read(shared + "Index"), "someone else's");
}

// Exports from two threads at once while a reader opens the file: every read sees one whole
// export, never a mix or a part.
TEST(ICalConcurrency, TwoExportsAtOnceLeaveOneWholeFile) {
    TempHome home;
    PluginData data;
    for (int d = 1; d <= 28; ++d)
        addShow(data, {("Band " + std::to_string(d)).c_str(), "Hall", "Boston, MA", "Guest", "e", 2030, 5, d,
                       true});
    const std::string file = home.path() + "/corestorage.ics";
    data.state.setiCalLoc(file.c_str());
    ASSERT_EQ(performExportTo_iCal(&data, kHost), 0);

    std::atomic<bool> done{false};
    std::atomic<int> badReads{0};
    std::thread reader([&] {
        while (!done) {
            const std::string text = TempHome::read(file);
            const std::size_t events = linesOf(text).size();
            if (text.rfind("BEGIN:VCALENDAR\r\n", 0) != 0 || text.size() < 15 ||
                text.compare(text.size() - 15, 15, "END:VCALENDAR\r\n") != 0 || events != 4 + 28 * 11)
                ++badReads;
        }
    });
    auto exporter = [&] {
        for (int i = 0; i < 100; ++i)
            performExportTo_iCal(&data, kHost);
    };
    std::thread a(exporter), b(exporter);
    a.join();
    b.join();
    done = true;
    reader.join();
    EXPECT_EQ(badReads.load(), 0);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(home.path()), fs::directory_iterator()), 2); // + Library
}

} // namespace
