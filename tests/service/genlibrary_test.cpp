// The sample library generator, and the service's reading of library files.
#include "service/catalogue.h"
#include "service/library_artists.h"
#include "service/library_writer.h"
#include "tests/service/reply_readers.h"
#include "tests/service/service_process.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <unistd.h>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int countOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

std::string generate(const std::vector<std::string>& extra) {
    // ctest runs tests in parallel processes: each needs a file of its own.
    static int counter = 0;
    std::string out = testing::TempDir() + "generated-library-" + std::to_string(getpid()) + "-" +
                      std::to_string(++counter) + ".xml";
    std::vector<std::string> args{VX_GENLIBRARY_BIN, "--out", out};
    args.insert(args.end(), extra.begin(), extra.end());
    EXPECT_EQ(runProgram(args), 0);
    std::string text = readFile(out);
    std::remove(out.c_str());
    return text;
}

} // namespace

TEST(GenLibrary, WritesOneArtistKeyPerTrackInThePlayersLayout) {
    std::string xml = generate({"--tracks", "250", "--seed", "7"});
    EXPECT_EQ(countOf(xml, "<key>Artist</key><string>"), 250);
    EXPECT_EQ(countOf(xml, "\n\t\t\t<key>Track ID</key><integer>"), 250);
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u);
    EXPECT_NE(xml.find("\t<key>Application Version</key><string>9.1</string>\n"), std::string::npos);
    // The tracks come before the playlists, as the plug-in's line reader expects.
    ASSERT_NE(xml.find("<key>Playlists</key>"), std::string::npos);
    EXPECT_LT(xml.rfind("<key>Artist</key>"), xml.find("<key>Playlists</key>"));
    EXPECT_NE(xml.find("<key>Name</key><string>Library</string>"), std::string::npos);
    EXPECT_EQ(xml.substr(xml.size() - 9), "</plist>\n");
    // Surname-first names and encoded ampersands are among the artists.
    EXPECT_NE(xml.find("&#38;"), std::string::npos);
    EXPECT_EQ(xml.find("& "), std::string::npos); // never a bare ampersand
    int commaArtists = 0;
    std::istringstream lines(xml);
    for (std::string line; std::getline(lines, line);) {
        std::string artist;
        if (textBetween(line, "<key>Artist</key><string>", "</string>", &artist))
            commaArtists += artist.find(", ") != std::string::npos;
    }
    EXPECT_GT(commaArtists, 0);
}

TEST(GenLibrary, SameSeedSameFileOtherSeedOtherFile) {
    EXPECT_EQ(generate({"--tracks", "60", "--seed", "3"}), generate({"--tracks", "60", "--seed", "3"}));
    EXPECT_NE(generate({"--tracks", "60", "--seed", "3"}), generate({"--tracks", "60", "--seed", "4"}));
}

TEST(GenLibrary, ArtistCountAndPlaylistOptions) {
    std::string xml = generate({"--tracks", "30", "--artists", "6", "--voxtrail-playlist", "4"});
    std::set<std::string> artists;
    std::istringstream lines(xml);
    for (std::string line; std::getline(lines, line);) {
        std::string artist;
        if (textBetween(line, "<key>Artist</key><string>", "</string>", &artist)) artists.insert(artist);
    }
    EXPECT_EQ(artists.size(), 6u);
    std::size_t playlist = xml.find("<key>Name</key><string>Voxtrail</string>");
    ASSERT_NE(playlist, std::string::npos);
    EXPECT_EQ(countOf(xml.substr(playlist), "<key>Track ID</key>"), 4);
    EXPECT_NE(runProgram({VX_GENLIBRARY_BIN, "--tracks", "0", "--out", "/tmp/x.xml"}), 0);
    EXPECT_NE(runProgram({VX_GENLIBRARY_BIN, "--tracks", "5"}), 0);
}

TEST(LibraryArtists, ReadsTheGeneratedFileBackToTheCataloguesNames) {
    vxs::Catalogue cat = vxs::Catalogue::builtIn();
    vxs::LibraryPlan plan;
    plan.tracks = 80;
    plan.seed = 11;
    std::ostringstream out;
    vxs::LibrarySummary summary = vxs::writeLibrary(cat, plan, out);
    std::string path = testing::TempDir() + "roundtrip-" + std::to_string(getpid()) + ".xml";
    {
        std::ofstream f(path);
        f << out.str();
    }
    std::vector<std::string> read;
    std::string error;
    ASSERT_TRUE(vxs::readLibraryArtists(path, &read, &error));
    std::remove(path.c_str());
    ASSERT_EQ(read.size(), summary.artists.size());
    std::set<std::string> listed(summary.artists.begin(), summary.artists.end());
    for (const std::string& filed : read)
        EXPECT_TRUE(listed.count(vxs::listingName(filed))) << filed;
}

TEST(LibraryArtists, ReadsThePlayersOwnFiles) {
    std::vector<std::string> artists;
    std::string error;
    ASSERT_TRUE(vxs::readLibraryArtists(std::string(VX_TESTDATA_DIR) + "/libraries/itunes-11.1-fixture.xml",
                                        &artists, &error))
        << error;
    std::set<std::string> set(artists.begin(), artists.end());
    EXPECT_TRUE(set.count("Biosphere"));
    EXPECT_TRUE(set.count("Tom Petty and The Heartbreakers"));
    EXPECT_EQ(set.size(), artists.size());
    artists.clear();
    EXPECT_TRUE(vxs::readLibraryArtists(
        std::string(VX_TESTDATA_DIR) + "/libraries/itunes-11.1-malformed-fixture.xml", &artists, &error));
    EXPECT_FALSE(vxs::readLibraryArtists("/nonexistent/library.xml", &artists, &error));
}

TEST(LibraryArtists, ServiceGivesConcertsToALibrarysArtists) {
    ServiceProcess svc({"--catalog-from-library",
                        std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml", "--today",
                        "2026-01-15"});
    ASSERT_TRUE(svc.started());
    std::set<std::string> performers;
    for (const char* src : {"/sources/ticketline.php", "/sources/gigwire.php"}) {
        RawReply r = rawGet(svc.port(), std::string(src) + "?feed=events&city=Boston&state=MA&radius=12500");
        for (const SourceEvent& e : readSourceEvents(r.body).complete)
            performers.insert(e.performers.begin(), e.performers.end());
    }
    EXPECT_TRUE(performers.count("Coldplay"));
}
