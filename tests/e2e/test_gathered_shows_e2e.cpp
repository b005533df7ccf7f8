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
#include <filesystem>
#include <set>
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

// The command's output, or "!" and it when the command failed.
std::string outputOf(const std::string& command) {
    FILE* out = popen((command + " 2>&1").c_str(), "r");
    std::string text(1 << 16, '\0');
    text.resize(out ? std::fread(text.data(), 1, text.size(), out) : 0);
    return out && pclose(out) == 0 ? text : "!" + text;
}

// Red pixels of the show list: a cancelled show's "Cancelled" mark, and nothing else there.
int redInList(const std::string& png) {
    const QImage pane(QString::fromStdString(png));
    int red = 0;
    for (int i = 0; i < 204 * 573 && pane.height() >= 680; ++i)
        red += pane.pixelColor(18 + i % 204, 107 + i / 204).red() > 200 &&
               pane.pixelColor(18 + i % 204, 107 + i / 204).green() < 80;
    return red;
}

} // namespace

// A Boston home on Pacific time chose two shows only gathered sources list: they keep their times,
// the store holds them timed, and once the venue's feed cancels one, the next refresh shows it so.
TEST(GatheredShowsEndToEnd, ChosenGatheredShowsCarryTheirTimesAndACancellationReachesTheScreen) {
    TempHome home;
    const auto icsDay = daysAhead(40), pageDay = daysAhead(50);
    auto feed = [&](const char* status) {
        home.writeFile(
            "site/calendar.ics",
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//V//EN\r\nBEGIN:VEVENT\r\nUID:s-1\r\nDTSTAMP:"
            "20260101T000000Z\r\nDTSTART;TZID=America/New_York:" +
                stamp(icsDay, "%04d%02u%02uT193000") +
                "\r\nSUMMARY:Harbour Lights\r\nLOCATION:The Sinclair\r\nSTATUS:" + status +
                "\r\nURL:https://s.example/1\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    };
    feed("CONFIRMED");
    home.writeFile("site/shows.html",
                   "<script type=\"application/ld+json\">{\"@type\":\"MusicEvent\",\"url\":"
                   "\"https://p.example/9\",\"startDate\":\"" +
                       stamp(pageDay, "%04d-%02u-%02uT20:00:00") +
                       "\",\"performer\":{\"name\":\"Copper Tides\"},\"location\":{\"name\":"
                       "\"Paradise\",\"address\":{\"addressLocality\":\"Boston\","
                       "\"addressRegion\":\"MA\"}}}</script>");
    PlayerProcess site("/usr/bin/python3", {"-u", "-m", "http.server", "0", "--bind", "127.0.0.1"}, {},
                       home.file("site"));
    const std::string serving = site.waitForLine("Serving HTTP on", kStartMs).value_or(" port 0 ");
    const std::string base =
        "http://127.0.0.1:" + std::to_string(std::stoi(serving.substr(serving.find(" port ") + 6)));
    home.writeFile("sources.txt",
                   "ics " + base + "/calendar.ics | Cambridge, MA\njsonld " + base + "/shows.html\n");
    auto service = std::make_unique<WebService>(
        home.file("service.log"),
        std::vector<std::string>{"--sources", home.file("sources.txt"), "--gathered-shows", "only"});
    auto gathered = [&](bool harbour) {
        std::string page;
        for (int i = 0; i < 400 && (page.find("Copper") == std::string::npos ||
                                    (page.find("Harbour") != std::string::npos) != harbour);
             ++i, std::this_thread::sleep_for(chr::milliseconds(50)))
            page =
                httpGet(service->host(), "/sources/gigwire.php?feed=events&city=Boston&state=MA&radius=50");
        return page;
    };
    ASSERT_NE(gathered(true).find("<event_time>19:30</event_time>"), std::string::npos);
    home.writeFile(kLibraryFile, library({"Harbour Lights", "Copper Tides"}));
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    const std::string prefsPath = home.file(kSupportFolder + "VoxtrailPref"), written = "2026@@1@@8";
    // A refresh of Boston is due; both shows chosen, chosen shows exported to the store.
    auto refresh = [&](const std::string& shows, const std::string& snapshot) {
        home.writeFile(kSupportFolder + "VoxtrailServices", service->servicesFile());
        home.writeFile(
            kSupportFolder + "VoxtrailPref",
            home.file(kLibraryFile) + "\n1\n" + written +
                "\nBoston@@MA@@50@@4.2e+01@@-7.1e+01\n1@@0@@0@@0@@0@@0@@0@@0@@0@@1@@0\n-\n-@@-@@-@@\n\n\n" +
                shows);
        auto environment = home.playerEnvironment();
        environment["TZ"] = "America/Los_Angeles";
        PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, environment, home.path());
        EXPECT_TRUE(home.waitForContent(
            prefsPath, [&](const std::string& p) { return lineOf(p, 3) != written; }, kSearchMs))
            << player.errorText();
        for (const std::string& line : std::vector<std::string>{"show 1024 700", "move 100 131", "sleep 300",
                                                                "snapshot " + home.file(snapshot), "quit"})
            player.sendLine(line);
        EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();
        std::string kept;
        for (const std::string& show : showLines(home.readFile(prefsPath), 0))
            kept += show + "\n";
        return kept;
    };
    std::string shows = refresh(
        "0@@1@@0@@" + stamp(icsDay, "%d@@%u@@%u") +
            "@@Harbour Lights@@The Sinclair@@Cambridge, MA@@https://s.example/1@@-@@\n0@@1@@0@@" +
            stamp(pageDay, "%d@@%u@@%u") + "@@Copper Tides@@Paradise@@Boston, MA@@https://p.example/9@@-@@\n",
        "timed.png");
    EXPECT_TRUE(shows.find("19:30:America/New_York\n0@@1@@0@@") != std::string::npos &&
                shows.ends_with("@@time:20:00:America/New_York\n"))
        << shows;
    std::string files;
    for (const auto& f :
         std::filesystem::directory_iterator(home.file("Library/Calendars/Voxtrail Store/Voxtrail_Concerts")))
        if (f.path().extension() == ".ics") files += " '" + f.path().string() + "'";
    EXPECT_EQ(outputOf(std::string("/usr/bin/python3 ") + VX_READERS_DIR +
                       "/timed_readers.py America/New_York" + files),
              "Copper Tides\t" + stamp(pageDay, "%04d-%02u-%02uT20:00\t") +
                  stamp(pageDay, "%04d-%02u-%02uT23:00\n") + "Harbour Lights\t" +
                  stamp(icsDay, "%04d-%02u-%02uT19:30\t") + stamp(icsDay, "%04d-%02u-%02uT22:30\n"));
    EXPECT_EQ(redInList(home.file("timed.png")), 0);
    // A new start gathers at once: the cancelled show is no longer listed.
    feed("CANCELLED");
    service = std::make_unique<WebService>(
        home.file("service2.log"),
        std::vector<std::string>{"--sources", home.file("sources.txt"), "--gathered-shows", "only"});
    ASSERT_EQ(gathered(false).find("Harbour"), std::string::npos);
    shows = refresh(shows, "cancelled.png");
    EXPECT_NE(shows.find(":c:0-0-0:@@time:19:30:America/New_York\n"), std::string::npos) << shows;
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

// Beets knows Sigur Rós's and Queen's ids: Sigur Rós in Cyrillic with that id is found, another Queen not.
TEST(GatheredShowsEndToEnd, ArtistIdsDecideWhereTheLibraryAndThePageBothHaveThem) {
    TempHome home;
    const std::string sigurRos = "\xd0\xa1\xd0\xb8\xd0\xb3\xd1\x83\xd1\x80 \xd0\xa0\xd0\xbe\xd1\x81";
    std::string events;
    for (const auto& [name, id] :
         std::vector<std::pair<std::string, std::string>>{{sigurRos, "f6f2326f-6b25-4170-b89d-e235b25508e8"},
                                                          {"Queen", "2d9ac0d7-3bfe-4a6a-a5a5-3ef4a9b0c5d1"},
                                                          {"New Order", ""}})
        events += std::string(events.empty() ? "" : ",") +
                  "{\"@type\":\"MusicEvent\",\"url\":\"https://p.example/" + std::to_string(events.size()) +
                  "\",\"startDate\":\"" + stamp(daysAhead(30), "%04d-%02u-%02uT20:00:00") +
                  "\",\"performer\":{\"name\":\"" + name +
                  "\",\"sameAs\":[\"https://musicbrainz.org/artist/" + id +
                  "\"]},\"location\":{\"name\":\"Paradise\",\"address\":{\"addressLocality\":\"Boston\","
                  "\"addressRegion\":\"MA\"}}}";
    home.writeFile("site/shows.html", "<script type=\"application/ld+json\">[" + events + "]</script>");
    PlayerProcess site("/usr/bin/python3", {"-u", "-m", "http.server", "0", "--bind", "127.0.0.1"}, {},
                       home.file("site"));
    const std::string serving = site.waitForLine("Serving HTTP on", kStartMs).value_or(" port 0 ");
    home.writeFile("sources.txt", "jsonld http://127.0.0.1:" +
                                      std::to_string(std::stoi(serving.substr(serving.find(" port ") + 6))) +
                                      "/shows.html\n");
    WebService service(home.file("service.log"),
                       {"--sources", home.file("sources.txt"), "--gathered-shows", "only"});
    std::string listed;
    for (int i = 0; i < 400 && listed.find("New Order") == std::string::npos; ++i) {
        std::this_thread::sleep_for(chr::milliseconds(50));
        listed = httpGet(service.host(), "/sources/gigwire.php?feed=events&city=Boston&state=MA&radius=50");
    }
    const std::string prefsPath = home.file(kSupportFolder + "VoxtrailPref"), written = "2026@@1@@8";
    home.writeFile("library.db", home.readFile(std::string(VX_TESTDATA_DIR) + "/beets/beets-1.6-import.db"));
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
    home.writeFile(
        kSupportFolder + "VoxtrailPref",
        home.file("library.db") + "\n1\n" + written +
            "\nBoston@@MA@@50@@4.2e+01@@-7.1e+01\n1@@0@@0@@0@@0@@0@@0@@0@@0@@1@@0\n-\n-@@-@@-@@\n\n\n");
    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    EXPECT_TRUE(home.waitForContent(
        prefsPath, [&](const std::string& p) { return lineOf(p, 3) != written; }, kSearchMs))
        << player.errorText();
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();
    std::set<std::string> artists;
    for (const std::string& show : showLines(home.readFile(prefsPath), 0))
        artists.insert(fields(show).at(6));
    EXPECT_EQ(artists, (std::set<std::string>{sigurRos, "New Order"}));
}
