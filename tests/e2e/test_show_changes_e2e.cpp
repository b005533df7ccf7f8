// End to end for the user's shows changing at the sources: the service's sources answer scripted
// pages, and refreshes of the player move one chosen show, drop another and list a new one by an
// artist the user plays most. The notice comes over a private session bus; the store calendar,
// the feed and the change log follow; a source answering an empty page, or none, cancels nothing.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <thread>
#include <tuple>

using namespace vx::e2e;
namespace chr = std::chrono;

namespace {

constexpr int kStartMs = 30000;
constexpr int kRefreshMs = 120000;
const std::string kWrittenSave = "2026@@1@@8";
const std::string kUidMoved = "11111111-2222-4333-8444-555555555555";
const std::string kUidDropped = "66666666-7777-4888-9999-aaaaaaaaaaaa";
const int kYear =
    static_cast<int>(chr::year_month_day(chr::floor<chr::days>(chr::system_clock::now())).year()) + 1;

// Band One played 12 times over two tracks; Band Two's track has no count; Band Three 30; Band
// Four's count is negative and counts as none.
std::string library() {
    const char* const rows[][2] = {
        {"Band One", "7"}, {"Band One", "5"}, {"Band Two", ""}, {"Band Three", "30"}, {"Band Four", "-3"}};
    std::string tracks;
    for (int i = 0; i < 5; ++i) {
        const std::string id = std::to_string(700 + i);
        tracks += "\t\t<key>" + id + "</key>\n\t\t<dict>\n\t\t\t<key>Track ID</key><integer>" + id +
                  "</integer>\n\t\t\t<key>Artist</key><string>" + rows[i][0] + "</string>\n";
        if (rows[i][1][0])
            tracks += std::string("\t\t\t<key>Play Count</key><integer>") + rows[i][1] + "</integer>\n";
        tracks += "\t\t</dict>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "\t<key>Application Version</key><string>9.1</string>\n\t<key>Tracks</key>\n\t<dict>\n" +
           tracks + "\t</dict>\n</dict>\n</plist>\n";
}

std::string event(const std::string& artist, int month, int day, const std::string& venue,
                  const std::string& url) {
    return "<event>\n<artist>" + artist + "</artist>\n<event_date>" + std::to_string(month) + "/" +
           std::to_string(day) + "/" + std::to_string(kYear) + "</event_date>\n<venue_name>" + venue +
           "</venue_name>\n<venue_city>Boston</venue_city>\n<venue_state>MA</venue_state>\n<event_url>" +
           url + "</event_url>\n</event>\n";
}

// A source's whole page: its summary line, then the events.
std::string page(const std::string& source, const std::vector<std::string>& events) {
    std::string text =
        "# " + source + ": " + std::to_string(events.size()) + " events within 75 miles of Boston, MA\n";
    for (const std::string& e : events)
        text += e;
    return text;
}

// "Sat, Jan 9, YEAR" of the shows' year.
std::string dateText(int month, int day) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const chr::weekday w{chr::sys_days{chr::year{kYear} / month / day}};
    return std::string(days[w.c_encoding()]) + ", " + months[month - 1] + " " + std::to_string(day) + ", " +
           std::to_string(kYear);
}

std::string concertLine(int month, int day, const std::string& artist, const std::string& venue,
                        const std::string& url, const std::string& uid) {
    return "0@@1@@0@@" + std::to_string(kYear) + "@@" + std::to_string(month) + "@@" + std::to_string(day) +
           "@@" + artist + "@@" + venue + "@@Boston, MA@@" + url + "@@-@@" + uid + "@@";
}

// The VEVENT of a UID in a calendar text.
std::string eventOf(const std::string& calendar, const std::string& uid) {
    const std::size_t at = calendar.find("UID:" + uid);
    if (at == std::string::npos) return "";
    const std::size_t begin = calendar.rfind("BEGIN:VEVENT", at);
    return calendar.substr(begin, calendar.find("END:VEVENT", at) - begin);
}

class ShowChanges : public ::testing::Test {
  protected:
    TempHome home;
    std::string pages = home.file("pages");
    std::unique_ptr<WebService> service;
    std::unique_ptr<PlayerProcess> bus, recorder;
    std::string address;

    void SetUp() override {
        std::filesystem::create_directories(pages);
        service = std::make_unique<WebService>(home.file("service.log"),
                                               std::vector<std::string>{"--source-pages", pages});
        home.writeFile(kLibraryFile, library());
        home.installBundle(VX_VOXTRAIL_BUNDLE);
        home.writeFile(kSupportFolder + "VoxtrailServices", service->servicesFile());
        // Export to the store and share the chosen shows as "ann"; notices as desktop notices.
        home.writeFile(
            kSupportFolder + "VoxtrailPref",
            home.file(kLibraryFile) + "\n1\n" + kWrittenSave +
                "\nBoston@@MA@@75@@4.235000e+01@@-7.106000e+01\n1@@0@@0@@0@@0@@1@@0@@0@@0@@1@@0\n-\n"
                "ann@@Ann@@Lee@@\n\n\n" +
                concertLine(1, 9, "Band One", "Club", "http://e/1", kUidMoved) + "\n" +
                concertLine(2, 1, "Band Two", "Hall", "http://e/2", kUidDropped) + "\n");
        bus = std::make_unique<PlayerProcess>(
            "/usr/bin/dbus-daemon", std::vector<std::string>{"--session", "--nofork", "--print-address=1"},
            home.playerEnvironment());
        address = bus->readLine(kStartMs).value_or("");
        ASSERT_FALSE(address.empty()) << bus->errorText();
        recorder = std::make_unique<PlayerProcess>(
            VX_NOTIFICATION_RECORDER_EXE, std::vector<std::string>{home.file("notices.txt")},
            std::map<std::string, std::string>{{"DBUS_SESSION_BUS_ADDRESS", address}});
        ASSERT_TRUE(recorder->waitForLine("ready", kStartMs)) << recorder->errorText();
    }
    void sources(const std::vector<std::string>& ticketline, const std::vector<std::string>* gigwire) {
        home.writeFile("pages/ticketline.txt", page("ticketline", ticketline));
        std::filesystem::remove(home.file("pages/gigwire.txt"));
        if (gigwire) home.writeFile("pages/gigwire.txt", gigwire->empty() ? "" : page("gigwire", *gigwire));
    }
    // One run of the player with a refresh due; waits for the save of a refresh that runs through,
    // or (expectSave false) for the source that is down to be asked. Quitting joins the refresh.
    void refresh(bool expectSave) {
        std::string prefs = home.readFile(kSupportFolder + "VoxtrailPref");
        std::istringstream in(prefs);
        std::string out, line;
        for (int n = 1; std::getline(in, line); ++n)
            out += (n == 2 ? "1" : n == 3 ? kWrittenSave : line) + "\n";
        home.writeFile(kSupportFolder + "VoxtrailPref", out);
        const std::size_t asked = service->requestsMatching("/sources/gigwire.php");
        auto env = home.playerEnvironment();
        env["DBUS_SESSION_BUS_ADDRESS"] = address;
        PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, env, home.path());
        ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
        if (expectSave) {
            EXPECT_TRUE(home.waitForContent(
                kSupportFolder + "VoxtrailPref",
                [](const std::string& p) { return lineOf(p, 3) != kWrittenSave; }, kRefreshMs))
                << player.errorText();
        } else {
            for (int i = 0; i < kRefreshMs / 50 && service->requestsMatching("/sources/gigwire.php") == asked;
                 ++i)
                std::this_thread::sleep_for(chr::milliseconds(50));
        }
        player.sendLine("quit");
        EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();
    }
    std::string notices() { return home.readFile("notices.txt"); }
    std::string changeLog() { return home.readFile(kSupportFolder + "VoxtrailChanges.log"); }
    std::string storeEvent(const std::string& uid) {
        return home.readFile("Library/Calendars/Voxtrail Store/Voxtrail_Concerts/" + uid + ".ics");
    }
    std::string feed() {
        const std::string uuid = home.readFile(kSupportFolder + "vxt");
        const std::string reply =
            httpGet(service->host(), "/sharing/sharing.php?TODO=FEED_URL&USERNAME=ann&UUID=" +
                                         uuid.substr(0, uuid.find_first_of(std::string("\r\n\0", 3))));
        const std::size_t at = reply.find("/feed/");
        return at == std::string::npos
                   ? reply
                   : httpGet(service->host(), reply.substr(at, reply.find("</FEED>") - at));
    }
};

TEST_F(ShowChanges, MovedDroppedAndNewAreAnnouncedExportedAndLoggedAndAnOutageCancelsNothing) {
    const std::string one = event("Band One", 1, 9, "Club", "http://e/1");
    const std::string two = event("Band Two", 2, 1, "Hall", "http://e/2");
    const std::string moved = event("Band One", 1, 16, "Club", "http://e/1");
    const std::string fresh = event("Band Three", 3, 1, "Arena", "http://e/3");
    const std::string unplayed = event("Band Four", 3, 2, "Arena", "http://e/4");

    // As before: nothing changed, nothing said; the service learns both shows.
    std::vector<std::string> gigwire{two};
    sources({one}, &gigwire);
    refresh(true);
    EXPECT_EQ(notices(), "");
    EXPECT_EQ(changeLog(), "");

    gigwire = {unplayed};
    sources({moved, fresh}, &gigwire);
    refresh(true);
    const std::string movedText = "Show moved: Band One, now " + dateText(1, 16) + " at Club";
    const std::string droppedText = "Show cancelled: Band Two, " + dateText(2, 1) + " at Hall";
    const std::string newText = "New show: Band Three, " + dateText(3, 1) + " at Arena";
    const std::string said = notices();
    EXPECT_EQ(said.find("\tShow Changes\t"), said.rfind("\tShow Changes\t")) << "one notice: " << said;
    EXPECT_NE(said.find(movedText + "\\n" + droppedText + "\\n" + newText), std::string::npos) << said;

    // The moved show on its new date, the dropped one cancelled: the same event in the store and the feed.
    for (const auto& [uid, date, cancelled] :
         {std::tuple{kUidMoved, "0116", false}, {kUidDropped, "0201", true}})
        for (const std::string& calendar : {storeEvent(uid), eventOf(feed(), uid)}) {
            EXPECT_NE(calendar.find("DTSTART;VALUE=DATE:" + std::to_string(kYear) + date), std::string::npos)
                << calendar;
            EXPECT_NE(calendar.find("SEQUENCE:1\r\n"), std::string::npos) << calendar;
            EXPECT_EQ(calendar.find("STATUS:CANCELLED\r\n") != std::string::npos, cancelled) << calendar;
            EXPECT_EQ(calendar.find("SUMMARY:Cancelled: Band Two\r\n") != std::string::npos, cancelled)
                << calendar;
        }
    const std::string log = changeLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3) << log;
    for (const std::string& text : {movedText, droppedText, newText})
        EXPECT_NE(log.find(" " + text + "\n"), std::string::npos) << log;

    // A source that answers an empty page, then one that is down: the moved show is not listed
    // by the other, and still nothing is cancelled, said or logged.
    gigwire = {};
    sources({fresh}, &gigwire);
    refresh(true);
    sources({fresh}, nullptr);
    refresh(false);
    EXPECT_EQ(notices(), said);
    EXPECT_EQ(changeLog(), log);
    const std::vector<std::string> kept = showLines(home.readFile(kSupportFolder + "VoxtrailPref"), 0);
    bool movedKept = false;
    for (const std::string& line : kept)
        if (line.find(kUidMoved) != std::string::npos)
            movedKept = line.rfind("0@@1@@", 0) == 0 && line.find(":c:") == std::string::npos;
    EXPECT_TRUE(movedKept) << "still chosen, not cancelled";
}

// Chosen shows are the user's wherever they search: marked in the pane, they stay chosen through a
// wider radius and another city, in the list, the file, the store and the feed; one unmarked on
// the new search leaves the feed.
TEST_F(ShowChanges, ChosenShowsStayThroughAnotherRadiusAndCityUntilUnmarked) {
    const std::string prefsPath = kSupportFolder + "VoxtrailPref";
    std::string prefs = home.readFile(prefsPath);
    for (std::size_t at; (at = prefs.find("\n0@@1@@")) != std::string::npos;)
        prefs.replace(at, 8, "\n0@@0@@");
    home.writeFile(prefsPath, prefs);
    std::vector<std::string> gigwire{event("Band Two", 2, 1, "Hall", "http://e/2")};
    sources({event("Band One", 1, 9, "Club", "http://e/1")}, &gigwire);

    auto env = home.playerEnvironment();
    env["DBUS_SESSION_BUS_ADDRESS"] = address;
    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, env, home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
    const auto placeIs = [&](const std::string& place) {
        return home.waitForContent(
            prefsPath,
            [&](const std::string& p) {
                return lineOf(p, 4).rfind(place + "@@", 0) == 0 && lineOf(p, 3) != kWrittenSave;
            },
            kRefreshMs);
    };
    ASSERT_TRUE(placeIs("Boston@@MA@@75")) << player.errorText();
    player.sendLine("show 800 480");
    player.sendLine("rclick 100 140");
    player.sendLine("rclick 100 194");
    const auto chosen = [&](const std::string& uid) {
        for (const std::string& line : showLines(home.readFile(prefsPath), 0))
            if (line.find(uid) != std::string::npos) return line.rfind("0@@1@@", 0) == 0;
        return false;
    };
    const auto inFeed = [&](const std::string& uid) {
        for (int i = 0; i < 400; ++i) {
            if (!eventOf(feed(), uid).empty()) return true;
            std::this_thread::sleep_for(chr::milliseconds(50));
        }
        return false;
    };
    ASSERT_TRUE(inFeed(kUidMoved) && inFeed(kUidDropped));

    // Both sources now list only Band Three, for the radius and then the city searched.
    const std::string other = event("Band Three", 3, 1, "Arena", "http://e/3");
    gigwire = {other};
    sources({other}, &gigwire);
    const auto retype = [&](const char* box, int erase, const std::string& text) {
        player.sendLine(std::string("click ") + box);
        for (int i = 0; i < erase; ++i)
            player.sendLine("key backspace");
        player.sendLine("type " + text);
    };
    retype("150 70", 2, "80");
    player.sendLine("key return");
    ASSERT_TRUE(placeIs("Boston@@MA@@80")) << player.errorText();
    for (const std::string& uid : {kUidMoved, kUidDropped}) {
        EXPECT_TRUE(chosen(uid)) << uid;
        EXPECT_NE(storeEvent(uid), "") << uid;
        EXPECT_TRUE(inFeed(uid)) << uid;
    }
    retype("150 28", 6, "Chicago");
    retype("150 49", 2, "IL");
    player.sendLine("key return");
    ASSERT_TRUE(placeIs("Chicago@@IL@@80")) << player.errorText();
    const std::string saved = home.readFile(prefsPath);
    for (const std::string& uid : {kUidMoved, kUidDropped}) {
        EXPECT_TRUE(chosen(uid)) << saved;
        EXPECT_NE(storeEvent(uid), "") << uid;
        EXPECT_TRUE(inFeed(uid)) << uid;
        EXPECT_EQ(eventOf(feed(), uid).find("STATUS:CANCELLED"), std::string::npos) << uid;
    }
    EXPECT_NE(saved.find("place@@75@@e@@Boston@@MA@@\n"), std::string::npos) << saved;

    // The first row is Band One, kept from Boston: unmarked, it leaves the feed and the store.
    player.sendLine("rclick 100 140");
    bool left = false;
    for (int i = 0; i < 400 && !left; ++i) {
        left = eventOf(feed(), kUidMoved).empty();
        if (!left) std::this_thread::sleep_for(chr::milliseconds(50));
    }
    EXPECT_TRUE(left) << feed();
    EXPECT_FALSE(eventOf(feed(), kUidDropped).empty());
    EXPECT_GE(service->requestsMatching("TODO=DELETE_SHOW"), 1u);
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();
    EXPECT_FALSE(chosen(kUidMoved));
    EXPECT_EQ(storeEvent(kUidMoved), "");
    EXPECT_TRUE(chosen(kUidDropped));
}

// Each page gigwire might answer after a refresh that listed Band Two's show among its 4 events:
// only a full answer for the source and place asked, of whole events and not collapsed to under
// half, may cancel that show.
TEST_F(ShowChanges, OnlyAFullAnswerOfTheSourceForThePlaceAskedCancels) {
    std::vector<std::string> others;
    for (int i = 3; i <= 5; ++i)
        others.push_back(
            event("Nobody " + std::to_string(i), 3, i, "Club", "http://e/f" + std::to_string(i)));
    std::vector<std::string> gigwire{event("Band Two", 2, 1, "Hall", "http://e/2")};
    gigwire.insert(gigwire.end(), others.begin(), others.end());
    sources({event("Band One", 1, 9, "Club", "http://e/1")}, &gigwire);
    refresh(true);
    const std::string prefs = home.readFile(kSupportFolder + "VoxtrailPref");
    const std::string counts = home.readFile(kSupportFolder + "VoxtrailSourceCounts");
    ASSERT_NE(counts.find("gigwire\t4\n"), std::string::npos) << counts;

    const std::string head = " events within 75 miles of ", boston = "# gigwire: 3" + head + "Boston, MA\n";
    const std::string three = others[0] + others[1] + others[2];
    const struct {
        const char* shape;
        std::string page;
        bool cancels;
    } cases[] = {
        {"as usual", page("gigwire", others), true},
        {"region spelled out", "# gigwire: 3" + head + "boston,  Massachusetts\n" + three, true},
        {"name in capitals", "# GIGWIRE: 3" + head + "Boston, MA\n" + three, false},
        {"another city", "# gigwire: 3" + head + "Springfield, IL\n" + three, false},
        {"another state", "# gigwire: 3" + head + "Boston, Georgia\n" + three, false},
        {"half event", boston + others[0] + others[1] + "<event>\n<artist>Band Two</artist>\n</event>\n",
         false},
        {"empty records", boston + "<event></event>\n<event></event>\n<event></event>\n", false},
        {"bare end tags", boston + "</event>\n</event>\n</event>\n", false},
        {"summary end tag", "# gigwire: 3" + head + "Boston, MA</event>\n" + others[0] + others[1], false},
        {"no events", page("gigwire", {}), false},
        {"under half of the last count", page("gigwire", {others[0]}), false},
    };
    for (const auto& c : cases) {
        home.writeFile(kSupportFolder + "VoxtrailPref", prefs);
        home.writeFile(kSupportFolder + "VoxtrailSourceCounts", counts);
        home.writeFile("pages/gigwire.txt", c.page);
        refresh(true);
        bool cancelled = false, listed = false;
        for (const std::string& line : showLines(home.readFile(kSupportFolder + "VoxtrailPref"), 0))
            if (line.find(kUidDropped) != std::string::npos) {
                listed = line.rfind("0@@1@@", 0) == 0;
                cancelled = line.find(":c:") != std::string::npos;
            }
        EXPECT_TRUE(listed) << c.shape << ": the chosen show stays";
        EXPECT_EQ(cancelled, c.cancels) << c.shape;
    }
    const std::string log = changeLog();
    for (const char* why : {"Nothing cancelled: gigwire listed no events.",
                            "Nothing cancelled: gigwire listed 1 event, 4 events at the last refresh."})
        EXPECT_NE(log.find(why), std::string::npos) << log;
}

} // namespace
