// End to end with files a user may have: the real library the music player wrote, and a
// preferences file gone to garbage. The service stands on free ports; the player runs headless.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace vx::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kSearchMs = 120000;

const std::string kRealLibrary = std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml";

// Starts the player, waits until the saved file satisfies done, and quits.
bool runUntilSaved(TempHome& home, const std::function<bool(const std::string&)>& done, std::string* why) {
    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    if (!player.waitForLine("loaded: ", kStartMs)) {
        *why = player.errorText();
        return false;
    }
    const bool saved = home.waitForContent(kSupportFolder + "VoxtrailPref", done, kSearchMs);
    player.sendLine("quit");
    player.waitForExit(kStartMs);
    *why = player.errorText();
    return saved;
}

std::set<std::string> concertArtists(const std::string& prefs) {
    std::set<std::string> out;
    for (const std::string& show : showLines(prefs, 0))
        if (fields(show).size() > 6) out.insert(fields(show)[6]);
    return out;
}

} // namespace

TEST(LibraryAndPreferencesEndToEnd, ConcertsAreSearchedForTheMusiciansOfARealLibraryOnly) {
    TempHome home;
    // The service lists concerts for every artist of the library, films and TV shows included.
    WebService service(home.file("service.log"),
                       {"--catalog-from-library", kRealLibrary, "--today", "2030-01-01"});
    home.writeFile(kLibraryFile, home.readFile(kRealLibrary));
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
    // A saved place whose refresh is due, so the search at load goes to Boston.
    home.writeFile(kSupportFolder + "VoxtrailPref",
                   home.file(kLibraryFile) + "\n1\n2029@@12@@1\nBoston@@MA@@75@@0.0@@0.0\n"
                                             "0@@1@@0@@0@@0@@0@@0@@0@@0@@0@@0\n-\n-@@-@@-@@\n\n\n");
    const std::string answered =
        httpGet(service.host(), "/sources/gigwire.php?feed=events&city=Boston&state=MA&radius=75") +
        httpGet(service.host(), "/sources/ticketline.php?feed=events&city=Boston&state=MA&radius=75");
    ASSERT_NE(answered.find("<artist>Breaking Bad</artist>"), std::string::npos);
    ASSERT_NE(answered.find("<artist>Steven Soderbergh</artist>"), std::string::npos);

    std::string why;
    ASSERT_TRUE(runUntilSaved(
        home, [](const std::string& prefs) { return concertArtists(prefs).count("Foo Fighters") > 0; }, &why))
        << why;
    const std::set<std::string> artists =
        concertArtists(home.readFile(home.file(kSupportFolder + "VoxtrailPref")));
    EXPECT_TRUE(artists.count("Them Crooked Vultures"));
    for (const char* notMusic : {"Breaking Bad", "Steven Soderbergh", "Malcolm Gladwell"})
        EXPECT_FALSE(artists.count(notMusic)) << notMusic;
}

TEST(LibraryAndPreferencesEndToEnd, APreferencesFileOfGarbageHasThePlaceLocatedAgain) {
    TempHome home;
    WebService service(home.file("service.log"));
    home.writeFile(kLibraryFile, home.readFile(kRealLibrary));
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
    std::mt19937 generator(8);
    std::string garbage = "garbage\n";
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>(i % 61 == 60 ? '\n' : generator() % 256);
    home.writeFile(kSupportFolder + "VoxtrailPref", garbage);

    std::string why;
    ASSERT_TRUE(runUntilSaved(
        home, [](const std::string& prefs) { return lineOf(prefs, 4).rfind("Boston@@MA@@", 0) == 0; }, &why))
        << why;
    // The place came from the IP-location page, and no request carried the garbage.
    int locationPages = 0;
    for (const std::string& line : service.logLines()) {
        if (line.rfind("iploc GET ", 0) == 0) ++locationPages;
        if (line.find("CITY=") != std::string::npos) {
            EXPECT_NE(line.find("CITY=Boston&STATE=MA"), std::string::npos) << line;
        }
    }
    EXPECT_EQ(locationPages, 1);
    // The switches and format filters that did not read are a fresh install's: every show
    // exported and shared, both notices on, the usual formats hidden.
    const std::string prefs = home.readFile(home.file(kSupportFolder + "VoxtrailPref"));
    EXPECT_EQ(lineOf(prefs, 5), "0@@1@@0@@0@@0@@0@@1@@1@@1@@0@@0@@1@@20");
    EXPECT_EQ(lineOf(prefs, 9), "Import@@Extra tracks@@Original recording remastered@@Limited Edition@@"
                                "Soundtrack@@Non-Active Artist@@");
}

// Starts the player in a home whose Rhythmbox library is under .local/share, until its first
// search lists Queen, then quits; the player's output lines.
std::vector<std::string> runUntilQueenIsSearched(TempHome& home, WebService& service) {
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
    std::map<std::string, std::string> env = home.playerEnvironment();
    env["XDG_DATA_HOME"] = home.file(".local/share");
    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, env, home.path());
    EXPECT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
    const bool searched = home.waitForContent(
        kSupportFolder + "VoxtrailPref",
        [](const std::string& prefs) { return concertArtists(prefs).count("Queen") > 0; }, kSearchMs);
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();
    if (!searched) ADD_FAILURE() << "Queen was never searched: " << player.errorText();
    return player.linesRead();
}

TEST(LibraryAndPreferencesEndToEnd, AHomeWithOnlyARhythmboxLibraryIsReadWithoutAsking) {
    TempHome home;
    const std::string songs = std::string(VX_TESTDATA_DIR) + "/rhythmdb/rhythmdb-fixture.xml";
    WebService service(home.file("service.log"), {"--catalog-from-library", songs});
    home.writeFile(".local/share/rhythmbox/rhythmdb.xml", home.readFile(songs));
    const std::vector<std::string> lines = runUntilQueenIsSearched(home, service);
    ASSERT_FALSE(::testing::Test::HasFailure()) << "the player's first search did not list Queen";

    for (const std::string& line : lines)
        EXPECT_EQ(line.rfind("file-dialog:", 0), std::string::npos) << line;
    const std::string prefs = home.readFile(home.file(kSupportFolder + "VoxtrailPref"));
    EXPECT_EQ(lineOf(prefs, 1), home.file(".local/share/rhythmbox/rhythmdb.xml"));
    // The songs' artists have their shows, filed as the songs' album artists name them.
    const std::set<std::string> artists = concertArtists(prefs);
    for (const char* band : {"Sigur Rós", "Queen", "New Order"})
        EXPECT_TRUE(artists.count(band)) << band;
}

// Artists of other scripts, and an accent, find their shows though the listing spells them
// another way: with a blank, in capitals, without the accent.
TEST(LibraryAndPreferencesEndToEnd, ArtistsOfEveryScriptFindTheirShowsSpelledAnotherWay) {
    const auto songs = [](const std::vector<std::string>& artists) {
        std::string text = "<?xml version=\"1.0\" standalone=\"yes\"?>\n<rhythmdb version=\"2.0\">\n";
        for (const std::string& artist : artists)
            text += "  <entry type=\"song\">\n    <title>Song</title>\n    <artist>" + artist +
                    "</artist>\n    <album>Album</album>\n  </entry>\n";
        return text + "</rhythmdb>\n";
    };
    // As the library files them, and as the listing prints them. A listed artist need not have a
    // show near the user, so each script has a few.
    const std::vector<std::pair<std::string, std::string>> cjk = {
        {"\xe5\x9d\x82\xe6\x9c\xac\xe9\xbe\x8d\xe4\xb8\x80",
         "\xe5\x9d\x82\xe6\x9c\xac \xe9\xbe\x8d\xe4\xb8\x80"},
        {"\xe5\xae\x87\xe5\xa4\x9a\xe7\x94\xb0\xe3\x83\x92\xe3\x82\xab\xe3\x83\xab",
         "\xe5\xae\x87\xe5\xa4\x9a\xe7\x94\xb0 \xe3\x83\x92\xe3\x82\xab\xe3\x83\xab"},
        {"\xe4\xb9\x85\xe7\x9f\xb3\xe8\xad\xb2", "\xe4\xb9\x85\xe7\x9f\xb3 \xe8\xad\xb2"}};
    const std::vector<std::pair<std::string, std::string>> cyrillic = {
        {"\xd0\x9c\xd1\x83\xd0\xbc\xd0\xb8\xd0\xb9 \xd0\xa2\xd1\x80\xd0\xbe\xd0\xbb\xd0\xbb\xd1\x8c",
         "\xd0\x9c\xd0\xa3\xd0\x9c\xd0\x98\xd0\x99 \xd0\xa2\xd0\xa0\xd0\x9e\xd0\x9b\xd0\x9b\xd0\xac"},
        {"\xd0\x9a\xd0\xb8\xd0\xbd\xd0\xbe", "\xd0\x9a\xd0\x98\xd0\x9d\xd0\x9e"},
        {"\xd0\x90\xd0\xbb\xd0\xb8\xd1\x81\xd0\xb0", "\xd0\x90\xd0\x9b\xd0\x98\xd0\xa1\xd0\x90"}};
    std::vector<std::string> filed = {"Sigur R\xc3\xb3s", "Queen"}, listed = {"Sigur Ros", "Queen"};
    for (const auto& names : {cjk, cyrillic})
        for (const auto& [library, listing] : names) {
            filed.push_back(library);
            listed.push_back(listing);
        }
    TempHome home;
    home.writeFile("catalogue.xml", songs(listed));
    WebService service(home.file("service.log"), {"--catalog-from-library", home.file("catalogue.xml")});
    home.writeFile(".local/share/rhythmbox/rhythmdb.xml", songs(filed));
    const std::vector<std::string> lines = runUntilQueenIsSearched(home, service);
    ASSERT_FALSE(::testing::Test::HasFailure()) << "the player's first search did not list Queen";
    const std::set<std::string> artists =
        concertArtists(home.readFile(home.file(kSupportFolder + "VoxtrailPref")));
    EXPECT_TRUE(artists.count("Sigur Ros"));
    for (const auto& names : {cjk, cyrillic}) {
        const auto found = std::count_if(names.begin(), names.end(),
                                         [&](const auto& name) { return artists.count(name.second) > 0; });
        EXPECT_GT(found, 0) << names.front().second;
    }
}

TEST(LibraryAndPreferencesEndToEnd, AHomeWithOnlyAStrawberryDatabaseIsReadAndPlayed) {
    TempHome home;
    // The service's catalogue holds these artists; the home has only the player's database.
    const std::string catalogue = std::string(VX_TESTDATA_DIR) + "/rhythmdb/rhythmdb-fixture.xml";
    const std::string database = ".local/share/strawberry/strawberry/strawberry.db";
    WebService service(home.file("service.log"), {"--catalog-from-library", catalogue});
    home.writeFile(database,
                   home.readFile(std::string(VX_TESTDATA_DIR) + "/strawberry/strawberry-1.0.14.db"));
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());

    std::map<std::string, std::string> env = home.playerEnvironment();
    env["XDG_DATA_HOME"] = home.file(".local/share");
    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, env, home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
    const bool searched = home.waitForContent(
        kSupportFolder + "VoxtrailPref",
        [](const std::string& prefs) { return concertArtists(prefs).count("Queen") > 0; }, kSearchMs);
    player.sendLine("play");
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();
    ASSERT_TRUE(searched) << player.errorText();

    for (const std::string& line : player.linesRead())
        EXPECT_EQ(line.rfind("file-dialog:", 0), std::string::npos) << line;
    EXPECT_EQ(player.errorText().find("no tracks"), std::string::npos) << player.errorText();
    EXPECT_EQ(lineOf(home.readFile(home.file(kSupportFolder + "VoxtrailPref")), 1), home.file(database));
}

TEST(LibraryAndPreferencesEndToEnd, AHomeWithOnlyAMusicFolderIsReadWithoutAsking) {
    TempHome home;
    const std::string catalogue = std::string(VX_TESTDATA_DIR) + "/rhythmdb/rhythmdb-fixture.xml";
    WebService service(home.file("service.log"), {"--catalog-from-library", catalogue});
    for (const auto& file :
         std::filesystem::directory_iterator(std::string(VX_TESTDATA_DIR) + "/audio/generated"))
        home.writeFile("Music/" + file.path().filename().string(), home.readFile(file.path().string()));
    home.installBundle(VX_VOXTRAIL_BUNDLE);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());

    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStartMs)) << player.errorText();
    const bool searched = home.waitForContent(
        kSupportFolder + "VoxtrailPref",
        [](const std::string& prefs) { return concertArtists(prefs).count("Queen") > 0; }, kSearchMs);
    // The player plays the folder's songs.
    player.sendLine("play");
    player.sendLine("next");
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStartMs).value_or(-1), 0) << player.errorText();
    ASSERT_TRUE(searched) << player.errorText();

    for (const std::string& line : player.linesRead())
        EXPECT_EQ(line.rfind("file-dialog:", 0), std::string::npos) << line;
    EXPECT_EQ(player.errorText().find("no tracks"), std::string::npos) << player.errorText();
    EXPECT_EQ(lineOf(home.readFile(home.file(kSupportFolder + "VoxtrailPref")), 1), home.file("Music"));
    // What was read is kept for the next start.
    EXPECT_NE(home.readFile(home.file(kSupportFolder + "VoxtrailFolderCache")).find("Queen"),
              std::string::npos);
}
