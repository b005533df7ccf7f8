// End to end for real shows: the service gathers a venue's iCalendar feed and a venue page's
// JSON-LD from a site on loopback, and a fresh start of the player in Boston finds the two
// library artists that only those sources list, at their venues and on their days.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <QImage>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <thread>

using namespace vx::e2e;
namespace chr = std::chrono;

namespace {

constexpr int kStartMs = 30000;
constexpr int kSearchMs = 120000;

chr::year_month_day daysAhead(int days) {
    return chr::year_month_day(chr::floor<chr::days>(chr::system_clock::now()) + chr::days(days));
}

std::string stamp(const chr::year_month_day& d, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, static_cast<int>(d.year()), static_cast<unsigned>(d.month()),
                  static_cast<unsigned>(d.day()));
    return text;
}

std::string library(const std::vector<std::string>& artists) {
    std::string tracks;
    for (std::size_t i = 0; i < artists.size(); ++i) {
        const std::string id = std::to_string(900 + i);
        tracks += "\t\t<key>" + id + "</key>\n\t\t<dict>\n\t\t\t<key>Track ID</key><integer>" + id +
                  "</integer>\n\t\t\t<key>Artist</key><string>" + artists[i] + "</string>\n\t\t</dict>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "\t<key>Application Version</key><string>9.1</string>\n\t<key>Tracks</key>\n\t<dict>\n" +
           tracks + "\t</dict>\n</dict>\n</plist>\n";
}

std::string icsFeed(const chr::year_month_day& day, bool cancelled) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Venue//EN\r\nX-WR-CALNAME:The Sinclair\r\n"
           "BEGIN:VEVENT\r\nUID:s-1@sinclair.example\r\nDTSTAMP:20260101T000000Z\r\n"
           "DTSTART;TZID=America/New_York:" +
           stamp(day, "%04d%02u%02uT193000") + "\r\nSUMMARY:Harbour Lights w/ Salt Road\r\n" +
           (cancelled ? "STATUS:CANCELLED\r\n" : "") +
           "URL:https://sinclair.example/e/1\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

// A file site on loopback serving the folder; its base address.
std::string serveFolder(std::unique_ptr<PlayerProcess>& site, const std::string& folder) {
    site = std::make_unique<PlayerProcess>(
        "/usr/bin/python3", std::vector<std::string>{"-u", "-m", "http.server", "0", "--bind", "127.0.0.1"},
        std::map<std::string, std::string>{}, folder);
    const std::string serving = site->waitForLine("Serving HTTP on", kStartMs).value_or("");
    const std::size_t portAt = serving.find(" port ");
    if (portAt == std::string::npos) return "";
    return "http://127.0.0.1:" + std::to_string(std::stoi(serving.substr(portAt + 6)));
}

// The service's Boston page once its gathering listed `wanted` and not `unwanted`.
std::string gatheredPage(const WebService& service, const std::string& wanted, const std::string& unwanted) {
    std::string listed;
    for (int i = 0; i < 400; ++i) {
        listed = httpGet(service.host(), "/sources/gigwire.php?feed=events&city=Boston&state=MA&radius=50");
        if (listed.find(wanted) != std::string::npos &&
            (unwanted.empty() || listed.find(unwanted) == std::string::npos))
            break;
        std::this_thread::sleep_for(chr::milliseconds(50));
    }
    return listed;
}

// "SUMMARY<TAB>START<TAB>END" of each event of the files as python-icalendar and vobject (which
// must agree) read them; "!" and what they said when a reader failed.
std::vector<std::string> readersSay(const std::vector<std::string>& files) {
    std::string command = std::string("/usr/bin/python3 ") + VX_READERS_DIR + "/timed_readers.py";
    for (const std::string& f : files)
        command += " '" + f + "'";
    FILE* out = popen((command + " 2>&1").c_str(), "r");
    if (!out) return {"!"};
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
        text.append(buffer, n);
    if (pclose(out) != 0) return {"!" + text};
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Red pixels of the show list: a cancelled show's "Cancelled" mark, and nothing else there.
int redInList(const std::string& png) {
    const QImage pane(QString::fromStdString(png));
    int red = 0;
    for (int y = 107; y < std::min(pane.height(), 680); ++y)
        for (int x = 18; x < 222; ++x) {
            const QColor c = pane.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
        }
    return red;
}

// "YYYY-MM-DDTHH:MMZ" of a local time in New York, for the readers' UTC times.
std::string newYorkUtc(const chr::year_month_day& day, int hour, int minute) {
    const time_t noon = chr::system_clock::to_time_t(chr::sys_days(day) + chr::hours(12));
    std::tm there{};
    setenv("TZ", "America/New_York", 1);
    tzset();
    localtime_r(&noon, &there);
    unsetenv("TZ");
    tzset();
    const auto utc =
        chr::sys_days(day) + chr::hours(hour) + chr::minutes(minute) - chr::seconds(there.tm_gmtoff);
    const time_t t = chr::system_clock::to_time_t(utc);
    std::tm u{};
    gmtime_r(&t, &u);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%MZ", &u);
    return text;
}

} // namespace

// A home in Boston whose user lives on Pacific time chose two shows that only gathered sources list:
// both show their start on the venue's clock with its zone's name, the store holds them as timed
// events, and when the feed says one is cancelled the next gathering drops it and the refresh of
// the same place draws it cancelled.
TEST(GatheredShowsEndToEnd, ChosenGatheredShowsCarryTheirTimesAndACancellationReachesTheScreen) {
    TempHome home;
    const auto icsDay = daysAhead(40), pageDay = daysAhead(50);
    std::filesystem::create_directories(home.file("site"));
    home.writeFile("site/calendar.ics", icsFeed(icsDay, false));
    home.writeFile(
        "site/shows.html",
        "<html><head><script type=\"application/ld+json\">{\"@context\":\"https://schema.org\","
        "\"@type\":\"MusicEvent\",\"name\":\"Copper Tides\",\"url\":\"https://paradise.example/e/9\","
        "\"startDate\":\"" +
            stamp(pageDay, "%04d-%02u-%02uT20:00:00") +
            "\",\"performer\":{\"@type\":\"MusicGroup\",\"name\":\"Copper Tides\"},"
            "\"location\":{\"@type\":\"Place\",\"name\":\"Paradise Rock Club\",\"address\":{"
            "\"@type\":\"PostalAddress\",\"addressLocality\":\"Boston\",\"addressRegion\":\"MA\","
            "\"addressCountry\":\"US\"}}}</script></head><body></body></html>");
    std::unique_ptr<PlayerProcess> site;
    const std::string base = serveFolder(site, home.file("site"));
    ASSERT_FALSE(base.empty()) << site->errorText();
    home.writeFile("sources.txt",
                   "ics " + base + "/calendar.ics | Cambridge, MA\njsonld " + base + "/shows.html\n");
    const std::vector<std::string> serviceArgs{"--sources", home.file("sources.txt"), "--gathered-shows",
                                               "only"};
    auto service = std::make_unique<WebService>(home.file("service.log"), serviceArgs);
    ASSERT_NE(gatheredPage(*service, "Copper Tides", "").find("<event_time>20:00</event_time>"),
              std::string::npos);

    // Both shows chosen, export to the store on: a refresh is due for Boston.
    const std::string written = "2026@@1@@8";
    auto chosen = [&](const chr::year_month_day& d, const std::string& artist, const std::string& venue,
                      const std::string& place, const std::string& url) {
        return "0@@1@@0@@" + stamp(d, "%d@@%u@@%u") + "@@" + artist + "@@" + venue + "@@" + place + "@@" +
               url + "@@-@@\n";
    };
    home.writeFile(kLibraryFile, library({"Harbour Lights", "Copper Tides"}));
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    const std::string prefsPath = home.file(kSupportFolder + "VoxtrailPref");
    auto prefsDue = [&](const std::string& shows) {
        home.writeFile(kSupportFolder + "VoxtrailServices", service->servicesFile());
        home.writeFile(
            kSupportFolder + "VoxtrailPref",
            home.file(kLibraryFile) + "\n1\n" + written +
                "\nBoston@@MA@@50@@4.235000e+01@@-7.106000e+01\n1@@0@@0@@0@@0@@0@@0@@0@@0@@1@@0\n-\n"
                "-@@-@@-@@\n\n\n" +
                shows);
    };
    prefsDue(
        chosen(icsDay, "Harbour Lights", "The Sinclair", "Cambridge, MA", "https://sinclair.example/e/1") +
        chosen(pageDay, "Copper Tides", "Paradise Rock Club", "Boston, MA", "https://paradise.example/e/9"));
    auto environment = home.playerEnvironment();
    environment["TZ"] = "America/Los_Angeles";
    auto runPlayer = [&](const std::string& snapshot) {
        PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, environment, home.path());
        ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
        ASSERT_TRUE(home.waitForContent(
            prefsPath, [&](const std::string& p) { return lineOf(p, 3) != written; }, kSearchMs))
            << player.errorText();
        player.sendLine("show 1024 700");
        player.sendLine("move 100 131");
        player.sendLine("sleep 300");
        player.sendLine("snapshot " + home.file(snapshot));
        ASSERT_TRUE(player.waitForLine("snapshot: ", kStartMs)) << player.errorText();
        player.sendLine("quit");
        EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();
    };
    runPlayer("timed.png");

    // Each show keeps its start and the venue's zone; the store holds both as timed events that
    // two readers agree on: 19:30 and 20:00 in New York, three hours long.
    const std::string prefs = home.readFile(prefsPath);
    std::vector<std::string> times;
    for (const std::string& show : showLines(prefs, 0))
        times.push_back(show.substr(show.rfind("@@") + 2));
    EXPECT_EQ(times, (std::vector<std::string>{"time:19:30:America/New_York", "time:20:00:America/New_York"}))
        << prefs;
    std::vector<std::string> storeFiles;
    const std::string store = home.file("Library/Calendars/Voxtrail Store/Voxtrail_Concerts");
    for (const auto& entry : std::filesystem::directory_iterator(store))
        if (entry.path().extension() == ".ics") storeFiles.push_back(entry.path().string());
    std::vector<std::string> expected = {
        "Copper Tides\t" + newYorkUtc(pageDay, 20, 0) + "\t" + newYorkUtc(pageDay, 23, 0),
        "Harbour Lights\t" + newYorkUtc(icsDay, 19, 30) + "\t" + newYorkUtc(icsDay, 22, 30)};
    EXPECT_EQ(readersSay(storeFiles), expected);
    EXPECT_EQ(redInList(home.file("timed.png")), 0) << "nothing is drawn cancelled yet";

    // The venue's feed cancels Harbour Lights; the service gathers it again (a new start, its
    // first round at once) and no longer lists it; the next refresh of Boston draws it cancelled.
    home.writeFile("site/calendar.ics", icsFeed(icsDay, true));
    service.reset();
    service = std::make_unique<WebService>(home.file("service2.log"), serviceArgs);
    ASSERT_EQ(gatheredPage(*service, "Copper Tides", "Harbour Lights").find("Harbour Lights"),
              std::string::npos);
    std::string shows;
    for (const std::string& show : showLines(home.readFile(prefsPath), 0))
        shows += show + "\n";
    prefsDue(shows);
    runPlayer("cancelled.png");
    std::vector<std::string> after;
    for (const std::string& show : showLines(home.readFile(prefsPath), 0)) {
        const std::size_t changed = show.find("@@changed:");
        const bool cancelled = changed != std::string::npos && show.find(":c:", changed) != std::string::npos;
        after.push_back(fields(show).at(6) + (cancelled ? " cancelled " : " ") +
                        show.substr(show.rfind("@@") + 2));
    }
    EXPECT_EQ(after, (std::vector<std::string>{"Harbour Lights cancelled time:19:30:America/New_York",
                                               "Copper Tides time:20:00:America/New_York"}))
        << home.readFile(prefsPath);
    EXPECT_GT(redInList(home.file("cancelled.png")), 20) << "the cancelled show is marked in the list";
}

TEST(GatheredShowsEndToEnd, ArtistsListedOnlyByAFeedAndAPageAreFound) {
    TempHome home;
    const auto icsDay = daysAhead(40), pageDay = daysAhead(50);
    std::filesystem::create_directories(home.file("site"));
    home.writeFile("site/calendar.ics",
                   "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Venue//EN\r\nX-WR-CALNAME:The Sinclair\r\n"
                   "BEGIN:VEVENT\r\nUID:s-1@sinclair.example\r\nDTSTAMP:20260101T000000Z\r\n"
                   "DTSTART;TZID=America/New_York:" +
                       stamp(icsDay, "%04d%02u%02uT193000") +
                       "\r\nSUMMARY:Harbour Lights w/ Salt Road\r\nURL:https://sinclair.example/e/1\r\n"
                       "END:VEVENT\r\nEND:VCALENDAR\r\n");
    home.writeFile(
        "site/shows.html",
        "<html><head><script type=\"application/ld+json\">{\"@context\":\"https://schema.org\","
        "\"@type\":\"MusicEvent\",\"name\":\"Copper Tides\",\"url\":\"https://paradise.example/e/9\","
        "\"startDate\":\"" +
            stamp(pageDay, "%04d-%02u-%02uT20:00:00-05:00") +
            "\",\"performer\":{\"@type\":\"MusicGroup\",\"name\":\"Copper Tides\"},"
            "\"location\":{\"@type\":\"Place\",\"name\":\"Paradise Rock Club\",\"address\":{"
            "\"@type\":\"PostalAddress\",\"addressLocality\":\"Boston\",\"addressRegion\":\"MA\","
            "\"addressCountry\":\"US\"}}}</script></head><body></body></html>");
    PlayerProcess site("/usr/bin/python3", {"-u", "-m", "http.server", "0", "--bind", "127.0.0.1"}, {},
                       home.file("site"));
    const std::string serving = site.waitForLine("Serving HTTP on", kStartMs).value_or("");
    const std::size_t portAt = serving.find(" port ");
    ASSERT_NE(portAt, std::string::npos) << site.errorText();
    const std::string base = "http://127.0.0.1:" + std::to_string(std::stoi(serving.substr(portAt + 6)));
    home.writeFile("sources.txt", "# Boston venues\nics " + base + "/calendar.ics | Cambridge, MA\njsonld " +
                                      base + "/shows.html\n");

    WebService service(home.file("service.log"),
                       {"--sources", home.file("sources.txt"), "--gathered-shows", "only"});
    const std::string page = "/sources/gigwire.php?feed=events&city=Boston&state=MA&radius=50";
    std::string listed;
    for (int i = 0; i < 200 && listed.find("Copper Tides") == std::string::npos; ++i) {
        std::this_thread::sleep_for(chr::milliseconds(50));
        listed = httpGet(service.host(), page);
    }
    ASSERT_NE(listed.find("<event_time>19:30</event_time>"), std::string::npos) << listed;

    home.writeFile(kLibraryFile, library({"Harbour Lights", "Copper Tides", "Nobody Plays Here"}));
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
    const std::string prefsPath = home.file(kSupportFolder + "VoxtrailPref");
    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
    ASSERT_TRUE(home.waitForContent(
        prefsPath, [](const std::string& p) { return showLines(p, 0).size() >= 2; }, kSearchMs))
        << player.errorText();
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();

    std::vector<std::string> found;
    for (const std::string& show : showLines(home.readFile(prefsPath), 0)) {
        const std::vector<std::string> f = fields(show);
        ASSERT_GE(f.size(), 11u) << show;
        found.push_back(f[3] + "-" + f[4] + "-" + f[5] + " " + f[6] + " @ " + f[7] + ", " + f[8] + " " +
                        f[9]);
    }
    const std::vector<std::string> expected = {
        stamp(icsDay, "%d-%u-%u") +
            " Harbour Lights @ The Sinclair, Cambridge, MA https://sinclair.example/e/1",
        stamp(pageDay, "%d-%u-%u") +
            " Copper Tides @ Paradise Rock Club, Boston, MA https://paradise.example/e/9"};
    EXPECT_EQ(found, expected);
}
