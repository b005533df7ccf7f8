#include "tests/library/library_root.h"
#include "tests/support/temp_home.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::IsSupersetOf;
using ::testing::Not;
using namespace std::string_literals;

namespace {

const std::string kData = VX_TEST_DATA;

std::string dataFile(const std::string& name) {
    return kData + "/" + name;
}

template <typename L> std::vector<std::string> names(L& list) {
    std::vector<std::string> out;
    for (auto* r = list.head; r; r = r->next)
        out.emplace_back(r->name);
    return out;
}

class LibraryReader : public ::testing::Test {
  protected:
    void SetUp() override { root = std::make_unique<LibraryRoot>(); }
    void TearDown() override { root.reset(); }

    int read(const std::string& path) {
        root->state.setiTunes_xml_path(path.c_str());
        return root->parseXML();
    }
    // Reads bytes written to a library file of the test's own.
    int readBytes(const std::string& bytes) {
        const std::string path = home.path() + "/library.xml";
        TempHome::writeFile(path, bytes);
        return read(path);
    }
    std::vector<std::string> artists() { return names(root->artists); }
    std::vector<std::string> albums() { return names(root->albums); }
    float version() { return root->state.getiTunesVersion(); }

    TempHome home;
    std::unique_ptr<LibraryRoot> root;
};

std::string withCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// ---- Libraries written by the player itself ----

TEST_F(LibraryReader, ReadsOnlyTheMusicOfARealLibrary) {
    ASSERT_EQ(read(dataFile("libraries/itunes-9.1-fixture.xml")), 0);
    // 24 artists in the file; podcasts, movies, a TV show and audiobooks leave 7 musicians.
    EXPECT_THAT(artists(), ElementsAre("coldplay", "davematthewsband", "foofighters", "jackjohnson",
                                       "johnmayer", "modestmouse", "themcrookedvultures"));
    EXPECT_THAT(albums(), ElementsAre("bigwhiskeygroogruxking", "brushfirefairytales", "continuum",
                                      "foofightersgreatesthits", "goodnewsforpeoplewholovebadnews",
                                      "themcrookedvultures", "vivalavida"));
    EXPECT_FLOAT_EQ(version(), 9.1f);
}

TEST_F(LibraryReader, ReadsANewerLibraryAndItsThreePartVersion) {
    ASSERT_EQ(read(dataFile("libraries/itunes-11.1-fixture.xml")), 0);
    EXPECT_THAT(artists(), ElementsAre("aggrolites", "biosphere", "boardsofcanada", "deadmau5", "engineers",
                                       "ladytron", "m83", "orb", "orbital", "radiohead", "sasha", "thomyorke",
                                       "tompettyheartbreakers", "youngmarblegiants"));
    EXPECT_EQ(albums().size(), 24u);
    EXPECT_THAT(albums(), IsSupersetOf({"giveembootiv", "orbital2", "uforb"}));
    EXPECT_FLOAT_EQ(version(), 11.13f);
}

TEST_F(LibraryReader, ReadsWhatAMalformedLibraryHolds) {
    ASSERT_EQ(read(dataFile("libraries/itunes-11.1-malformed-fixture.xml")), 0);
    EXPECT_THAT(artists(), ElementsAre("radiohead", "royksopp"));
    EXPECT_THAT(albums(), ElementsAre("inrainbows", "melodyam"));
}

TEST_F(LibraryReader, APlaylistNamedAfterTheProductNarrowsARealLibrary) {
    std::string library = TempHome::read(dataFile("libraries/itunes-11.1-fixture.xml"));
    const std::string end = "\t</array>\n</dict>\n</plist>\n";
    ASSERT_EQ(library.compare(library.size() - end.size(), end.size(), end), 0);
    library.insert(library.size() - end.size(),
                   "\t\t<dict>\n\t\t\t<key>Name</key><string>voxTrail</string>\n"
                   "\t\t\t<key>Playlist ID</key><integer>9000</integer>\n"
                   "\t\t\t<key>Playlist Items</key>\n\t\t\t<array>\n"
                   "\t\t\t\t<dict>\n\t\t\t\t\t<key>Track ID</key><integer>3380</integer>\n\t\t\t\t</dict>\n"
                   "\t\t\t\t<dict>\n\t\t\t\t\t<key>Track ID</key><integer>1080</integer>\n\t\t\t\t</dict>\n"
                   "\t\t\t\t<dict>\n\t\t\t\t\t<key>Track ID</key><integer>1570</integer>\n\t\t\t\t</dict>\n"
                   "\t\t\t</array>\n\t\t</dict>\n");
    ASSERT_EQ(readBytes(library), 0);
    EXPECT_THAT(artists(), ElementsAre("aggrolites", "orbital", "radiohead"));
    EXPECT_THAT(albums(), ElementsAre("giveembootiv", "inrainbows", "orbital2"));
}

// ---- The playlist named after the product ----

TEST_F(LibraryReader, APlaylistNamedInCapitalsKeepsOnlyItsTracksThenTheUsersFilesApply) {
    TempHome::writeFile(home.includeFile(), "Nick Drake\n");
    TempHome::writeFile(home.excludeFile(), "Radiohead\n");
    ASSERT_EQ(read(dataFile("library-playlist-capitals.xml")), 0);
    // Coldplay and Foo Fighters are in the library but not in the playlist; track 999 is unknown.
    EXPECT_THAT(artists(), ElementsAre("beatlesthe", "nickdrake", "thebeatles"));
    EXPECT_THAT(albums(), ElementsAre("abbeyroad", "okcomputer"));
}

TEST_F(LibraryReader, APlaylistWithoutItemsEmptiesTheLibraryButNotTheIncludedNames) {
    TempHome::writeFile(home.includeFile(), "Nick Drake\n");
    ASSERT_EQ(read(dataFile("library-playlist-empty.xml")), 0);
    EXPECT_THAT(artists(), ElementsAre("nickdrake"));
    EXPECT_THAT(albums(), IsEmpty());
}

TEST_F(LibraryReader, APlaylistFindsItsTracksByTheirIdsWrittenExactly) {
    const auto track = [](const std::string& id, const std::string& artist) {
        return "<dict>\n<key>Track ID</key><integer>" + id + "</integer>\n<key>Artist</key><string>" +
               artist + "</string>\n</dict>\n";
    };
    const auto item = [](const std::string& id) {
        return "<dict>\n<key>Track ID</key><integer>" + id + "</integer>\n</dict>\n";
    };
    // Large, zero-led and lettered ids are told apart from the small ids they resemble.
    const std::string library =
        "<dict>\n<key>Tracks</key>\n<dict>\n" + track("7", "Seven") + track("07", "Zero Seven") +
        track("2147483648", "Two Gig") + track("4294967303", "Four Gig Seven") + track("x7", "Lettered") +
        track("8", "Eight") + "</dict>\n<key>Playlists</key>\n<array>\n<dict>\n" +
        "<key>Name</key><string>Voxtrail</string>\n<key>Playlist Items</key>\n<array>\n" +
        item("4294967303") + item("07") + item("2147483648") + item("9") +
        "</array>\n</dict>\n</array>\n</dict>\n";
    ASSERT_EQ(readBytes(library), 0);
    EXPECT_THAT(artists(), ElementsAre("fourgigseven", "twogig", "zeroseven"));
}

// ---- Tracks ----

TEST_F(LibraryReader, ACommaInsideANameStandsForBothWordOrders) {
    ASSERT_EQ(read(dataFile("library-comma-names.xml")), 0);
    // A comma first or last is no moved word.
    EXPECT_THAT(artists(),
                ElementsAre("beatlesthe", "leadingcomma", "outkast", "thebeatles", "trailingcomma"));
    EXPECT_THAT(albums(), ElementsAre("firstalbum", "help", "lastalbum", "speakerboxxx"));
}

TEST_F(LibraryReader, NamesAreReadWithTheirXmlEntitiesDecoded) {
    const auto track = [](int id, const std::string& artist, const std::string& album) {
        return "<dict>\n<key>Track ID</key><integer>" + std::to_string(id) +
               "</integer>\n<key>Artist</key><string>" + artist + "</string>\n<key>Album</key><string>" +
               album + "</string>\n</dict>\n";
    };
    ASSERT_EQ(readBytes("<dict>\n<key>Tracks</key>\n<dict>\n" +
                        track(1, "Crosby Stills &quot;Nash&quot;", "D&#233;j&#xE0; Vu") +
                        track(2, "Earth Wind &amp; Fire", "&lt;Gratitude&gt;") +
                        track(3, "Guns N&apos; Roses", "&bogus; &#0; &#55296; &amp") + "</dict>\n</dict>\n"),
              0);
    // As the service's concerts name them, so their shows are found.
    EXPECT_THAT(artists(), ElementsAre("crosbystillsnash", "earthwindfire", "gunsnroses"));
    EXPECT_THAT(albums(), ElementsAre("bogus055296amp", "dejavu", "gratitude"));
}

TEST_F(LibraryReader, PodcastsAreLeftOutOnlyWhenTheGenreIsWrittenExactly) {
    ASSERT_EQ(read(dataFile("library-podcast.xml")), 0);
    EXPECT_THAT(artists(), ElementsAre("beck", "sciencefriday"));
    EXPECT_THAT(albums(), ElementsAre("odelay", "scifri"));
}

TEST_F(LibraryReader, MoviesTvShowsPodcastsAndAudiobooksAreNoArtistsButMusicVideosAre) {
    ASSERT_EQ(read(dataFile("library-not-music.xml")), 0);
    // Keys written false count for nothing.
    EXPECT_THAT(artists(), ElementsAre("beck", "feist"));
    EXPECT_THAT(albums(), ElementsAre("guero", "reminder"));
}

TEST_F(LibraryReader, TracksLackingKeysAndCompilationsLeaveNoArtist) {
    ASSERT_EQ(read(dataFile("library-missing-keys.xml")), 0);
    // No artist: no album either; no album: the artist alone; no track id: nothing. Compilation
    // artists go, their albums stay.
    EXPECT_THAT(artists(), ElementsAre("closingband", "loneartist"));
    EXPECT_THAT(albums(), ElementsAre("closingalbum", "hits", "morehits"));
}

TEST_F(LibraryReader, AValueSplitOverLinesCountsForNothing) {
    ASSERT_EQ(read(dataFile("library-value-split-over-lines.xml")), 0);
    EXPECT_THAT(artists(), ElementsAre("albumsplitband", "wholeartist"));
    EXPECT_THAT(albums(), ElementsAre("wholealbum"));
}

TEST_F(LibraryReader, KeepsOnlyTheFirstPointOfTheVersion) {
    ASSERT_EQ(read(dataFile("library-version-7.4.2.xml")), 0);
    EXPECT_FLOAT_EQ(version(), 7.42f);
    ASSERT_EQ(read(dataFile("library-version-8.xml")), 0);
    EXPECT_FLOAT_EQ(version(), 8.0f);
    EXPECT_THAT(artists(), ElementsAre("versioned"));
}

// ---- The include and exclude files ----

TEST_F(LibraryReader, ExcludedNamesWinOverIncludedAndLibraryNames) {
    TempHome::writeFile(home.includeFile(), "Radiohead\nOutkast\n\nNew Band\nPolice, The\n");
    TempHome::writeFile(home.excludeFile(), withCrLf("Beatles, The\nNew Band\n\nNobody Here\n"));
    ASSERT_EQ(read(dataFile("library-comma-names.xml")), 0);
    // The empty include line adds an empty name; the empty exclude line removes nothing.
    EXPECT_THAT(artists(), ElementsAre("", "leadingcomma", "outkast", "policethe", "radiohead", "thepolice",
                                       "trailingcomma"));
    EXPECT_THAT(albums(), ElementsAre("firstalbum", "help", "lastalbum", "speakerboxxx"));
}

TEST_F(LibraryReader, WithoutALibraryFileNothingIsReadAndTheListsAreEmptied) {
    ASSERT_EQ(read(dataFile("library-podcast.xml")), 0);
    ASSERT_THAT(artists(), Not(IsEmpty()));
    TempHome::writeFile(home.includeFile(), "Nick Drake\n");
    EXPECT_EQ(read(home.path() + "/no such library.xml"), 1);
    EXPECT_THAT(artists(), IsEmpty());
    EXPECT_THAT(albums(), IsEmpty());
}

// ---- Line ends and hostile bytes ----

TEST_F(LibraryReader, CrLfLineEndsReadLikeLineFeeds) {
    ASSERT_EQ(read(dataFile("libraries/itunes-9.1-fixture.xml")), 0);
    const auto lfArtists = artists();
    const auto lfAlbums = albums();
    ASSERT_EQ(readBytes(withCrLf(TempHome::read(dataFile("libraries/itunes-9.1-fixture.xml")))), 0);
    EXPECT_EQ(artists(), lfArtists);
    EXPECT_EQ(albums(), lfAlbums);
    EXPECT_FLOAT_EQ(version(), 9.1f);
}

TEST_F(LibraryReader, AFileWithoutLineEndsIsOneLineAndYieldsItsFirstTrackOnly) {
    std::string library = TempHome::read(dataFile("libraries/itunes-11.1-fixture.xml"));
    std::erase(library, '\n');
    ASSERT_EQ(readBytes(library), 0);
    EXPECT_THAT(artists(), ElementsAre("aggrolites"));
    EXPECT_THAT(albums(), ElementsAre("giveembootiv"));
    EXPECT_FLOAT_EQ(version(), 11.13f);

    // In one line the keys of all tracks mingle: a movie anywhere makes the one track no music.
    library = TempHome::read(dataFile("libraries/itunes-9.1-fixture.xml"));
    std::erase(library, '\n');
    ASSERT_EQ(readBytes(library), 0);
    EXPECT_THAT(artists(), IsEmpty());
    EXPECT_FLOAT_EQ(version(), 9.1f);
}

TEST_F(LibraryReader, SurvivesBinaryBytesHugeLinesAndAnUnfinishedTrack) {
    std::string bytes;
    for (int i = 0; i < 70000; ++i)
        bytes += static_cast<char>((i * 7919) % 256);
    bytes += "\n<dict>\n<key>Track ID</key><integer>1</integer>\n";
    bytes += "<key>Artist</key><string>" + std::string(2'000'000, 'x') + "</string>\n";
    bytes += "<key>Album</key><string>Nul\0Byte</string>\n"s;
    bytes += "</dict>\n<dict>\n<key>Track ID</key><integer>2</integer>\n<key>Artist</key><string>Unfinished";
    ASSERT_EQ(readBytes(bytes), 0);
    // The long name is cut to 255 characters; the unfinished track never closes.
    EXPECT_THAT(artists(), ElementsAre(std::string(255, 'x')));
    EXPECT_THAT(albums(), ElementsAre("nul"));
}

TEST_F(LibraryReader, LinesAcrossTheReadersBlocksAreReadWhole) {
    // The reader takes the file in blocks (a mebibyte is a whole number of them); place line
    // ends and a track's artist line across mebibyte boundaries.
    constexpr std::size_t kBlock = 1 << 20;
    const std::string track1 = "<dict>\r\n<key>Track ID</key><integer>1</integer>\r\n"
                               "<key>Artist</key><string>Straddling Band</string>\r\n</dict>\r\n";
    const std::string artistLine = "<key>Artist</key><string>Straddling Band</string>";
    std::string bytes = "<key>Application Version</key><string>9.1</string>\r\n";
    // Padding so that the artist line starts 10 bytes before the first boundary.
    const std::size_t artistAt = bytes.size() + track1.find(artistLine);
    bytes.insert(0, std::string(kBlock - 10 - artistAt - 1, 'p') + "\n");
    bytes += track1;
    // The carriage return of a line the last byte of the second block, its line feed the first
    // of the third.
    const std::string line = "<key>Album</key><string>Split End</string>\r";
    const std::string head =
        "<dict>\n<key>Track ID</key><integer>2</integer>\n<key>Artist</key><string>Second</string>\n";
    bytes += std::string(2 * kBlock - bytes.size() - head.size() - line.size() - 1, 'q') + "\n" + head + line;
    ASSERT_EQ(bytes.size(), 2 * kBlock);
    bytes += "\n</dict>\n";
    ASSERT_EQ(readBytes(bytes), 0);
    EXPECT_THAT(artists(), ElementsAre("second", "straddlingband"));
    EXPECT_THAT(albums(), ElementsAre("splitend"));
}

} // namespace

TEST_F(LibraryReader, PlaysAreSummedPerArtistAndOddCountsGiveNoneOrAreCut) {
    std::string tracks;
    const char* const counts[][2] = {
        {"Kinks", "7"}, {"The Kinks", "5"}, {"Who", "-4"}, {"Who", ""}, {"Yes", "1099511627776"}};
    for (int i = 0; i < 5; ++i)
        tracks +=
            "<dict>\n<key>Track ID</key><integer>" + std::to_string(i + 1) +
            "</integer>\n<key>Artist</key><string>" + counts[i][0] + "</string>\n" +
            (counts[i][1][0] ? std::string("<key>Play Count</key><integer>") + counts[i][1] + "</integer>\n"
                             : "") +
            "</dict>\n";
    ASSERT_EQ(readBytes("<dict>\n" + tracks + "</dict>\n"), 0);
    EXPECT_EQ(root->artistPlays.plays("Kinks"), 12u);
    EXPECT_EQ(root->artistPlays.plays("Who"), 0u);
    EXPECT_EQ(root->artistPlays.plays("Yes"), 1000000u);
}
