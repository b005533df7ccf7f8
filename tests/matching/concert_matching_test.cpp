// From a source page to shows: which performers are library artists, and what each show holds.
#include "plugin/matching/concert_matching.h"

#include "common/fixed_text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

std::string line(const std::string& tag, const std::string& value) {
    return "<" + tag + ">" + value + "</" + tag + ">\n";
}

std::string event(const std::vector<std::string>& performers, const std::string& date = "5/6/2027",
                  const std::string& city = "Boston") {
    std::string text;
    for (const std::string& p : performers)
        text += line("artist", p);
    return text + line("event_date", date) + line("venue_name", "The Hall") +
           line("event_url", "http://e/1") + line("venue_city", city) + line("venue_state", "MA") +
           "</event>\n";
}

class SourcePage : public ::testing::Test {
  protected:
    XML_Artist_List library;
    SHOWLIST concerts;
    SHOWLIST previous;

    void SetUp() override {
        // The library stores cleaned names.
        for (const char* name : {"beatles", "kinks", "who"})
            library.add(new XMLARTIST(name));
    }
    int read(const std::string& page, bool tickets = false) {
        return readSourcePage(page, tickets, library, concerts, &previous, [] { return false; });
    }
    std::vector<std::string> artists() {
        std::vector<std::string> out;
        for (SHOWENTRY* e = concerts.head; e; e = e->next)
            out.push_back(e->artist);
        return out;
    }
};

TEST_F(SourcePage, OneLibraryArtistAmongOthers) {
    ASSERT_EQ(read(event({"Opener One", "The Kinks", "Opener Two"}), true), 0);
    ASSERT_EQ(concerts.size(), 1u);
    const SHOWENTRY* s = concerts.head;
    EXPECT_STREQ(s->artist, "The Kinks");
    EXPECT_STREQ(s->otherArtists, "Opener One, Opener Two");
    EXPECT_STREQ(s->venue, "The Hall");
    EXPECT_STREQ(s->url, "http://e/1");
    EXPECT_STREQ(s->location, "Boston, MA");
    EXPECT_EQ(s->month, 5);
    EXPECT_EQ(s->day, 6);
    EXPECT_EQ(s->year, 2027);
    EXPECT_TRUE(s->ticketsAvailable);
}

TEST_F(SourcePage, TwoLibraryArtistsEachNameTheOther) {
    ASSERT_EQ(read(event({"The Who", "Support", "Kinks"})), 0);
    ASSERT_EQ(artists(), (std::vector<std::string>{"The Who", "Kinks"}));
    EXPECT_STREQ(concerts.head->otherArtists, "Support, Kinks");
    EXPECT_STREQ(concerts.tail->otherArtists, "The Who, Support");
    EXPECT_FALSE(concerts.head->ticketsAvailable);
}

TEST_F(SourcePage, MatchingGoesByTheCleanedName) {
    ASSERT_EQ(read(event({"The Beatles"}) + event({"Strangers", "Nobody"}) + event({"BEATLES!"}, "5/7/2027")),
              0);
    EXPECT_EQ(artists(), (std::vector<std::string>{"The Beatles", "BEATLES!"}));
    // Nothing else on the bill: the default stays.
    EXPECT_STREQ(concerts.head->otherArtists, "");
}

TEST_F(SourcePage, AnEmptyCleanedNameNeverMatches) {
    library.add(new XMLARTIST(""));
    ASSERT_EQ(read(event({"!!!", "The", "&#38;"})), 0);
    EXPECT_EQ(concerts.size(), 0u);
}

TEST_F(SourcePage, OneArtistTwiceOnABillIsOneShow) {
    ASSERT_EQ(read(event({"The Beatles", "Guest", "Beatles"})), 0);
    ASSERT_EQ(concerts.size(), 1u);
    // The other spelling is the same artist, so it is not another act.
    EXPECT_STREQ(concerts.head->otherArtists, "Guest");
}

TEST_F(SourcePage, ShowsAreDatedAndCarryTheChoiceOver) {
    auto* chosen = new SHOWENTRY;
    vx::copyText(chosen->artist, "Beatles");
    chosen->month = 1;
    chosen->day = 2;
    chosen->year = 2030;
    chosen->selected = true;
    previous.addShow(chosen, nullptr);
    ASSERT_EQ(read(event({"The Beatles"}, "1/2/2030") + event({"Kinks"}, "12/31/2027") +
                   event({"Who"}, "not a date")),
              0);
    ASSERT_EQ(artists(), (std::vector<std::string>{"Kinks", "The Beatles"}));
    EXPECT_FALSE(concerts.head->selected);
    EXPECT_TRUE(concerts.tail->selected);
}

TEST_F(SourcePage, LongFieldsAreCut) {
    const std::string longName = "Who " + std::string(400, 'x');
    library.add(new XMLARTIST(("who" + std::string(251, 'x')).c_str()));
    std::vector<std::string> bill{longName};
    for (int i = 0; i < 30; ++i)
        bill.push_back("Act number " + std::to_string(i) + std::string(40, 'y'));
    ASSERT_EQ(read(event(bill, "5/6/2027", std::string(300, 'c'))), 0);
    ASSERT_EQ(concerts.size(), 1u);
    EXPECT_EQ(std::string(concerts.head->artist), longName.substr(0, 255));
    EXPECT_EQ(std::strlen(concerts.head->otherArtists), 1023u);
    EXPECT_EQ(std::string(concerts.head->location), std::string(255, 'c'));
}

TEST_F(SourcePage, AStopEndsTheReadingBeforeTheNextEvent) {
    int asked = 0;
    const int result = readSourcePage(event({"Kinks"}) + event({"Who"}), false, library, concerts, &previous,
                                      [&] { return ++asked > 1; });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(artists(), std::vector<std::string>{"Kinks"});
    // The library list is free again for another thread.
    bool free = false;
    std::thread([&] {
        free = library.mutex.try_lock();
        if (free) library.mutex.unlock();
    }).join();
    EXPECT_TRUE(free);
}

// A thread waiting for the library list while a long page is read has it at the end of the
// reader's run of events, not only when the page is done.
TEST_F(SourcePage, AWaitingThreadHasTheLibraryBetweenTwoRuns) {
    std::string page;
    for (int i = 0; i < 3000; ++i)
        page += event({"Stranger " + std::to_string(i)});
    std::atomic<int> events{0}, hadItAt{-1};
    std::atomic<bool> started{false};
    std::thread waiter;
    ASSERT_EQ(readSourcePage(page, false, library, concerts, &previous,
                             [&] {
                                 if (++events != 10) return false;
                                 waiter = std::thread([&] {
                                     started = true;
                                     std::lock_guard<ListMutex> held(library.mutex);
                                     hadItAt = events.load();
                                 });
                                 // Time for the waiter to block on the lock the reader holds.
                                 while (!started)
                                     std::this_thread::yield();
                                 std::this_thread::sleep_for(std::chrono::milliseconds(20));
                                 return false;
                             }),
              0);
    waiter.join();
    EXPECT_GT(hadItAt, 0);
    EXPECT_LE(hadItAt, 2 * 256 + 10);
}

} // namespace

// One reply cannot grow the list past its cap: the page is left once the list is full, and
// that is no failure of the search.
TEST_F(SourcePage, APageAddsShowsOnlyUpToTheListsCap) {
    std::string page;
    for (uint32_t i = 0; i < SHOWLIST::kMostShows + 50; ++i)
        page += event({"The Kinks"}, std::to_string(1 + (i / 28) % 12) + "/" + std::to_string(1 + i % 28) +
                                         "/" + std::to_string(2027 + i / 336));
    EXPECT_EQ(read(page), 0);
    EXPECT_EQ(concerts.size(), SHOWLIST::kMostShows);
}

// Where the library and the page both name an artist's id, the id decides; else the name does.
TEST(ArtistIds, DecideWhereBothSidesKnowThem) {
    const std::string sakamoto = "fbc1e1d8-e9a6-4e1f-a1d1-3b8f1e0c6a55",
                      nirvana = "5b11f4ce-a62d-471e-81fc-a69a8278c7da",
                      otherNirvana = "9282c8b4-ca0b-4c6b-b1d3-4e0bb4d2c6f2";
    XML_Artist_List library;
    library.add(new XMLARTIST("ryuichisakamoto", sakamoto));
    library.add(new XMLARTIST("nirvana", nirvana));
    library.add(new XMLARTIST("kinks", "not-an-id"));
    const std::vector<std::tuple<std::string, std::string, bool>> cases = {
        {"\xe5\x9d\x82\xe6\x9c\xac\xe9\xbe\x8d\xe4\xb8\x80", sakamoto, true}, // another name, the same id
        {"Nirvana", otherNirvana, false},                                     // the same name, another artist
        {"NIRVANA", "5B11F4CE-A62D-471E-81FC-A69A8278C7DA", true},            // ids compare without case
        {"Nirvana", "", true},                                                // no id on the page: the name
        {"Nirvana", "5b11f4ce", true},                                        // nor one that is no id
        {"The Kinks", otherNirvana, true}}; // no id in the library: the name
    std::string page;
    std::vector<std::string> expected, shown;
    int day = 0; // one a day, so no two merge
    for (const auto& [performer, id, wanted] : cases) {
        page += "<artist>" + performer + "</artist>" +
                (id.empty() ? "" : "<artist_mbid>" + id + "</artist_mbid>") + "\n" +
                event({}, "5/" + std::to_string(++day) + "/2027");
        if (wanted) expected.push_back(performer);
    }
    SHOWLIST concerts, previous;
    ASSERT_EQ(readSourcePage(page, false, library, concerts, &previous, [] { return false; }), 0);
    for (const SHOWENTRY* e = concerts.head; e; e = e->next)
        shown.push_back(e->artist);
    EXPECT_EQ(std::multiset<std::string>(shown.begin(), shown.end()),
              std::multiset<std::string>(expected.begin(), expected.end()));
}
