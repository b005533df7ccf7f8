// End to end for real shows: the service gathers a venue's iCalendar feed and a venue page's
// JSON-LD from a site on loopback, and a fresh start of the player in Boston finds the two
// library artists that only those sources list, at their venues and on their days.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
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

} // namespace

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
