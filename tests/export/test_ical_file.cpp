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

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
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

TEST_F(ICalFile, HoldsTheChosenShowsLineByLineWithNoLineEndAfterTheLast) {
    fs::create_directories(fs::path(folder()).parent_path().parent_path());
    addShow(data_, {"Calexico", "Stubb's", "Austin, TX", "Iron & Wine, Bon Iver", "http://x/e?id=2", 2008, 11,
                    20, true, true});
    addShow(data_, {"Beirut", "The Parish", "-", "", "e/1", 2008, 3, 5, true});
    addShow(data_, {"Not Chosen", "Club", "Boston, MA", "", "e/3", 2009, 1, 2, false});

    const std::string text = exportNow();
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    std::vector<std::string> lines = linesOf(text);
    ASSERT_EQ(lines.size(), 19u) << text;
    const std::regex uid("UID:[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    EXPECT_TRUE(std::regex_match(lines[5], uid)) << lines[5];
    EXPECT_TRUE(std::regex_match(lines[13], uid)) << lines[13];
    EXPECT_NE(lines[5], lines[13]);
    lines[5] = lines[13] = "UID:";
    const std::vector<std::string> expected{
        "BEGIN:VCALENDAR",
        "BEGIN:VEVENT",
        "DTSTART;VALUE=DATE:20080305",
        "LOCATION:The Parish",
        "SUMMARY:Beirut",
        "UID:",
        "SEQUENCE:2",
        "URL;VALUE=URI:http://127.0.0.1:8460/clickthrough.php?target=e/1",
        "END:VEVENT",
        "BEGIN:VEVENT",
        "DTSTART;VALUE=DATE:20081120",
        "LOCATION:Stubb's\\n(Austin, TX)",
        "SUMMARY:Calexico",
        "UID:",
        "SEQUENCE:2",
        // The link as one query value: its own "?" cannot end the click-through's query.
        "URL;VALUE=URI:http://127.0.0.1:8460/clickthrough.php?target=http://x/e%3Fid=2",
        "DESCRIPTION:With:\\nIron & Wine, Bon Iver\\n\\nURL:http://127.0.0.1:8460/clickthrough.php?target=\\n"
        "http://x/e%3Fid=2",
        "END:VEVENT",
        "END:VCALENDAR",
    };
    EXPECT_EQ(lines, expected);

    // The folder's description, exactly; a show keeps its UID (its record's) from export to export.
    EXPECT_EQ(TempHome::read(folder() + "Info.plist"), iCalFolderDescription());
    EXPECT_EQ(linesOf(exportNow())[5], linesOf(text)[5]);
    EXPECT_EQ(linesOf(text)[5], std::string("UID:") + data_.concerts->head->uid);
}

TEST_F(ICalFile, ExportAllTakesEveryShowAndNoChoiceGivesTheBareCalendar) {
    fs::create_directories(fs::path(folder()).parent_path().parent_path());
    addShow(data_, {"Beirut", "The Parish", "-", "", "e/1", 2008, 3, 5, false});
    addShow(data_, {"Wilco", "Stubb's", "-", "", "e/2", 2008, 3, 6, false});
    EXPECT_EQ(exportNow(), "BEGIN:VCALENDAR\nEND:VCALENDAR");
    data_.state.setExportAllShows(true);
    const std::string all = exportNow();
    EXPECT_NE(all.find("SUMMARY:Beirut\n"), std::string::npos);
    EXPECT_NE(all.find("SUMMARY:Wilco\n"), std::string::npos);
}

// Texts go as stored, commas, semicolons, quotes and UTF-8 alike, a backslash escaped so that
// readers keep it; a line break in a value cannot add lines (a forged event) to the file.
TEST_F(ICalFile, AwkwardTextsStayInTheirOwnLines) {
    fs::create_directories(fs::path(folder()).parent_path().parent_path());
    addShow(data_, {"Café Tacvba, \"Live\"; AC\\DC", "Club; A, B", "Zürich, ZH", "", "q?a=1,b=2;c", 2031, 12,
                    31, true});
    addShow(data_, {"Evil\nEND:VEVENT\nBEGIN:VEVENT\nSUMMARY:Forged", "Hall\r\n", "-", "x\ny", "u", 2031, 12,
                    30, true});
    const std::string text = exportNow();
    const std::vector<std::string> lines = linesOf(text);
    ASSERT_EQ(lines.size(), 19u) << text;
    EXPECT_NE(text.find("\nSUMMARY:Café Tacvba, \"Live\"; AC\\\\DC\n"), std::string::npos);
    EXPECT_NE(text.find("\nLOCATION:Club; A, B\\n(Zürich, ZH)\n"), std::string::npos);
    EXPECT_NE(text.find("\nSUMMARY:Evil END:VEVENT BEGIN:VEVENT SUMMARY:Forged\n"), std::string::npos);

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
            if (text.rfind("BEGIN:VCALENDAR\n", 0) != 0 || text.size() < 13 ||
                text.compare(text.size() - 13, 13, "END:VCALENDAR") != 0 || events != 2 + 28 * 9)
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
