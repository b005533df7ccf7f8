// Reading the outside files the player depends on: library files and bundle Info.plist files.
#include "player/bundle_finder.h"
#include "player/host_dialogs.h"
#include "player/library_loader.h"
#include "player/music_library.h"
#include "player/player_options.h"
#include "player/player_session.h"
#include "player/plist_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace vx::player;
namespace fs = std::filesystem;

namespace {

std::string library(const std::string& tracks, const std::string& version = "9.1") {
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE plist>\n<plist version=\"1.0\"><dict>"
           "<key>Application Version</key><string>" +
           version + "</string><key>Tracks</key><dict>" + tracks + "</dict></dict></plist>";
}

std::string track(const std::string& id, const std::string& name, const std::string& artist,
                  const std::string& album) {
    return "<key>" + id + "</key><dict><key>Track ID</key><integer>" + id +
           "</integer><key>Name</key><string>" + name + "</string><key>Artist</key><string>" + artist +
           "</string><key>Album</key><string>" + album + "</string></dict>";
}

const std::string kData = VX_TESTDATA_DIR;

// A document as text that two reads can be compared by.
std::string dump(const PlistValue* v) {
    if (!v) return "-";
    std::string out = v->tag + "(" + v->text;
    for (const auto& [key, value] : v->entries)
        out += key + ":" + dump(value.get());
    for (const auto& item : v->items)
        out += dump(item.get());
    return out + ")";
}

// The document read a few bytes at a time, as a file can hand it over.
std::string dumpReadInPieces(const std::string& text, std::mt19937& rng) {
    std::size_t at = 0;
    const PlistBlockReader read = [&](char* into, std::size_t room) {
        const std::size_t n = std::min({room, text.size() - at, std::size_t{1} + rng() % 7});
        std::copy_n(text.data() + at, n, into);
        at += n;
        return n;
    };
    return dump(parsePlist(read, [](auto&, auto&, auto&) { return false; }).get());
}

} // namespace

TEST(MusicLibrary, ReadsTracksInFileOrderWithTheirFields) {
    MusicLibrary lib = parseMusicLibrary(library(track("7", "Song &amp; Dance", "A&lt;B&gt;", "X") +
                                                 track("3", "Two", "Caf&#233;", "&#x4E2D;")));
    EXPECT_EQ(lib.applicationVersion, "9.1");
    ASSERT_EQ(lib.tracks.size(), 2u);
    EXPECT_EQ(lib.tracks[0].name, "Song & Dance");
    EXPECT_EQ(lib.tracks[0].artist, "A<B>");
    EXPECT_EQ(lib.tracks[1].artist, "Caf\xC3\xA9");
    EXPECT_EQ(lib.tracks[1].album, "\xE4\xB8\xAD");
}

TEST(MusicLibrary, OnlyTheFirstTracksDictCountsWhereverTheVersionAndPlaylistsStand) {
    // Tracks are taken while the file is read: a second "Tracks", playlists naming the tracks and a
    // version written last must change nothing of what a whole-document read gives.
    const std::string text =
        "<plist><dict><key>Tracks</key><dict>" + track("1", "One", "A", "X") +
        "<key>2</key><string>no</string>" + track("3", "Three", "B", "Y") +
        "</dict><key>Playlists</key><array><dict><key>Name</key><string>L</string>" +
        "<key>Playlist Items</key><array><dict><key>Track ID</key><integer>1</integer></dict></array></dict>"
        "</array><key>Tracks</key><dict>" +
        track("9", "Nine", "C", "Z") +
        "</dict><key>Application Version</key><string>11.1</string></dict></plist>";
    MusicLibrary lib = parseMusicLibrary(text);
    EXPECT_EQ(lib.applicationVersion, "11.1");
    ASSERT_EQ(lib.tracks.size(), 2u);
    EXPECT_EQ(lib.tracks[0].name, "One");
    EXPECT_EQ(lib.tracks[1].artist, "B");
    EXPECT_EQ(lib.tracks[1].album, "Y");
}

TEST(MusicLibrary, ReadsTheRealLibraryFiles) {
    MusicLibrary v9 = loadMusicLibrary(kData + "/libraries/itunes-9.1-fixture.xml");
    EXPECT_EQ(v9.applicationVersion, "9.1");
    ASSERT_EQ(v9.tracks.size(), 112u);
    EXPECT_EQ(v9.tracks[0].name, "Life In Technicolor");
    EXPECT_EQ(v9.tracks[0].artist, "Coldplay");
    EXPECT_EQ(v9.tracks[0].album, "Viva la Vida");
    EXPECT_EQ(v9.tracks[0].totalTimeMs, 149080u);
    EXPECT_EQ(v9.tracks[0].year, 2008u);

    MusicLibrary v11 = loadMusicLibrary(kData + "/libraries/itunes-11.1-fixture.xml");
    EXPECT_EQ(v11.applicationVersion, "11.1.3");
    ASSERT_EQ(v11.tracks.size(), 162u);
    EXPECT_EQ(v11.tracks[0].artist, "The Aggrolites");
}

TEST(MusicLibrary, PlaysTheLibrariesOfLinuxPlayers) {
    struct Case {
        const char* file;
        std::size_t tracks;
        const char* artist; // of a track named title
        const char* title;
        uint32_t totalTimeMs;
    };
    const Case cases[] = {
        // One of its six songs' file is gone.
        {"strawberry/strawberry-1.0.14.db", 5, "Sigur Rós", "Glósóli", 200},
        {"beets/beets-1.6-import.db", 6, "Freddie Mercury", "The Show Must Go On", 200},
        {"beets/beets-old-schema.blb", 4, "Panda Bear", "Take Pills", 0},
        {"rhythmdb/rhythmdb-fixture.xml", 6, "Radiohead", "Paranoid Android", 383000},
        // A folder of tagged files: the tags give the track, TagLib its length.
        {"audio/generated", 6, "Sigur R\xc3\xb3s", "Gl\xc3\xb3s\xc3\xb3li", 0},
    };
    for (const Case& c : cases) {
        const MusicLibrary songs = loadMusicLibrary(kData + "/" + c.file);
        EXPECT_EQ(songs.tracks.size(), c.tracks) << c.file;
        const auto track = std::find_if(songs.tracks.begin(), songs.tracks.end(),
                                        [&](const LibraryTrack& t) { return t.name == c.title; });
        ASSERT_NE(track, songs.tracks.end()) << c.file;
        EXPECT_EQ(track->artist, c.artist) << c.file;
        if (c.totalTimeMs) {
            EXPECT_EQ(track->totalTimeMs, c.totalTimeMs) << c.file;
        }
    }
}

TEST(MusicLibrary, WithoutTheXmlLibraryALinuxPlayersIsPlayed) {
    const fs::path home = fs::temp_directory_path() / ("vx-player-home-" + std::to_string(::getpid()));
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("BEETSDIR");
    unsetenv("XDG_MUSIC_DIR");
    const std::string itunes = (home / "Music/iTunes/iTunes Music Library.xml").string();
    EXPECT_EQ(defaultLibraryPath(home.string()), itunes);
    // A music folder is played when it holds audio files and no player's library is found.
    const fs::path music = home / "Music";
    fs::create_directories(music);
    fs::copy_file(kData + "/audio/generated/Yesterday.flac", music / "Yesterday.flac");
    EXPECT_EQ(defaultLibraryPath(home.string()), music.string());
    const fs::path beets = home / ".config/beets/library.db";
    fs::create_directories(beets.parent_path());
    fs::copy_file(kData + "/beets/beets-test.blb", beets);
    EXPECT_EQ(defaultLibraryPath(home.string()), beets.string());
    fs::create_directories(fs::path(itunes).parent_path());
    std::ofstream(itunes) << library("");
    EXPECT_EQ(defaultLibraryPath(home.string()), itunes);
    fs::remove_all(home);
}

TEST(MusicLibrary, ALoaderOnItsOwnThreadGivesWhatAReadGives) {
    for (const char* name : {"itunes-9.1-fixture.xml", "itunes-11.1-fixture.xml"}) {
        const std::string path = kData + "/libraries/" + name;
        const MusicLibrary direct = loadMusicLibrary(path);
        LibraryLoader loader(path);
        EXPECT_EQ(loader.applicationVersion(), direct.applicationVersion) << name;
        const MusicLibrary taken = loader.take();
        ASSERT_EQ(taken.tracks.size(), direct.tracks.size()) << name;
        EXPECT_EQ(taken.tracks.back().name, direct.tracks.back().name) << name;
        EXPECT_EQ(taken.tracks.back().sizeInBytes, direct.tracks.back().sizeInBytes) << name;
    }
    // A version written after the tracks is still heard; a missing file is an empty library.
    const fs::path late = fs::temp_directory_path() / ("vx-late-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(late) << "<plist><dict><key>Tracks</key><dict>" + track("1", "One", "A", "X") +
                               "</dict><key>Application Version</key><string>11.1</string></dict></plist>";
    {
        LibraryLoader loader(late.string());
        EXPECT_EQ(loader.applicationVersion(), "11.1");
        EXPECT_EQ(loader.take().tracks.size(), 1u);
    }
    fs::remove(late);
    LibraryLoader missing("/nonexistent/library.xml");
    EXPECT_EQ(missing.applicationVersion(), "");
    EXPECT_TRUE(missing.take().tracks.empty());
}

TEST(MusicLibrary, KeepsWhatItCanOfMalformedFiles) {
    // The playlist section of this file has a key without a value; the tracks before it stay.
    MusicLibrary bad = loadMusicLibrary(kData + "/libraries/itunes-11.1-malformed-fixture.xml");
    ASSERT_EQ(bad.tracks.size(), 2u);
    EXPECT_EQ(bad.tracks[0].artist, "Royksopp");
    EXPECT_EQ(bad.tracks[1].album, "In Rainbows");

    // Cut off in the middle of a value: the values read whole stay, the cut one is left out.
    std::string whole = library(track("1", "One", "First", "A") + track("2", "Two", "Second", "B"));
    MusicLibrary cut = parseMusicLibrary(whole.substr(0, whole.find("Second") + 3));
    ASSERT_EQ(cut.tracks.size(), 2u);
    EXPECT_EQ(cut.tracks[0].artist, "First");
    EXPECT_EQ(cut.tracks[1].name, "Two");
    EXPECT_EQ(cut.tracks[1].artist, "");

    // A key whose value is missing does not swallow the next key's value.
    MusicLibrary gap = parseMusicLibrary(
        library("<key>1</key><dict><key>Name</key><key>Artist</key><string>Who</string></dict>"));
    ASSERT_EQ(gap.tracks.size(), 1u);
    EXPECT_EQ(gap.tracks[0].name, "");
    EXPECT_EQ(gap.tracks[0].artist, "Who");

    EXPECT_TRUE(loadMusicLibrary("/nonexistent/library.xml").tracks.empty());
    EXPECT_TRUE(parseMusicLibrary("").tracks.empty());
    EXPECT_TRUE(parseMusicLibrary("<plist><array><string>x</string></array></plist>").tracks.empty());
}

TEST(MusicLibrary, SurvivesHostileInput) {
    // Deep nesting stops the reader rather than the stack.
    std::string deep = "<plist>";
    for (int i = 0; i < 100000; ++i)
        deep += "<dict><key>k</key>";
    EXPECT_NO_THROW(parsePlist(deep));

    std::mt19937 rng(42);
    std::string alphabet = "<>/&;#x!?-[]CDATAkeydictstring \n\"0123456789";
    std::string base = library(track("1", "N", "A", "B"));
    for (int round = 0; round < 2000; ++round) {
        std::string s = base;
        for (int k = 0; k < 8; ++k) {
            size_t at = rng() % s.size();
            switch (rng() % 3) {
            case 0:
                s[at] = alphabet[rng() % alphabet.size()];
                break;
            case 1:
                s.erase(at, rng() % 12);
                break;
            default:
                s.insert(at, 1, static_cast<char>(rng() % 256));
                break;
            }
            if (s.empty()) s = "<";
        }
        MusicLibrary lib = parseMusicLibrary(s);
        EXPECT_LE(lib.tracks.size(), 2u);
        // Tokens cut across reads are read as the whole text reads them.
        ASSERT_EQ(dumpReadInPieces(s, rng), dump(parsePlist(s).get())) << s;
    }
}

// A FIFO in the library's place gives an empty library at once: the open would otherwise wait
// for a writer, and the player's quit with it.
TEST(MusicLibrary, AFifoInsteadOfTheFileIsRefusedAtOnce) {
    const std::string fifo =
        (fs::temp_directory_path() / ("vx-library-fifo-" + std::to_string(::getpid()))).string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto reading = std::async(std::launch::async, [&] { return loadMusicLibrary(fifo, LibraryReadHooks{}); });
    const bool prompt = reading.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!prompt) ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK)); // lets a waiting open go
    EXPECT_TRUE(prompt);
    EXPECT_TRUE(reading.get().tracks.empty());
    fs::remove(fifo);
}

TEST(PlistText, DecodesEntitiesAndLeavesUnknownOnesAlone) {
    EXPECT_EQ(decodeXmlText("a&amp;b&quot;&apos;&#65;&#x42;"), "a&b\"'AB");
    EXPECT_EQ(decodeXmlText("&bogus; & &#xZZ; &#"), "&bogus; & &#xZZ; &#");
    // Out-of-range and null references become the replacement character, not raw bytes.
    EXPECT_EQ(decodeXmlText("&#0;&#x110000;"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

class BundleFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vx-bundles-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    void write(const fs::path& rel, const std::string& text) {
        fs::create_directories((dir_ / rel).parent_path());
        std::ofstream(dir_ / rel) << text;
    }
    fs::path dir_;
};

TEST_F(BundleFolder, FindsBundlesSortedWithNamesAndExecutables) {
    write("Zed.bundle/Contents/Info.plist",
          "<plist><dict><key>CFBundleName</key><string>Zed Vis</string>"
          "<key>CFBundleShortVersionString</key><string>2.9</string>"
          "<key>CFBundleExecutable</key><string>ZedBin</string></dict></plist>");
    fs::create_directories(dir_ / "Alpha.bundle/Contents/MacOS");
    write("notes.txt", "not a bundle");
    fs::create_directories(dir_ / ".bundle");

    std::vector<BundleInfo> found = findBundles(dir_.string());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].folderName, "Alpha.bundle");
    EXPECT_EQ(found[0].name, "Alpha"); // no Info.plist: the folder's name
    EXPECT_EQ(found[0].version, "unknown");
    EXPECT_EQ(found[0].executable, (dir_ / "Alpha.bundle/Contents/MacOS/Alpha").string());
    EXPECT_EQ(found[1].name, "Zed Vis");
    EXPECT_EQ(found[1].version, "2.9");
    EXPECT_EQ(found[1].executable, (dir_ / "Zed.bundle/Contents/MacOS/ZedBin").string());

    EXPECT_TRUE(findBundles((dir_ / "missing").string()).empty());
}

TEST_F(BundleFolder, AnExecutableNameCannotLeaveTheBundle) {
    write("Evil.bundle/Contents/Info.plist",
          "<plist><dict><key>CFBundleExecutable</key><string>../../../x</string></dict></plist>");
    BundleInfo info = describeBundle((dir_ / "Evil.bundle").string());
    EXPECT_EQ(info.executable, (dir_ / "Evil.bundle/Contents/MacOS/Evil").string());
}

// The window asks whether the library has been read before it looks at the tracks, so that it
// shows at once while a large library is still being read.
TEST(PlayerSession, ADeferredLibraryIsReadOnlyOnceItIsReady) {
    HeadlessDialogs dialogs;
    PlayerSession session(SessionOptions{}, MusicLibrary{}, dialogs);
    bool ready = false;
    int reads = 0;
    session.deferLibrary(
        [&] {
            ++reads;
            MusicLibrary library;
            LibraryTrack track;
            track.artist = "Band";
            library.tracks.push_back(track);
            return library;
        },
        [&] { return ready; });
    EXPECT_FALSE(session.libraryLoaded());
    EXPECT_EQ(reads, 0);
    ready = true;
    EXPECT_TRUE(session.libraryLoaded());
    ASSERT_EQ(session.library().tracks.size(), 1u);
    EXPECT_EQ(session.library().tracks[0].artist, "Band");
    EXPECT_EQ(reads, 1);
}
