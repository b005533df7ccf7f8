// The block walk over a library's lines against the plain line-by-line search, and the bounded
// line buffer.
#include "plugin/library/library_markers.h"
#include "plugin/library/line_markers.h"
#include "plugin/library/line_source.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <iterator>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

struct SeenLine {
    std::string text;
    std::uint32_t marks;
    std::vector<std::size_t> at;
    bool operator==(const SeenLine&) const = default;
};

void PrintTo(const SeenLine& l, std::ostream* os) {
    *os << "\"" << l.text << "\" marks " << l.marks;
}

SeenLine seen(const vx::LibraryLine& found) {
    SeenLine s{std::string(found.line), found.marks, {}};
    for (int m = 0; m < vx::kLibraryMarkers; ++m)
        if (found.has(static_cast<vx::LibraryMarker>(m))) s.at.push_back(found.at[m]);
    return s;
}

// Every line, split at "\n" and searched on its own.
std::vector<SeenLine> plainSearch(std::string_view text) {
    std::vector<SeenLine> out;
    for (;;) {
        const std::size_t feed = text.find('\n');
        out.push_back(seen(vx::findLibraryMarkers(vx::withoutCarriageReturn(text.substr(0, feed)))));
        if (feed == std::string_view::npos || feed + 1 == text.size()) return out;
        text.remove_prefix(feed + 1);
    }
}

// The walk this processor takes, or the one every x86-64 processor takes.
std::vector<SeenLine> blockWalk(std::string_view text, bool everyLine, bool narrow = false) {
    std::vector<SeenLine> out;
    vx::forEachLibraryLine(
        text, [&](const vx::LibraryLine& found) { out.push_back(seen(found)); }, [&] { return everyLine; },
        narrow);
    return out;
}

std::vector<SeenLine> withMarks(std::vector<SeenLine> lines) {
    std::erase_if(lines, [](const SeenLine& l) { return l.marks == 0; });
    return lines;
}

TEST(LibraryLines, TheBlockWalkFindsWhatTheLineSearchFindsAtEveryOffset) {
    const std::string lines[] = {
        "<key>Application Version</key><string>9.1</string>",
        "\t\t<dict>",
        "<key>Track ID</key><integer>12</integer><key>Artist</key><string>A</string></dict>",
        "<key>Album</key><string>B</string>\r",
        "<KEY>NAME</KEY><STRING>VoxTrail</STRING> <key>Genre</key><string>Rock</string>",
        "<key>Kind</key><string>x</string><key>Movie</key><true/><key>TV Show</key><true/>",
        "<key>Podcast</key><true/></dict><dict><<d</d</di<k<ke<key>",
        "<key>Name</key><string>no marker here</string>",
        "",
    };
    // Shift the same lines through every place relative to the walk's 64-byte steps, so that
    // markers and line ends fall on and across each boundary.
    for (std::size_t shift = 0; shift < 70; ++shift) {
        std::string text(shift, 'p');
        text += "\n";
        for (const std::string& l : lines)
            text += l + "\n";
        text += "<key>Artist</key><string>last line without end</string>";
        const auto plain = plainSearch(text);
        for (bool narrow : {false, true}) {
            EXPECT_EQ(blockWalk(text, true, narrow), plain) << "shift " << shift << " narrow " << narrow;
            EXPECT_EQ(blockWalk(text, false, narrow), withMarks(plain))
                << "shift " << shift << " narrow " << narrow;
        }
    }
}

// The reader asks for every line while it is inside its own playlist: here a line holding that
// marker turns the mode on and one holding "</dict>" turns it off, as the answer to each line.
std::vector<SeenLine> plainWithModes(std::string_view text) {
    std::vector<SeenLine> out;
    bool every = false;
    for (const SeenLine& l : plainSearch(text)) {
        if (l.marks || every) out.push_back(l);
        if (l.marks & (1u << vx::kOwnPlaylist)) every = true;
        if (l.marks & (1u << vx::kDictClose)) every = false;
    }
    return out;
}

std::vector<SeenLine> walkWithModes(std::string_view text, bool narrow) {
    std::vector<SeenLine> out;
    bool every = false;
    vx::forEachLibraryLine(
        text,
        [&](const vx::LibraryLine& found) {
            out.push_back(seen(found));
            if (found.has(vx::kOwnPlaylist)) every = true;
            if (found.has(vx::kDictClose)) every = false;
        },
        [&] { return every; }, narrow);
    return out;
}

TEST(LibraryLines, TheBlockWalkFollowsTheModeAsItChangesOnRandomText) {
    const char* pieces[] = {"<key>Artist</key><string>",
                            "<key>Album</key><string>",
                            "<key>Track ID</key><integer>",
                            "<key>Track Number</key><integer>",
                            "<key>Name</key><string>voxtrail</string>",
                            "<key>Name</key><string>Song</string>",
                            "<key>Genre</key><string>",
                            "<key>Kind</key><string>",
                            "<key>Movie</key><true/>",
                            "<key>TV Show</key><true/>",
                            "<key>Podcast</key><true/>",
                            "<key>Persistent ID</key>",
                            "<key>Application Version</key><string>",
                            "<dict>",
                            "</dict>",
                            "<date>",
                            "</date>",
                            "</string>",
                            "\t\t\t",
                            "x",
                            "<",
                            "\r",
                            "\n",
                            "\n",
                            "\n"};
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        const int count = static_cast<int>(random() % 400);
        for (int i = 0; i < count; ++i)
            text += pieces[random() % std::size(pieces)];
        const auto expected = plainWithModes(text);
        for (bool narrow : {false, true})
            ASSERT_EQ(walkWithModes(text, narrow), expected) << "round " << round << " narrow " << narrow;
    }
}

TEST(LibraryLines, ByteAndMarkerSearchesAgreeWithTheStringSearchAtEveryLengthAndPlace) {
    for (std::size_t length = 0; length < 50; ++length) {
        for (std::size_t at = 0; at <= length; ++at) {
            std::string text(length, 'a');
            if (at < length) text[at] = '<';
            if (at + 1 < length) text[length - 1] = '<'; // a later hit must not win
            ASSERT_EQ(vx::findByte(text, '<'), std::string_view(text).find('<')) << length << " " << at;
            const std::string withClose = text.substr(0, at) + "</string>" + text.substr(at);
            ASSERT_EQ(vx::findMarker(withClose, "</string>"), std::string_view(withClose).find("</string>"))
                << length << " " << at;
        }
    }
}

TEST(LibraryLines, TheBlockWalkAgreesOnRealLibraries) {
    for (const char* name :
         {"itunes-9.1-fixture.xml", "itunes-11.1-fixture.xml", "itunes-11.1-malformed-fixture.xml"}) {
        const std::string text = TempHome::read(std::string(VX_TEST_DATA) + "/libraries/" + name);
        ASSERT_FALSE(text.empty()) << name;
        const auto plain = plainSearch(text);
        for (bool narrow : {false, true}) {
            EXPECT_EQ(blockWalk(text, true, narrow), plain) << name;
            EXPECT_EQ(blockWalk(text, false, narrow), withMarks(plain)) << name;
        }
    }
}

TEST(LibraryLines, ALineLongerThanTheBufferIsCutAndTheNextLineReadWhole) {
    TempHome home;
    const std::string path = home.path() + "/long.txt";
    const std::size_t longest = vx::LineSource::kLongestLine;
    TempHome::writeFile(path, "first\n" + std::string(longest + 3 * vx::LineSource::kBlockBytes, 'x') +
                                  "\nafter\nend");
    vx::LineSource source(path.c_str());
    std::string_view line;
    ASSERT_TRUE(source.next(line));
    EXPECT_EQ(line, "first");
    ASSERT_TRUE(source.next(line));
    EXPECT_EQ(line.size(), longest);
    EXPECT_EQ(line.find_first_not_of('x'), std::string_view::npos);
    ASSERT_TRUE(source.next(line));
    EXPECT_EQ(line, "after");
    ASSERT_TRUE(source.next(line));
    EXPECT_EQ(line, "end");
    EXPECT_FALSE(source.next(line));
}

} // namespace
