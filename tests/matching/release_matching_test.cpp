// Album release pages read line by line and matched against the library's artists.
#include "common/fixed_text.h"
#include "plugin/matching/release_matching.h"
#include "plugin/model/show_list.h"
#include "plugin/net/release_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<ReleaseLine> lines(std::string_view page) {
    std::vector<ReleaseLine> out;
    readReleaseLines(page, [&](const ReleaseLine& l) {
        out.push_back(l);
        return true;
    });
    return out;
}

std::string line(const std::string& artist, const std::string& date = "2027-01-19",
                 const std::string& formats = "CD@@", const std::string& link = "B000000001") {
    return "<D>" + date + "</D><A>" + artist + "</A><T>Maps of Winter</T><F>" + formats + "</F><L>" + link +
           "</L>\n";
}

std::vector<std::string> labels(const SHOWENTRY* e) {
    std::vector<std::string> out;
    for (const FRIENDNAME* n = e->nameList->head; n; n = n->next)
        out.emplace_back(n->name);
    return out;
}

TEST(ReleasePageReader, FieldsInAnyOrderFirstOccurrenceCounts) {
    const auto read = lines("<A>Ruby Vance</A><L>B1</L><F>CD@@</F><T>T1</T><D>2027-01-19</D><A>Other</A>\n");
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].artist, "Ruby Vance");
    EXPECT_EQ(read[0].date, "2027-01-19");
    EXPECT_EQ(read[0].title, "T1");
    EXPECT_EQ(read[0].link, "B1");
}

TEST(ReleasePageReader, LinesMissingAFieldAreSkippedAndTheLastUnendedLineIsNotRead) {
    const std::string page = "<D>2027-01-19</D><A>A</A><T>T</T><F>CD@@</F>\n"         // no link
                             "<D>2027-01-19</D><A>A</A><T>T</T><F>CD@@<L>x</L>\n"     // formats unclosed
                             "</D><D>2027-01-19<A>A</A><T>T</T><F>CD@@</F><L>x</L>\n" // close before open
                             + line("Kept") + line("Unended").substr(0, line("Unended").size() - 1);
    const auto read = lines(page);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].artist, "Kept");
    EXPECT_TRUE(lines("").empty());
    EXPECT_TRUE(lines(std::string("\0\0\n\xff<D>\n", 7)).empty());
}

TEST(ReleasePageReader, TheWalkStopsAtTheFirstLineOverTheLimit) {
    std::string atLimit = line("At limit");
    atLimit.insert(0, kReleaseLineLimit + 1 - atLimit.size(), ' '); // 2,046 characters and the line feed
    std::string over = line("Over");
    over.insert(0, kReleaseLineLimit + 2 - over.size(), ' ');
    const std::string page = atLimit + over + line("After"); // the lines read are views into it
    const auto read = lines(page);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].artist, "At limit");
}

TEST(ReleasePageReader, FormatsEndWithTwoAts) {
    EXPECT_EQ(releaseFormats("CD@@Import@@"), (std::vector<std::string>{"CD", "Import"}));
    EXPECT_TRUE(releaseFormats("CD").empty());
    EXPECT_EQ(releaseFormats("CD@@Import"), std::vector<std::string>{"CD"});
    EXPECT_EQ(releaseFormats("@@CD@@@@"), std::vector<std::string>{"CD"});
    const auto cut = releaseFormats(std::string(100, 'x') + "@@");
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].size(), kReleaseFormatLimit);
}

TEST(ReleasePageReader, DatesReadAsThreeNumbersOfACalendarDay) {
    ReleaseDate d;
    ASSERT_TRUE(readReleaseDate("2027-01-19", d));
    EXPECT_EQ(d.year, 2027);
    EXPECT_EQ(d.month, 1);
    EXPECT_EQ(d.day, 19);
    ASSERT_TRUE(readReleaseDate(" 2027- 3-4 junk", d));
    EXPECT_EQ(d.day, 4);
    for (const char* bad : {"", "2027", "2027-01", "2027/01/19", "x-1-2", "2027-13-01", "2027-01-00",
                            "99999999999-1-1", "2027-1-99999999999", "2027--1-19"})
        EXPECT_FALSE(readReleaseDate(bad, d)) << bad;
}

class ReleaseMatching : public ::testing::Test {
  protected:
    void SetUp() override {
        // The library list holds names in cleaned form, as the library reader writes them.
        for (const char* name : {"Ruby Vance", "The Kinks", "R.E.M."})
            artists.add(new XMLARTIST(cleanedName(name).c_str()));
    }
    std::size_t add(const std::string& page, SHOWLIST* previous = nullptr) {
        return addLibraryReleases(page, "h:1", concertSearchPlace("  new   YORK ", "New York", 0), artists,
                                  releases, previous);
    }
    XML_Artist_List artists;
    SHOWLIST releases;
};

TEST_F(ReleaseMatching, OnlyLibraryArtistsMatchInAnyWrittenForm) {
    EXPECT_EQ(add(line("RUBY VANCE") + line("kinks") + line("rem", "2027-02-02") + line("Stranger") +
                  line("") + line("Ruby Vance", "not a date")),
              3u);
    ASSERT_EQ(releases.size(), 3u);
    const SHOWENTRY* first = releases.head;
    EXPECT_STREQ(first->artist, "RUBY VANCE");
    EXPECT_STREQ(first->venue, "Maps of Winter");
    EXPECT_EQ(first->year, 2027);
    EXPECT_STREQ(first->location, "-");
    EXPECT_STREQ(first->url,
                 "http://h:1/CDReleases/cdreleaseclickthrough.php?ASIN=B000000001&CITY=New+York&STATE=NY");
    EXPECT_STREQ(releases.tail->artist, "rem");
}

TEST_F(ReleaseMatching, TheSameReleaseTwiceIsOneRecordWithTheFormatsOfBoth) {
    add(line("Ruby Vance", "2027-01-19", "CD@@Import@@", "FIRST"));
    add(line("ruby-vance", "2027-01-19", "cd@@Live@@", "SECOND"));
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_NE(std::string(releases.head->url).find("ASIN=FIRST"), std::string::npos);
    EXPECT_EQ(labels(releases.head), (std::vector<std::string>{"CD", "Import", "Live"}));
}

TEST_F(ReleaseMatching, AChosenReleaseOfTheSearchBeforeStaysChosen) {
    SHOWLIST before;
    auto* chosen = new SHOWENTRY;
    vx::copyText(chosen->artist, "Kinks");
    chosen->year = 2027;
    chosen->month = 1;
    chosen->day = 19;
    chosen->selected = true;
    before.addShow(chosen, nullptr);
    add(line("The Kinks") + line("The Kinks", "2027-01-26"), &before);
    ASSERT_EQ(releases.size(), 2u);
    EXPECT_TRUE(releases.head->selected);
    EXPECT_FALSE(releases.tail->selected);
}

TEST_F(ReleaseMatching, LongFieldsAreCutToTheirRecords) {
    const std::string longText(600, 'y');
    add("<D>2027-01-19</D><A>Ruby Vance" + longText + "</A><T>" + longText + "</T><F>CD@@</F><L>" + longText +
        "</L>\n");
    EXPECT_EQ(releases.size(), 0u); // the cut name is no library artist
    artists.add(new XMLARTIST(cleanedName(("Ruby Vance" + longText).c_str()).c_str()));
    add("<D>2027-01-19</D><A>Ruby Vance" + longText + "</A><T>" + longText + "</T><F>CD@@</F><L>" + longText +
        "</L>\n");
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(std::string(releases.head->artist).size(), 255u);
    EXPECT_EQ(std::string(releases.head->venue).size(), 255u);
    // The link id is cut to 127 characters within the link.
    EXPECT_NE(std::string(releases.head->url).find("ASIN=" + std::string(127, 'y') + "&CITY="),
              std::string::npos);
}

} // namespace
