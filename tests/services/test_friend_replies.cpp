// The readers of the sharing service's replies: a friend's shared shows and the nearby users.
#include "plugin/services/friend_shows.h"
#include "plugin/services/friends_tie.h"
#include "plugin/services/nearby_users.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::unique_ptr<SHOWENTRY>> shows(const std::string& reply, const char* name = "ann") {
    std::vector<std::unique_ptr<SHOWENTRY>> out;
    readFriendShows(reply.c_str(), name, [&](std::unique_ptr<SHOWENTRY> s) { out.push_back(std::move(s)); });
    return out;
}

std::string event(const std::string& text) {
    return "<event>" + text + "\n</event>\n";
}

} // namespace

TEST(FriendShowsReply, NineFieldsFillTheShowAndNameTheFriend) {
    const auto read =
        shows("header " + event("2026@@07@@5@@1@@The Band@@Club@@Boston, MA@@http://t/1@@Opener, Two") +
              event("2027@@1@@02@@01@@Solo@@Hall@@Salem, MA@@http://t/2@@"));
    ASSERT_EQ(read.size(), 2u);
    const SHOWENTRY& a = *read[0];
    EXPECT_EQ(a.year, 2026);
    EXPECT_EQ(a.month, 7) << "decimal, so 07 is 7";
    EXPECT_EQ(a.day, 5);
    EXPECT_TRUE(a.ticketsAvailable);
    EXPECT_STREQ(a.artist, "The Band");
    EXPECT_STREQ(a.venue, "Club");
    EXPECT_STREQ(a.location, "Boston, MA");
    EXPECT_STREQ(a.url, "http://t/1");
    EXPECT_STREQ(a.otherArtists, "Opener, Two") << "without the line feed that ends the event";
    ASSERT_EQ(a.nameList->size(), 1u);
    EXPECT_STREQ(a.nameList->head->name, "ann");
    EXPECT_FALSE(read[1]->ticketsAvailable) << "only exactly 1 means tickets";
    EXPECT_STREQ(read[1]->otherArtists, "");
    EXPECT_FALSE(read[1]->selected);
}

TEST(FriendShowsReply, TicketsAndOtherArtistsAtTheirEdges) {
    SHOWENTRY s;
    ASSERT_TRUE(readFriendEvent("2026@@5@@1@@@@A@@V@@L@@U@@x", s));
    EXPECT_FALSE(s.ticketsAvailable) << "an empty field is no";
    EXPECT_STREQ(s.otherArtists, "") << "one character after the eighth separator is the last one";
    ASSERT_TRUE(readFriendEvent("2026@@5@@1@@1@@A@@V@@L@@U@@", s));
    EXPECT_STREQ(s.otherArtists, "");
    ASSERT_TRUE(readFriendEvent("2026@@5@@1@@1@@A@@V@@L@@U@@B@@C!", s));
    EXPECT_STREQ(s.otherArtists, "B@@C") << "the ninth field is the rest, separators and all";
}

TEST(FriendShowsReply, EventsThatCannotBePlacedAreSkippedAndTheRestRead) {
    const std::string good = event("2026@@5@@1@@0@@Kept@@V@@L@@U@@");
    const auto read = shows(event("2026@@5@@1@@0@@Short@@V@@L") + event("2026@@13@@1@@0@@Month@@V@@L@@U@@") +
                            event("x@@5@@1@@0@@Year@@V@@L@@U@@") + event("2026@@2@@30@@0@@Feb@@V@@L@@U@@") +
                            good + "<event>2026@@6@@2@@1@@Open@@V@@L@@U@@ab");
    ASSERT_EQ(read.size(), 2u);
    EXPECT_STREQ(read[0]->artist, "Kept");
    EXPECT_STREQ(read[1]->artist, "Open") << "an event without its end runs to the end of the reply";
    EXPECT_STREQ(read[1]->otherArtists, "a");
    EXPECT_TRUE(shows("no events here").empty());
    EXPECT_TRUE(shows("").empty());
}

TEST(FriendShowsReply, LongFieldsAreCutToTheirRecords) {
    const std::string artist(400, 'a'), others(6000, 'o');
    const auto read = shows(event("2026@@5@@1@@0@@" + artist + "@@V@@L@@U@@" + others));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(std::strlen(read[0]->artist), 255u);
    EXPECT_EQ(std::strlen(read[0]->otherArtists), 1023u);
    const std::string name(100, 'n');
    EXPECT_EQ(std::strlen(shows(event("2026@@5@@1@@0@@A@@V@@L@@U@@"), name.c_str())[0]->nameList->head->name),
              63u);
}

TEST(FriendShowsReply, RequestAndRefusal) {
    char url[1024];
    friendShowsRequestURL(url, sizeof url, "host:1", "Mary Ann Smith");
    EXPECT_STREQ(url, "http://host:1/sharing/sharing.php?TODO=DISPLAY_USER_SHOWS&USERNAME=Mary+Ann+Smith");
    friendShowsRequestURL(url, sizeof url, "host:1", "Zoë");
    EXPECT_STREQ(url, "http://host:1/sharing/sharing.php?TODO=DISPLAY_USER_SHOWS&USERNAME=Zo%C3%AB");
    EXPECT_TRUE(friendReplyRefused("<event>x</event> VoxtrailError: no such user"));
    EXPECT_FALSE(friendReplyRefused("No shared shows."));
}

TEST(NearbyUsersReply, OneRecordPerEntryEndWithItsOwnTags) {
    const auto users =
        readNearbyUsers("<entry><USERNAME>ann</USERNAME><FIRSTNAME>Ann</FIRSTNAME><LASTNAME>Lee</LASTNAME>"
                        "<CITY>Boston</CITY><STATE>MA</STATE></entry>\n"
                        "<entry><STATE>NY</STATE><CITY>New York</CITY><USERNAME>bob</USERNAME></entry>\n"
                        "<entry><USERNAME>cy</entry><FIRSTNAME>Late</FIRSTNAME>");
    ASSERT_EQ(users.size(), 3u);
    EXPECT_STREQ(users[0].username, "ann");
    EXPECT_STREQ(users[0].firstname, "Ann");
    EXPECT_STREQ(users[0].lastname, "Lee");
    EXPECT_STREQ(users[0].city, "Boston");
    EXPECT_STREQ(users[0].state, "MA");
    EXPECT_STREQ(users[1].username, "bob");
    EXPECT_STREQ(users[1].city, "New York");
    EXPECT_STREQ(users[1].firstname, "") << "a missing tag reads as empty";
    EXPECT_STREQ(users[2].username, "") << "a tag not closed inside its entry reads as empty";
    EXPECT_STREQ(users[2].firstname, "");
}

TEST(NearbyUsersReply, NoEntryEndNoUsersAndLongValuesCut) {
    EXPECT_TRUE(readNearbyUsers("<entry><USERNAME>ann</USERNAME>").empty());
    EXPECT_TRUE(readNearbyUsers("").empty());
    const auto users =
        readNearbyUsers(("<USERNAME>" + std::string(200, 'u') + "</USERNAME></entry>").c_str());
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(std::strlen(users[0].username), 63u);
}

TEST(NearbyUsersReply, TheRequestCarriesThePlaceWithPluses) {
    char url[1024];
    nearbyUsersRequestURL(url, sizeof url, "host:1", "New York", "NY");
    EXPECT_STREQ(url, "http://host:1/sharing/sharing.php?TODO=GETLOCALUSERS&CITY=New+York&STATE=NY");
}

// A friend's reply hands over at most as many shows as a list holds.
TEST(FriendShowsReply, OneReplyGivesAtMostAListsWorthOfShows) {
    std::string reply;
    for (uint32_t i = 0; i < SHOWLIST::kMostShows + 50; ++i)
        reply += event(std::to_string(2027 + i / 336) + "@@" + std::to_string(1 + (i / 28) % 12) + "@@" +
                       std::to_string(1 + i % 28) + "@@0@@Band@@Club@@Boston, MA@@http://t/1@@");
    EXPECT_EQ(shows(reply).size(), SHOWLIST::kMostShows);
}

// The friend list goes out in requests that each fit the exchange area: the first replaces the
// service's list, the next ones add to it, and every name arrives once, in order.
TEST(FriendsTieRequests, ManyFriendsSplitIntoRequestsThatFitWithNoNameLost) {
    std::vector<std::string> names;
    std::string sent, expected,
        head = "http://h/sharing/sharing.php?TODO=SET_FRIENDS&USERNAME=a+b&UUID=U&FRIENDS=";
    for (int i = 0; i < 40; ++i)
        expected += (i ? "@@" : "") + names.emplace_back(std::to_string(i) + std::string(60, 'x'));
    const auto requests = friendsTieRequests("h", "a b", "U", names);
    for (std::size_t i = 0; i < requests.size(); head.replace(34, 3, "ADD"), ++i) {
        EXPECT_LT(requests[i].size(), kFetchURLCapacity);
        ASSERT_EQ(requests[i].rfind(head, 0), 0u) << requests[i];
        sent += (i ? "@@" : "") + requests[i].substr(head.size());
    }
    EXPECT_TRUE(sent == expected && requests.size() > 2) << sent;
    EXPECT_EQ(friendsTieRequests("h", "a b", "U", {}), std::vector<std::string>{head.replace(34, 3, "SET")});
}
