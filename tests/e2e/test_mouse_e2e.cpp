// End to end with the mouse: the headless player, the web service on free ports and a
// temporary home. The user clicks City and State, types a place, waits for the search, follows
// a show's link and marks the show as chosen.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using namespace vx::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kStepMs = 20000;
constexpr int kSearchSeconds = 90;

// In pane coordinates of an 800 x 480 pane: the City and State value boxes and the list's
// first row.
constexpr const char* kCityBox = "150 28";
constexpr const char* kStateBox = "150 49";
constexpr const char* kFirstRow = "100 140";

// A preferences file with the given place, the next refresh a month away, and the given show
// lines. An empty place is located at the next start: tests that type one give the IP-location
// page no server, so the place searched is the one typed.
void writePreferences(const TempHome& home, const std::string& place, const std::string& shows = "") {
    std::ostringstream p;
    p << home.file(kLibraryFile) << "\n"
      << static_cast<long>(std::time(nullptr)) + 30L * 86400 << "\n"
      << "2026@@12@@8\n"
      << place << "@@75@@0.000000e+00@@0.000000e+00\n"
      << "0@@1@@0@@0@@0@@0@@1@@0@@0@@0@@0\n"
      << "-\n"
      << "-@@-@@-@@\n\n\n"
      << shows;
    home.writeFile(kSupportFolder + "VoxtrailPref", p.str());
}

void prepareHome(const TempHome& home, const std::string& serviceHost, const std::string& iplocHost) {
    home.writeFile(kLibraryFile,
                   home.readFile(std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml"));
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", serviceHost + "\n" + iplocHost + "\n");
}

} // namespace

TEST(MouseEndToEnd, TypedPlaceFindsShowsWhoseLinkAndChoiceTheMouseFollows) {
    TempHome home;
    WebService service(
        home.file("service.log"),
        {"--catalog-from-library", std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml"});
    const std::string host = service.host();
    prepareHome(home, host, "127.0.0.1:1");
    writePreferences(home, "-@@-");

    // The library says iTunes 9.1, so the player reports the pointer 22 pixels too high and the
    // plug-in must add them back for the clicks to land.
    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
    const std::string prefsPath = home.file(kSupportFolder + "VoxtrailPref");
    const std::vector<std::string> script = {"show 800 480", std::string("click ") + kCityBox,
                                             "type Boston",  std::string("click ") + kStateBox,
                                             "type MA",      "key return"};
    for (const std::string& line : script)
        player.sendLine(line);
    // Done when the saved file holds the search's shows; an earlier save would have none.
    const auto searched = [](const std::string& prefs) { return !showLines(prefs, 0).empty(); };
    ASSERT_TRUE(home.waitForContent(prefsPath, searched, kSearchSeconds * 1000)) << player.errorText();

    const std::string prefs = home.readFile(prefsPath);
    EXPECT_EQ(lineOf(prefs, 4).rfind("Boston@@MA@@75@@", 0), 0u) << "the typed place is the one searched:\n"
                                                                 << prefs;
    const std::vector<std::string> shows = showLines(prefs, 0);
    ASSERT_FALSE(shows.empty()) << prefs;
    const std::vector<std::string> first = fields(shows.front());
    ASSERT_GE(first.size(), 11u) << shows.front();
    ASSERT_EQ(first[1], "0");

    player.sendLine(std::string("click ") + kFirstRow);
    EXPECT_EQ(player.waitForLine("open-url: ", kStepMs).value_or(""),
              "open-url: http://" + host + "/clickthrough.php?target=" + first[9])
        << player.errorText();

    // The secondary click's save runs on the engine's save queue: wait for the choice to be saved.
    player.sendLine(std::string("rclick ") + kFirstRow);
    player.sendLine("snapshot " + home.file("chosen.png"));
    ASSERT_TRUE(player.waitForLine("snapshot: ", kStepMs)) << player.errorText();
    const auto firstChosen = [](const std::string& t) {
        const auto shows = showLines(t, 0);
        return !shows.empty() && fields(shows.front()).size() > 1 && fields(shows.front())[1] == "1";
    };
    EXPECT_TRUE(home.waitForContent(prefsPath, firstChosen, kStepMs));
    const std::vector<std::string> saved = showLines(home.readFile(prefsPath), 0);
    ASSERT_FALSE(saved.empty());
    const std::vector<std::string> chosen = fields(saved.front());
    ASSERT_GE(chosen.size(), 11u);
    EXPECT_EQ(chosen[1], "1") << saved.front();
    EXPECT_EQ(chosen[6], first[6]);
    EXPECT_EQ(chosen[9], first[9]);
    for (std::size_t i = 1; i < saved.size(); ++i)
        EXPECT_EQ(fields(saved[i]).at(1), "0") << saved[i];

    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStepMs).value_or(-1), 0) << player.errorText();
}

// The link as one query value: it holds no "&", "%", "#", "+" or "?", so only its blanks change.
std::string asQueryValue(std::string link) {
    std::replace(link.begin(), link.end(), ' ', '+');
    return link;
}

TEST(MouseEndToEnd, ALinkHoldingQuotesAndShellTextReachesTheOpenerAsOneAddress) {
    TempHome home;
    // No service: the show comes from the saved preferences and nothing is searched.
    prepareHome(home, "127.0.0.1:1", "127.0.0.1:1");
    const std::string marker = home.file("escaped");
    const std::string link =
        "http://tickets.example/it's \"on\"; touch " + marker + " $(touch " + marker + ")";
    const int year = 1900 + [] {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return local.tm_year;
    }() + 1;
    writePreferences(home, "Boston@@MA",
                     "0@@0@@0@@" + std::to_string(year) + "@@6@@1@@Quoted Band@@The Hall@@Boston, MA@@" +
                         link + "@@-@@\n");

    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
    player.sendLine("show 800 480");
    player.sendLine(std::string("click ") + kFirstRow);
    EXPECT_EQ(player.waitForLine("open-url: ", kStepMs).value_or(""),
              "open-url: http://127.0.0.1:1/clickthrough.php?target=" + asQueryValue(link))
        << player.errorText();
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStepMs).value_or(-1), 0) << player.errorText();
    EXPECT_FALSE(std::filesystem::exists(marker)) << "part of the link ran as a command";
}

TEST(MouseEndToEnd, APlaceTypedWithLettersBeyondAsciiIsDrawnSavedSentAndFound) {
    TempHome home;
    WebService service(home.file("service.log"));
    prepareHome(home, service.host(), "127.0.0.1:1");
    writePreferences(home, "-@@-");
    const std::string prefsPath = home.file(kSupportFolder + "VoxtrailPref");
    const auto saved = [](const std::string& prefs) {
        return lineOf(prefs, 4).rfind("Española@@NM@@75@@", 0) == 0;
    };
    {
        PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
        ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
        for (const std::string& line :
             {std::string("show 800 480"), std::string("click ") + kCityBox, std::string("type Española"),
              std::string("click ") + kStateBox, std::string("type NM"), std::string("key return")})
            player.sendLine(line);
        ASSERT_TRUE(home.waitForContent(prefsPath, saved, kSearchSeconds * 1000))
            << home.readFile(prefsPath) << player.errorText();
        player.sendLine("snapshot " + home.file("typed.png"));
        ASSERT_TRUE(player.waitForLine("snapshot: ", kStepMs)) << player.errorText();
        player.sendLine("quit");
        ASSERT_EQ(player.waitForExit(kStepMs).value_or(-1), 0) << player.errorText();
    }
    // Sent as escaped UTF-8, and the service found the place: the centre is not 0, 0.
    bool asked = false;
    for (const std::string& line : service.logLines())
        asked = asked || line.find("/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=Espa%C3%B1ola&STATE=NM ") !=
                             std::string::npos;
    EXPECT_TRUE(asked);
    const std::vector<std::string> place = fields(lineOf(home.readFile(prefsPath), 4) + "@@");
    ASSERT_GE(place.size(), 5u);
    EXPECT_NEAR(std::stod(place[3]), 35.99, 0.01);

    // Read back from the file, the field looks as it did when typed.
    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
    player.sendLine("show 800 480");
    player.sendLine("snapshot " + home.file("read.png"));
    ASSERT_TRUE(player.waitForLine("snapshot: ", kStepMs)) << player.errorText();
    player.sendLine("quit");
    ASSERT_EQ(player.waitForExit(kStepMs).value_or(-1), 0) << player.errorText();
    const QImage typed(QString::fromStdString(home.file("typed.png")));
    const QImage read(QString::fromStdString(home.file("read.png")));
    ASSERT_FALSE(typed.isNull());
    const QRect cityBox(80, 19, 158, 18);
    EXPECT_EQ(typed.copy(cityBox), read.copy(cityBox));
    EXPECT_NE(typed.copy(cityBox), QImage(cityBox.size(), typed.format())) << "something is drawn";
}

TEST(MouseEndToEnd, AnUnsearchableStateOrRadiusOrALostServiceKeepsTheListAndSaysWhy) {
    TempHome home;
    WebService service(home.file("service.log"));
    prepareHome(home, service.host(), service.iplocHost());
    writePreferences(home, "Boston@@MA",
                     "0@@1@@0@@2031@@6@@1@@Marked@@Hall@@Boston, MA@@http://e.example/@@-@@\n");
    const std::string prefsPath = home.file(kSupportFolder + "VoxtrailPref"),
                      saved = home.readFile(prefsPath);
    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
    int shots = 0; // the pane once the lines sent are handled, the pointer off the fields
    const auto pane = [&](std::vector<std::string> lines) {
        lines.insert(lines.end(),
                     {"move 795 475", "snapshot " + home.file(std::to_string(++shots) + ".png")});
        for (const std::string& line : lines)
            player.sendLine(line);
        player.waitForLine("snapshot: ", kStepMs);
        return QImage(QString::fromStdString(home.file(std::to_string(shots) + ".png")));
    };
    // Sends lines, then waits for the area to differ from `from` (a refresh ends on its own thread).
    const auto differs = [&](const QImage& from, const QRect& area, const std::vector<std::string>& lines) {
        QImage now = pane(lines);
        for (int i = 0; i < 300 && now.copy(area) == from.copy(area); ++i)
            now = pane({});
        return now.copy(area) != from.copy(area);
    };
    const QRect radiusField(82, 61, 60, 18), statusLine(250, 38, 300, 20), notice(200, 455, 400, 25);
    const auto retype = [](const char* box, const std::string& text) {
        std::vector<std::string> keys{std::string("click ") + box, "key backspace", "key backspace",
                                      "key backspace", "key backspace"};
        if (!text.empty()) keys.push_back("type " + text);
        keys.push_back("key return");
        return keys;
    };
    const QImage start = pane({"show 800 480"});
    // A blank state is not searched: the status line says why, the list and the file stay.
    EXPECT_TRUE(differs(start, statusLine,
                        {std::string("click ") + kStateBox, "key backspace", "key backspace", "key return"}));
    EXPECT_EQ(service.requestsMatching("TODO=GET"), 0u);
    EXPECT_EQ(home.readFile(prefsPath), saved);
    const QImage notFound = pane(retype(kStateBox, "MA")); // the list's place again: no search
    for (const char* radius : {"0", "", "-5", "999"}) {
        const QImage refused = pane(retype("150 70", radius));
        EXPECT_EQ(refused.copy(radiusField), start.copy(radiusField)) << radius;
        EXPECT_NE(refused.copy(statusLine), notFound.copy(statusLine)) << radius;
        EXPECT_NE(refused.copy(statusLine), start.copy(statusLine)) << radius;
    }
    pane(retype("150 70", "50"));
    ASSERT_TRUE(home.waitForContent(
        prefsPath, [](const std::string& p) { return lineOf(p, 4).rfind("Boston@@MA@@50@@", 0) == 0; },
        kSearchSeconds * 1000));
    EXPECT_EQ(service.requestsMatching("TODO=GETSITES"), service.requestsMatching("&RADIUS=50&"));
    service.stop(); // a typed place then says the service is not reached
    EXPECT_TRUE(
        differs(start, notice, {std::string("click ") + kCityBox, "type x", "key tab", "key return"}));
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStepMs).value_or(-1), 0) << player.errorText();
}

TEST(MouseEndToEnd, ACityWithPunctuationIsTypedSavedSentAndFoundAndAClickActsWhereItIs) {
    TempHome home;
    WebService service(home.file("service.log"));
    prepareHome(home, service.host(), "127.0.0.1:1"); // no place found at start: the typed one is searched
    writePreferences(home, "-@@-");
    const std::string prefsPath = home.file(kSupportFolder + "VoxtrailPref");
    const auto saved = [](const std::string& prefs) {
        // The service found the place: its latitude is saved with it.
        return lineOf(prefs, 4).rfind("Coeur d'Alene@@ID@@75@@4.76", 0) == 0;
    };
    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
    // The pointer rests on the version link (bottom right) before the click on the city field.
    for (const std::string& line : {std::string("show 800 480"), std::string("move 740 470"),
                                    std::string("click ") + kCityBox, std::string("type Coeur d'Alene"),
                                    std::string("click ") + kStateBox, std::string("type ID\nkey return")})
        player.sendLine(line);
    ASSERT_TRUE(home.waitForContent(prefsPath, saved, kSearchSeconds * 1000))
        << home.readFile(prefsPath) << player.errorText();
    player.sendLine("snapshot " + home.file("typed.png"));
    for (std::optional<std::string> line; (line = player.readLine(kStepMs)) && line->rfind("snapshot: ", 0);)
        EXPECT_NE(line->rfind("open-url: ", 0), 0u) << *line;
    player.sendLine("quit");
    ASSERT_EQ(player.waitForExit(kStepMs).value_or(-1), 0) << player.errorText();
    const std::vector<std::string> log = service.logLines();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) {
        return l.find("TODO=GETLATLON&CITY=Coeur+") != std::string::npos && l.find("'") != std::string::npos;
    }));
}
