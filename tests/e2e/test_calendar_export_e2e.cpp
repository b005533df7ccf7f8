// End to end for the calendar export: the headless player reporting an older or a newer system,
// the web service on free ports and a temporary home. On 10.4 the chosen shows go to the iCal
// file, a secondary click rewrites it and turning the export off removes it with its folder; on
// 10.6 they fill the calendar "Voxtrail_Concerts" of the store, which khal reads.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"
#include "tests/support/khal_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace vx::e2e;
namespace fs = std::filesystem;

namespace {

constexpr int kStartMs = 30000;
constexpr int kStepMs = 20000;
constexpr int kRefreshMs = 120000;
// The list's first two rows in an 800 x 480 pane.
constexpr const char* kFirstRow = "100 140";
constexpr const char* kSecondRow = "100 194";
const std::string kLibrary = std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml";
const std::string kiCalFolder = "Library/Application Support/iCal/Sources/Voxtrail.calendar/";
const std::string kStoreCalendar = "Library/Calendars/Voxtrail Store/Voxtrail_Concerts";

// Preferences with the place set and the refresh overdue, so loading the plug-in searches; no
// shows yet, so a saved file holding shows says that refresh has ended.
void writePreferences(const TempHome& home, bool exportOn, bool exportAll, const std::string& iCalLocation) {
    std::ostringstream p;
    p << home.file(kLibraryFile) << "\n1\n2026@@1@@8\nBoston@@MA@@75@@0.000000e+00@@0.000000e+00\n"
      << (exportOn ? 1 : 0) << "@@" << (exportAll ? 1 : 0) << "@@0@@0@@0@@0@@0@@0@@0@@0@@0\n"
      << iCalLocation << "\n-@@-@@-@@\n\n\n";
    home.writeFile(kSupportFolder + "VoxtrailPref", p.str());
}

std::vector<std::string> chosenLines(const std::string& prefs);
std::size_t eventCount(const std::string& text);

struct Session {
    Session(const TempHome& home, const std::string& osVersion)
        : prefs(home.file(kSupportFolder + "VoxtrailPref")),
          player(VX_PLAYER_EXE, {"--headless", "--os-version", osVersion}, home.playerEnvironment(),
                 home.path()) {
        EXPECT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
        const auto searched = [](const std::string& text) { return !showLines(text, 0).empty(); };
        EXPECT_TRUE(home.waitForContent(prefs, searched, kRefreshMs)) << player.errorText();
        player.sendLine("show 800 480");
    }
    // A secondary click on a row that makes `chosen` shows chosen; the click's save and export run
    // on the engine's queues, so this waits for the saved choice and, when given, the export.
    void choose(const TempHome& home, const char* row, std::size_t chosen,
                const std::function<bool()>& exported = {}) {
        player.sendLine(std::string("rclick ") + row);
        player.sendLine("snapshot " + home.file("after-click.png"));
        EXPECT_TRUE(player.waitForLine("snapshot: ", kStepMs)) << player.errorText();
        const auto saved = [chosen](const std::string& t) { return chosenLines(t).size() == chosen; };
        EXPECT_TRUE(home.waitForContent(prefs, saved, kStepMs)) << player.errorText();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStepMs);
        while (exported && !exported() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    void quit() {
        player.sendLine("quit");
        EXPECT_EQ(player.waitForExit(kStepMs).value_or(-1), 0) << player.errorText();
    }
    std::string prefs;
    PlayerProcess player;
};

void prepareHome(const TempHome& home, const WebService& service) {
    home.writeFile(kLibraryFile, home.readFile(kLibrary));
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
}

std::string twoDigits(const std::string& n) {
    return n.size() == 1 ? "0" + n : n;
}

// A text value as the file escapes it.
std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text)
        out += (c == ',' || c == ';' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    return out;
}

// A saved show line's event in the iCal file, without the lines that change at every export
// (UID, DTSTAMP) and without DTEND.
std::string eventOf(const std::string& showLine, const std::string& host) {
    const std::vector<std::string> f = fields(showLine);
    const std::string click = "http://" + host + "/clickthrough.php?target=" + f.at(9);
    std::string e = "BEGIN:VEVENT\nSEQUENCE:2\nDTSTART;VALUE=DATE:" + f.at(3) + twoDigits(f.at(4)) +
                    twoDigits(f.at(5)) + "\nSUMMARY:" + escaped(f.at(6)) + "\nLOCATION:" + escaped(f.at(7)) +
                    (f.at(8) == "-" ? "" : "\\n(" + escaped(f.at(8)) + ")") + "\nURL:" + click + "\n";
    if (f.size() > 10 && !f[10].empty() && f[10] != "-")
        e += "DESCRIPTION:With:\\n" + escaped(f[10]) + "\\n\\nURL:" + escaped(click) + "\n";
    return e + "END:VEVENT";
}

// The file's events (CRLF lines, folded lines joined), each without its UID, DTSTAMP and DTEND.
std::multiset<std::string> eventsInFile(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = text.substr(start, end - start);
        if (!line.empty() && line[0] == ' ' && !lines.empty())
            lines.back() += line.substr(1);
        else
            lines.push_back(line);
    }
    std::multiset<std::string> events;
    std::string event;
    for (const std::string& line : lines) {
        if (line.rfind("UID:", 0) == 0 || line.rfind("DTSTAMP:", 0) == 0 || line.rfind("DTEND;", 0) == 0)
            continue;
        if (line == "BEGIN:VEVENT") event.clear();
        event += (event.empty() ? "" : "\n") + line;
        if (line == "END:VEVENT") events.insert(event);
    }
    return events;
}

std::size_t eventCount(const std::string& text) {
    return eventsInFile(text).size();
}

std::multiset<std::string> chosenEvents(const std::string& prefs, const std::string& host) {
    std::multiset<std::string> events;
    for (const std::string& line : showLines(prefs, 0))
        if (fields(line).at(1) == "1") events.insert(eventOf(line, host));
    return events;
}

// "SUMMARY<TAB>LOCATION" of each event of the files, as python-icalendar and vobject (which must
// agree) read them; with calcurse, calcurse must import every event too. "!" when a reader failed.
std::multiset<std::string> readersList(const std::vector<std::string>& files, bool calcurse) {
    std::string command = std::string("/usr/bin/python3 ") + VX_READERS_DIR + "/ical_readers.py" +
                          (calcurse ? " --calcurse" : "");
    for (const std::string& f : files)
        command += " '" + f + "'";
    std::multiset<std::string> lines;
    FILE* out = popen((command + " 2>&1").c_str(), "r");
    if (!out) return {"!"};
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
        text.append(buffer, n);
    if (pclose(out) != 0) return {"!" + text};
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.insert(line);
    return lines;
}

// What the readers should read of the chosen shows: the title, and the venue and place as the
// file or the store writes them.
std::multiset<std::string> chosenTexts(const std::string& prefs, bool file) {
    std::multiset<std::string> texts;
    for (const std::string& line : showLines(prefs, 0)) {
        const std::vector<std::string> f = fields(line);
        if (f.at(1) != "1") continue;
        texts.insert(f.at(6) + "\t" + f.at(7) +
                     (file ? (f.at(8) == "-" ? "" : "\\n(" + f.at(8) + ")") : " - (" + f.at(8) + ")"));
    }
    return texts;
}

// "date title @ venue - (location)" of every event khal lists in the store's calendar.
std::multiset<std::string> khalList(const TempHome& home) {
    const std::string listed =
        khalListing(home.file(kStoreCalendar), home.path(), "2000-01-01", "2100-12-31");
    std::multiset<std::string> lines;
    std::istringstream in(listed);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.insert(line);
    return lines;
}

std::multiset<std::string> khalLines(const std::vector<std::string>& showLines) {
    std::multiset<std::string> lines;
    for (const std::string& line : showLines) {
        const std::vector<std::string> f = fields(line);
        lines.insert(f.at(3) + "-" + twoDigits(f.at(4)) + "-" + twoDigits(f.at(5)) + " " + f.at(6) + " @ " +
                     f.at(7) + " - (" + f.at(8) + ")");
    }
    return lines;
}

std::vector<std::string> chosenLines(const std::string& prefs) {
    std::vector<std::string> chosen;
    for (const std::string& line : showLines(prefs, 0))
        if (fields(line).at(1) == "1") chosen.push_back(line);
    return chosen;
}

bool khalInstalled() {
    return std::system("command -v khal >/dev/null 2>&1") == 0;
}

} // namespace

TEST(CalendarExportEndToEnd, TenFourWritesTheChosenShowsToTheiCalFileAndRemovesItWhenTurnedOff) {
    TempHome home;
    WebService service(home.file("service.log"), {"--catalog-from-library", kLibrary});
    prepareHome(home, service);
    const std::string location = home.file(kiCalFolder + "corestorage.ics");
    writePreferences(home, true, false, location);
    // iCal's own folder of calendar sources; the plug-in makes only its calendar's folder in it.
    fs::create_directories(home.file("Library/Application Support/iCal/Sources"));
    {
        Session s(home, "10.4");
        // The refresh exported the shows chosen so far: none.
        EXPECT_EQ(
            home.readFile(location),
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Voxtrail//Voxtrail 2.9//EN\r\nEND:VCALENDAR\r\n");
        EXPECT_NE(home.readFile(kiCalFolder + "Info.plist")
                      .find("<string>com.apple.ical.sources.naivereadwrite</string>"),
                  std::string::npos);
        s.choose(home, kFirstRow, 1, [&] { return eventCount(home.readFile(location)) == 1; });
        std::string text = home.readFile(location);
        EXPECT_EQ(eventsInFile(text), chosenEvents(home.readFile(s.prefs), service.host())) << text;
        EXPECT_EQ(eventsInFile(text).size(), 1u);
        s.choose(home, kSecondRow, 2, [&] { return eventCount(home.readFile(location)) == 2; });
        text = home.readFile(location);
        EXPECT_EQ(eventsInFile(text), chosenEvents(home.readFile(s.prefs), service.host())) << text;
        EXPECT_EQ(eventsInFile(text).size(), 2u);
        EXPECT_EQ(readersList({location}, true), chosenTexts(home.readFile(s.prefs), true));
        EXPECT_EQ(text.rfind("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n", 0), 0u);
        EXPECT_EQ(text.substr(text.size() - 15), "END:VCALENDAR\r\n");
        s.quit();
    }

    // Export turned off: the next concert refresh removes the file, its description and folder.
    home.writeFile(kiCalFolder + "Index", "iCal's index");
    writePreferences(home, false, false, location);
    Session off(home, "10.4");
    off.quit();
    EXPECT_FALSE(fs::exists(home.file(kiCalFolder)));
    EXPECT_TRUE(fs::is_directory(home.file("Library/Application Support/iCal/Sources")));
}

// A location whose folder cannot be made: no export, no crash, and the saved settings keep it.
TEST(CalendarExportEndToEnd, AnUnusableiCalLocationExportsNothingAndKeepsTheSettings) {
    TempHome home;
    WebService service(home.file("service.log"), {"--catalog-from-library", kLibrary});
    prepareHome(home, service);
    home.writeFile("no", "a file where a folder should be");
    const std::string location = home.file("no/such/folder/corestorage.ics");
    writePreferences(home, true, false, location);
    Session s(home, "10.4");
    s.choose(home, kFirstRow, 1);
    s.quit();
    EXPECT_EQ(home.readFile("no"), "a file where a folder should be");
    EXPECT_NE(s.player.errorText().find("Your shows could not be exported to iCal"), std::string::npos);
    const std::string prefs = home.readFile(s.prefs);
    EXPECT_EQ(lineOf(prefs, 6), location);
    EXPECT_EQ(lineOf(prefs, 5).substr(0, 5), "1@@0@");
    EXPECT_EQ(chosenLines(prefs).size(), 1u);
}

// The UIDs of the saved concerts, and how the file or the store names them, in list order.
std::vector<std::string> savedUids(const TempHome& home, const std::string& before,
                                   const std::string& after) {
    std::vector<std::string> uids;
    for (const std::string& line : showLines(home.readFile(kSupportFolder + "VoxtrailPref"), 0))
        uids.push_back(before + fields(line).at(11) + after);
    return uids;
}

// Sets the saved next refresh long past, so the next start refreshes and exports again.
void makeRefreshDue(const TempHome& home) {
    const std::string prefs = home.readFile(kSupportFolder + "VoxtrailPref");
    const std::size_t first = prefs.find('\n'), second = prefs.find('\n', first + 1);
    home.writeFile(kSupportFolder + "VoxtrailPref", prefs.substr(0, first + 1) + "1" + prefs.substr(second));
}

// A home once run on 10.6 keeps that system's text as its 10.4 location, and a fresh home has no
// iCal folders: the export makes them at the default location. Every show keeps one UID: the
// same in the settings, the file and, after a restart, the store.
TEST(CalendarExportEndToEnd, TenFourMakesItsFoldersAndEveryShowKeepsItsUidInTheFileAndTheStore) {
    TempHome home;
    WebService service(home.file("service.log"), {"--catalog-from-library", kLibrary});
    prepareHome(home, service);
    writePreferences(home, true, true, "Custom export location not available in OS X 10.6");
    const std::string file = kiCalFolder + "corestorage.ics", list = kStoreCalendar + "/.voxtrail-exported";
    Session(home, "10.4").quit();
    EXPECT_EQ(lineOf(home.readFile(kSupportFolder + "VoxtrailPref"), 6), home.file(file));
    const std::vector<std::string> uids = savedUids(home, "UID:", "");
    ASSERT_GT(uids.size(), 1u);
    std::vector<std::string> inFile;
    std::istringstream in(home.readFile(file));
    for (std::string line; std::getline(in, line);)
        if (line.rfind("UID:", 0) == 0) inFile.push_back(line.substr(0, line.find('\r')));
    EXPECT_EQ(inFile, uids);

    makeRefreshDue(home);
    Session store(home, "10.6");
    // The refresh's export names the shows' files; an export at start may have named none yet.
    EXPECT_TRUE(home.waitForContent(
        list, [](const std::string& t) { return t.find(".ics") != std::string::npos; }, kRefreshMs));
    store.quit();
    std::vector<std::string> stored;
    for (const auto& entry : fs::directory_iterator(home.file(kStoreCalendar)))
        if (entry.path().extension() == ".ics") stored.push_back(entry.path().filename().string());
    std::sort(stored.begin(), stored.end());
    std::vector<std::string> expected = savedUids(home, "", ".ics");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(stored, expected);
    EXPECT_EQ(savedUids(home, "UID:", ""), uids);
}

TEST(CalendarExportEndToEnd, TenSixFillsTheStoreCalendarThatKhalReads) {
    if (!khalInstalled()) GTEST_SKIP() << "khal is not installed";
    TempHome home;
    WebService service(home.file("service.log"), {"--catalog-from-library", kLibrary});
    prepareHome(home, service);
    writePreferences(home, true, false, "-");
    {
        Session s(home, "10.6");
        // Nothing chosen yet: the calendar is there and empty.
        EXPECT_TRUE(fs::is_directory(home.file(kStoreCalendar)));
        EXPECT_TRUE(khalList(home).empty());
        s.choose(home, kFirstRow, 1, [&] { return !khalList(home).empty(); });
        const std::vector<std::string> chosen = chosenLines(home.readFile(s.prefs));
        ASSERT_EQ(chosen.size(), 1u);
        EXPECT_EQ(khalList(home), khalLines(chosen));
        std::vector<std::string> events;
        for (const auto& entry : fs::directory_iterator(home.file(kStoreCalendar)))
            if (entry.path().extension() == ".ics") events.push_back(entry.path().string());
        EXPECT_EQ(readersList(events, false), chosenTexts(home.readFile(s.prefs), false));
        s.quit();
    }
    EXPECT_FALSE(fs::exists(home.file(kiCalFolder)));

    // Export all: every show of the refresh.
    writePreferences(home, true, true, "-");
    Session all(home, "10.6");
    all.quit();
    const std::vector<std::string> shows = showLines(home.readFile(all.prefs), 0);
    ASSERT_GT(shows.size(), 1u);
    EXPECT_EQ(khalList(home), khalLines(shows));
}

// Without the export bundle the refresh runs through and saves its shows; nothing is exported.
TEST(CalendarExportEndToEnd, AMissingExportBundleExportsNothingAndBreaksNothing) {
    TempHome home;
    WebService service(home.file("service.log"), {"--catalog-from-library", kLibrary});
    prepareHome(home, service);
    fs::remove_all(home.pluginFolder() + "/Voxtrail.bundle/Contents/Resources/Voxtrail_iCalExport.bundle");
    writePreferences(home, true, false, "-");
    Session s(home, "10.6");
    s.choose(home, kFirstRow, 1);
    s.quit();
    EXPECT_FALSE(fs::exists(home.file("Library/Calendars")));
    EXPECT_EQ(chosenLines(home.readFile(s.prefs)).size(), 1u);
    EXPECT_FALSE(showLines(home.readFile(s.prefs), 0).empty());
    EXPECT_NE(s.player.errorText().find("Voxtrail_iCalExport.bundle"), std::string::npos);
}
