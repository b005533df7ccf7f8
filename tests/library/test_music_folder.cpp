// A folder of music files read as the library.
#include "plugin/library/library_reader.h"
#include "plugin/library/music_folder_scan.h"
#include "plugin/model/protected_data.h"
#include "tests/support/temp_home.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <utime.h>

using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

const std::string kAudio = std::string(VX_TEST_DATA) + "/audio/";

class MusicFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(music + "/Album");
        for (const char* name : {"full.mp3", "full.flac", "full.ogg", "full.m4a", "full.opus"})
            fs::copy_file(kAudio + name, music + "/Album/" + name);
        state.setVoxtrailPref((home.path() + "/VoxtrailPref").c_str());
        state.setiTunes_xml_path(music.c_str());
    }
    std::string notice() {
        char text[ProtectedData::libraryNoticeCapacity];
        state.getLibraryNotice(text);
        return text;
    }

    TempHome home;
    const std::string music = home.path() + "/Music";
    const std::string cache = home.path() + "/cache";
    ProtectedData state;
};

TEST_F(MusicFolder, ReadsEveryFormatsTagsAndCountsWhatItPassesOver) {
    const std::string mp3 = TempHome::read(kAudio + "full.mp3");
    TempHome::writeFile(music + "/Album/empty.flac", "");
    TempHome::writeFile(music + "/Album/cut.mp3", mp3.substr(0, 64));
    TempHome::writeFile(music + "/Album/notes.ogg", "not audio at all\n");
    TempHome::writeFile(music + "/Album/cover.jpg", "not an audio name: not counted");
    TempHome::writeFile(music + "/Album/Bj\xF6rk.mp3", mp3);
    ASSERT_EQ(::mkfifo((music + "/Album/pipe.mp3").c_str(), 0600), 0);
    fs::create_directory_symlink(music, music + "/Album/back-to-the-top");

    vx::MusicFolderScan scan;
    ASSERT_TRUE(scan.readFolder(music, cache, state));
    EXPECT_EQ(scan.tagsRead(), 7u);
    EXPECT_EQ(scan.broken(), 2u) << "the cut MP3 and the text";
    EXPECT_EQ(scan.skips().empty, 1u);
    EXPECT_EQ(scan.skips().notFiles, 1u);
    EXPECT_EQ(scan.skips().badNames, 1u);
    EXPECT_EQ(scan.skips().loops, 1u);
    EXPECT_THAT(scan.summary(), HasSubstr("5 songs read; 6 files passed over"));
    const vx::ArtistIds ids = scan.songs().ids();
    ASSERT_EQ(ids.count("artist"), 1u);
    EXPECT_EQ(ids.at("artist"), "7cf0ea9d-86b9-4dad-ba9e-2355a64899ea");
    EXPECT_EQ(ids.count("albumartist"), 0u) << "a track artist's id is not its album artist's";

    // A second start reads only what changed: one file touched, one gone.
    struct utimbuf later {
        1700000000, 1700000000
    };
    ASSERT_EQ(::utime((music + "/Album/full.ogg").c_str(), &later), 0);
    fs::remove(music + "/Album/full.flac");
    vx::MusicFolderScan again;
    ASSERT_TRUE(again.readFolder(music, cache, state));
    EXPECT_EQ(again.tagsRead(), 1u);
    EXPECT_EQ(again.broken(), 2u) << "broken files are remembered as broken";
    EXPECT_THAT(again.summary(), HasSubstr("4 songs read"));
}

TEST_F(MusicFolder, IsTheLibraryWhenThePathNamesIt) {
    XML_Artist_List artists;
    XML_Album_List albums;
    ASSERT_EQ(readLibrary(state, artists, albums), 0);
    EXPECT_TRUE(artists.contains("artist")) << "the artist";
    EXPECT_TRUE(artists.contains("albumartist")) << "the album artist";
    EXPECT_TRUE(albums.contains("album"));
    EXPECT_EQ(notice(), "Music folder " + music + ": 5 songs read");

    // A device or a FIFO is never opened: the artists read before stay.
    const std::string fifo = home.path() + "/library.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {std::string("/dev/zero"), fifo}) {
        state.setiTunes_xml_path(path.c_str());
        EXPECT_EQ(readLibrary(state, artists, albums), 1) << path;
        EXPECT_TRUE(artists.contains("artist")) << path;
        EXPECT_THAT(notice(), HasSubstr("Library not read (a device, pipe or socket")) << path;
    }
}

} // namespace
