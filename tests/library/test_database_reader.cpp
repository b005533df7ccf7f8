// The SQLite libraries of Linux music players read as the library.
#include "plugin/library/library_kind.h"
#include "plugin/library/library_reader.h"
#include "tests/library/library_root.h"
#include "tests/support/database_file.h"
#include "tests/support/temp_home.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

template <typename L> std::vector<std::string> names(L& list) {
    std::vector<std::string> out;
    for (auto* r = list.head; r; r = r->next)
        out.emplace_back(r->name);
    return out;
}

const char* kQueenId = "0383dadf-2a4e-4d10-a46a-e9e041da8eb3";

class DatabaseReader : public ::testing::Test {
  protected:
    void SetUp() override {
        root = std::make_unique<LibraryRoot>();
        root->state.setiTunes_xml_path(db.c_str());
    }
    void TearDown() override { root.reset(); }
    int read() { return readLibrary(root->state, root->artists, root->albums, &root->artistPlays, &ids); }
    std::vector<std::string> artists() { return names(root->artists); }
    std::string notice() {
        char text[ProtectedData::libraryNoticeCapacity];
        root->state.getLibraryNotice(text);
        return text;
    }

    TempHome home;
    const std::string db = home.path() + "/music.db";
    std::unique_ptr<LibraryRoot> root;
    vx::ArtistIds ids;
};

TEST_F(DatabaseReader, ReadsEachPlayersTable) {
    struct Case {
        const char* player;
        std::string sql;
        std::vector<std::string> artists;
        std::vector<std::string> albums;
        std::uint64_t queenPlays;
        bool queenId;
    };
    const std::string queenRow = "'Queen', 'Greatest Hits II', '', '" + std::string(kQueenId) + "'";
    const std::vector<Case> cases = {
        {"Strawberry, a newer schema with more columns; gone files left out",
         kStrawberrySongs +
             "INSERT INTO songs (artist, albumartist, album, playcount, unavailable, musicbrainz_artist_id) "
             "VALUES ('Queen', '', 'Greatest Hits II', 5, 0, '" +
             kQueenId +
             "'), ('Queen', '', 'Innuendo', 2, NULL, NULL), ('Freddie Mercury', 'Queen', 'Live', 1, 0, ''),"
             "('Low', '', 'Things We Lost', 9, 1, ''), ('Beatles, The', '', 'Help!', 3, 0, 'not-an-id'),"
             "('Nirvana', '', 'Bleach', 1, 0, '5b11f4ce-a62d-471e-81fc-a69a8278c7da')," // two of one name
             "('Nirvana', '', 'Dedicated', 1, 0, '9282c8b4-ca0b-4c6b-b1d3-4e0bb4d2c6f2');",
         {"beatlesthe", "nirvana", "queen", "thebeatles"},
         {"bleach", "dedicated", "greatesthitsii", "help", "innuendo", "live"},
         8,
         true},
        {"Clementine, an older schema without ids",
         "CREATE TABLE songs (title TEXT, album TEXT, artist TEXT, albumartist TEXT, playcount INTEGER, "
         "unavailable INTEGER); INSERT INTO songs VALUES ('a', 'Innuendo', 'Queen', '', 4, 0), "
         "('b', 'Things We Lost', 'Low', '', 1, 1);",
         {"queen"},
         {"innuendo"},
         4,
         false},
        {"beets, no play counts, album artist ids",
         "CREATE TABLE items (id INTEGER PRIMARY KEY, artist TEXT, albumartist TEXT, album TEXT, "
         "mb_artistid TEXT, mb_albumartistid TEXT, path BLOB); INSERT INTO items (artist, albumartist, "
         "album, "
         "mb_artistid, mb_albumartistid) VALUES ('Brian May', " +
             queenRow + "), ('Low', '', 'C''mon', '', '');",
         {"low", "queen"},
         {"cmon", "greatesthitsii"},
         0,
         true},
    };
    for (const Case& c : cases) {
        makeDatabase(db, c.sql);
        ASSERT_EQ(read(), 0) << c.player;
        EXPECT_EQ(artists(), c.artists) << c.player;
        EXPECT_EQ(names(root->albums), c.albums) << c.player;
        EXPECT_EQ(root->artistPlays.plays("Queen"), c.queenPlays) << c.player;
        EXPECT_EQ(ids.count("queen") ? ids["queen"] : "", c.queenId ? kQueenId : "") << c.player;
        EXPECT_EQ(ids.count("thebeatles"), 0u) << c.player;
        for (const XMLARTIST* a = root->artists.head; a; a = a->next) // the record carries the id
            EXPECT_STREQ(a->mbid, std::string_view(a->name) == "queen" && c.queenId ? kQueenId : "")
                << a->name;
    }
}

TEST_F(DatabaseReader, ReadsFilesThePlayersWrote) {
    struct Case {
        const char* file;
        std::vector<std::string> artists; // among others
        std::vector<std::string> absent;
        std::string queenId;
    };
    const std::vector<Case> cases = {
        // Its New Order song's file was gone when the player last looked.
        {"strawberry/strawberry-1.0.14.db",
         {"queen", "thebeatles", "beatlesthe"},
         {"neworder", "freddiemercury"},
         ""},
        {"beets/beets-1.6-import.db", {"queen", "neworder", "thebeatles"}, {"freddiemercury"}, kQueenId},
        {"beets/beets-test.blb", {"lilyallen", "pandabear"}, {}, ""},
        // Written before albums had artists of their own.
        {"beets/beets-old-schema.blb", {"lilyallen", "pandabear"}, {}, ""},
        {"rhythmdb/rhythmdb-fixture.xml", {"queen"}, {}, ""},
    };
    for (const Case& c : cases) {
        root->state.setiTunes_xml_path((std::string(VX_TEST_DATA) + "/" + c.file).c_str());
        ASSERT_EQ(read(), 0) << c.file;
        for (const std::string& name : c.artists)
            EXPECT_TRUE(root->artists.contains(name.c_str())) << c.file << " " << name;
        for (const std::string& name : c.absent)
            EXPECT_FALSE(root->artists.contains(name.c_str())) << c.file << " " << name;
        EXPECT_EQ(ids.count("queen") ? ids["queen"] : "", c.queenId) << c.file;
    }
    EXPECT_EQ(ids.size(), 1u) << "the rhythmdb fixture's one id";
}

TEST_F(DatabaseReader, KeepsTheArtistsItHadWhenADatabaseCannotBeRead) {
    makeDatabase(db, kStrawberrySongs + "INSERT INTO songs (artist) VALUES ('Queen');");
    std::string whole;
    {
        std::ifstream in(db, std::ios::binary);
        whole.assign(std::istreambuf_iterator<char>(in), {});
    }
    struct Case {
        const char* why;
        std::function<void()> make;
        const char* problem;
    };
    const std::vector<Case> cases = {
        {"not SQLite", [&] { TempHome::writeFile(db, std::string("\x89PNG\r\n\x1a\n\0\0\0", 11)); },
         "not a library file"},
        {"cut after its header", [&] { TempHome::writeFile(db, whole.substr(0, 100)); }, "damaged"},
        {"a first page of garbage",
         [&] { TempHome::writeFile(db, whole.substr(0, 100) + std::string(whole.size() - 100, '\xff')); },
         "damaged"},
        {"no table of songs",
         [&] { makeDatabase(db, "CREATE TABLE playlists (name TEXT); INSERT INTO playlists VALUES ('x');"); },
         "no table of songs"},
        {"songs without an artist", [&] { makeDatabase(db, "CREATE TABLE songs (title TEXT);"); },
         "its songs table has no artist"},
    };
    for (const Case& c : cases) {
        makeDatabase(db, kStrawberrySongs + "INSERT INTO songs (artist, playcount) VALUES ('Queen', 3);");
        ASSERT_EQ(read(), 0) << c.why;
        c.make();
        EXPECT_EQ(read(), 1) << c.why;
        EXPECT_THAT(artists(), ElementsAre("queen")) << c.why;
        EXPECT_EQ(root->artistPlays.plays("Queen"), 3u) << c.why;
        EXPECT_THAT(notice(), HasSubstr(std::string("Library not read (") + c.problem)) << c.why;
        EXPECT_THAT(notice(), HasSubstr(db)) << c.why;
    }
    makeDatabase(db, kStrawberrySongs + "INSERT INTO songs (artist) VALUES ('Low');");
    ASSERT_EQ(read(), 0);
    EXPECT_EQ(notice(), "");
}

TEST_F(DatabaseReader, ALockedDatabaseIsLeftAloneAtOnce) {
    makeDatabase(db, kStrawberrySongs + "INSERT INTO songs (artist) VALUES ('Queen');");
    ASSERT_EQ(read(), 0);
    struct stat before {};
    ASSERT_EQ(::stat(db.c_str(), &before), 0);

    // The player holds its write lock for as long as it likes; the reading does not wait for it.
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE; INSERT INTO songs (artist) VALUES ('Low');", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(read(), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_THAT(notice(), HasSubstr("locked by the program writing it"));
    EXPECT_THAT(artists(), ElementsAre("queen"));
    ASSERT_EQ(sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(writer);

    ASSERT_EQ(read(), 0);
    EXPECT_THAT(artists(), ElementsAre("low", "queen"));
    // Reading took no write lock and left no journal: the writer's file is as it left it.
    struct stat after {};
    ASSERT_EQ(::stat(db.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_FALSE(std::filesystem::exists(db + "-journal"));
}

TEST(LibraryKind, TellsDatabasesByTheirHeaderAndTables) {
    using vx::LibraryKind;
    TempHome home;
    const std::string db = home.path() + "/library.xml";
    makeDatabase(db, "CREATE TABLE items (artist TEXT);");
    EXPECT_EQ(vx::libraryKindOf(db.c_str()), LibraryKind::itemsDatabase);
    makeDatabase(db, "CREATE TABLE items (artist TEXT); CREATE TABLE songs (artist TEXT);");
    EXPECT_EQ(vx::libraryKindOf(db.c_str()), LibraryKind::songsDatabase);
    makeDatabase(db, "CREATE TABLE albums (artist TEXT);");
    EXPECT_EQ(vx::libraryKindOf(db.c_str()), LibraryKind::otherDatabase);
    EXPECT_EQ(vx::libraryKindOfStart(std::string("SQLite format 3\0", 16)), LibraryKind::otherDatabase);
    EXPECT_EQ(vx::libraryKindOfStart(std::string("SQLite format 3 <plist>")), LibraryKind::plist);
    EXPECT_EQ(vx::libraryKindOfStart(std::string("\0\0<plist>", 9)), LibraryKind::plist);
    EXPECT_EQ(vx::libraryKindOfStart(std::string("ID3\3\0\0", 6)), LibraryKind::unknown);
}

} // namespace
