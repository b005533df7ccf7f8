// The song database of a Linux music player read as a library.
#include "plugin/library/library_kind.h"
#include "tests/library/library_root.h"
#include "tests/support/temp_home.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

template <typename L> std::vector<std::string> names(L& list) {
    std::vector<std::string> out;
    for (auto* r = list.head; r; r = r->next)
        out.emplace_back(r->name);
    return out;
}

class RhythmdbReader : public ::testing::Test {
  protected:
    void SetUp() override { root = std::make_unique<LibraryRoot>(); }
    void TearDown() override { root.reset(); }
    int read(const std::string& path) {
        root->state.setiTunes_xml_path(path.c_str());
        return root->parseXML();
    }
    int readBytes(const std::string& bytes) {
        const std::string path = home.path() + "/library.xml";
        TempHome::writeFile(path, bytes);
        return read(path);
    }
    std::vector<std::string> artists() { return names(root->artists); }
    std::vector<std::string> albums() { return names(root->albums); }

    TempHome home;
    std::unique_ptr<LibraryRoot> root;
};

const std::string kRoot = "<?xml version=\"1.0\" standalone=\"yes\"?>\n<rhythmdb version=\"2.0\">\n";

TEST_F(RhythmdbReader, ReadsSongsWithTheirAlbumArtistsAndPlays) {
    ASSERT_EQ(read(std::string(VX_TEST_DATA) + "/rhythmdb/rhythmdb-fixture.xml"), 0);
    // Podcasts, a radio station and an ignored file name no artist; a song without one is left out.
    EXPECT_THAT(artists(), ElementsAre("neworder", "ordernew", "queen", "radiohead", "sigurros"));
    EXPECT_THAT(albums(), ElementsAre("greatesthitsii", "okcomputerbsides", "powercorruptionlies", "takk"));
    EXPECT_EQ(root->artistPlays.plays("Sigur Rós"), 15u);
    EXPECT_EQ(root->artistPlays.plays("Queen"), 7u);
    EXPECT_EQ(root->artistPlays.plays("New Order"), 2u);
    EXPECT_EQ(root->artistPlays.plays("The Guardian"), 0u);
}

TEST_F(RhythmdbReader, AppliesTheIncludeAndExcludeFiles) {
    home.write("include.txt", "Mogwai\n");
    home.write("exclude.txt", "Radiohead\n");
    root->state.setVoxtrailIncludeBandsList((home.path() + "/include.txt").c_str());
    root->state.setVoxtrailExcludeBandsList((home.path() + "/exclude.txt").c_str());
    ASSERT_EQ(readBytes(kRoot + "<entry type=\"song\"><artist>Radiohead</artist></entry>"
                                "<entry type=\"song\"><artist>Various Artists</artist></entry>"
                                "<entry type=\"song\"><artist>Low</artist></entry></rhythmdb>"),
              0);
    EXPECT_THAT(artists(), ElementsAre("low", "mogwai"));
}

TEST_F(RhythmdbReader, TakesWhatIsWholeOfABrokenFile) {
    struct Case {
        const char* why;
        std::string body;
        std::vector<std::string> artists;
    };
    const std::vector<Case> cases = {
        {"cut inside the last entry",
         "<entry type=\"song\"><artist>Low</artist></entry><entry type=\"song\"><artist>Mog",
         {"low"}},
        {"an entry left open is not merged into the next",
         "<entry type=\"song\"><artist>Low</artist><entry type=\"iradio\"><artist>Fip</artist></entry>",
         {}},
        {"entities and a split CDATA",
         "<entry type='song'><artist>Bj&#246;rk &amp; <![CDATA[Friends]]]]>"
         "<![CDATA[>]]></artist></entry>",
         {"bjorkfriends"}},
        {"tags in a value, a comment with dashes",
         "<!-- -- --><entry type=\"song\"><artist><b>Tortoise</b></artist>"
         "</entry>",
         {"tortoise"}},
        {"a tag without an end",
         "<entry type=\"song\"><artist>Low</artist></entry><" + std::string(1 << 20, 'x'),
         {"low"}},
        {"a value far beyond the longest kept",
         "<entry type=\"song\"><artist>" + std::string(1 << 20, 'a') + "</artist></entry>",
         {std::string(255, 'a')}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(readBytes(kRoot + c.body), 0) << c.why;
        EXPECT_EQ(artists(), c.artists) << c.why;
    }
}

TEST(LibraryKind, IsToldByTheRootElementNotTheName) {
    using vx::LibraryKind;
    EXPECT_EQ(vx::libraryKindOfStart(kRoot), LibraryKind::rhythmdb);
    EXPECT_EQ(vx::libraryKindOfStart("\xEF\xBB\xBF<rhythmdb version=\"1.9\">"), LibraryKind::rhythmdb);
    EXPECT_EQ(vx::libraryKindOfStart("<?xml version=\"1.0\"?>\n<!DOCTYPE plist><plist version=\"1.0\">"
                                     "<dict><key>Name</key><string>&lt;rhythmdb</string>"),
              LibraryKind::plist);
    EXPECT_EQ(vx::libraryKindOfStart(""), LibraryKind::plist);
    EXPECT_EQ(vx::libraryKindOf("/nonexistent/rhythmdb.xml"), LibraryKind::plist);
}

} // namespace
