// Sharing and phone services: the account rules, the reply forms the plug-in
// reads, and the caps that keep the database bounded.
#include "service/ordered_query.h"
#include "service/sharing_replies.h"
#include "service/sharing_store.h"
#include "tests/service/reply_readers.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Splits a shared show's event text the way the friends' reader does.
std::vector<std::string> sharedFields(const std::string& eventText) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (int i = 0; i < 8; ++i) {
        std::size_t sep = eventText.find("@@", start);
        if (sep == std::string::npos) return fields;
        fields.push_back(eventText.substr(start, sep - start));
        start = sep + 2;
    }
    std::string rest = eventText.substr(start);
    fields.push_back(rest.empty() ? rest : rest.substr(0, rest.size() - 1));
    return fields;
}

std::vector<std::string> eventTexts(const std::string& reply) {
    std::vector<std::string> texts;
    std::size_t pos = 0;
    for (;;) {
        std::size_t open = reply.find("<event>", pos);
        if (open == std::string::npos) break;
        std::size_t close = reply.find("</event>", open);
        texts.push_back(
            reply.substr(open + 7, close == std::string::npos ? std::string::npos : close - open - 7));
        if (close == std::string::npos) break;
        pos = close;
    }
    return texts;
}

// Small caps to reach in a test, and the cheapest yescrypt cost so that hashing stays quick.
vxs::StoreLimits smallLimits() {
    vxs::StoreLimits limits;
    limits.maxUsersPerInstallation = 3;
    limits.maxShowsPerUser = 2;
    limits.maxPhoneArtistsPerUser = 5;
    limits.hashCost = 1;
    return limits;
}

class SharingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(db.open(":memory:", &error)) << error;
        store = std::make_unique<vxs::SharingStore>(db, smallLimits());
    }
    std::string sharing(const std::string& query) {
        return vxs::sharingReply("/sharing/sharing.php?" + query, *store).body;
    }
    int sharingStatus(const std::string& query) {
        return vxs::sharingReply("/sharing/sharing.php?" + query, *store).status;
    }
    std::string phone(const std::string& query) {
        return vxs::phoneReply("/iphone/exchange.php?" + query, *store).body;
    }

    vxs::ServiceDatabase db;
    std::unique_ptr<vxs::SharingStore> store;
};

const std::string kAlice =
    "TODO=INITIALIZE_USER&USERNAME=alice&UUID=U-1&CITY=Boston&STATE=MA&FIRSTNAME=Alice&LASTNAME=Ames";
const std::string kShow =
    "USERNAME=alice&UUID=U-1&YEAR=2027&MONTH=03&DAY=5&TICKETSAVAILABLE=1&ARTIST=Simon+&+Garfunkel"
    "&VENUE=The+Roxy&LOCATION=Boston,+MA&URL=http://h/e/1.html&OTHERARTISTS=Rosa+Vance,+Otis+Moss";

} // namespace

TEST_F(SharingTest, RegistrationTakesANameOncePerInstallation) {
    EXPECT_NE(sharing("TODO=USER_EXISTS&USERNAME=alice").find("Error"), std::string::npos);
    EXPECT_EQ(sharing(kAlice).find("Error"), std::string::npos);
    // Every update registers again from the same installation: still fine, and it updates the place.
    EXPECT_EQ(
        sharing("TODO=INITIALIZE_USER&USERNAME=alice&UUID=U-1&CITY=Cambridge&STATE=MA&FIRSTNAME=A&LASTNAME=B")
            .find("Error"),
        std::string::npos);
    EXPECT_NE(
        sharing("TODO=INITIALIZE_USER&USERNAME=ALICE&UUID=U-2&CITY=Boston&STATE=MA&FIRSTNAME=X&LASTNAME=Y")
            .find("Error"),
        std::string::npos);
    EXPECT_EQ(sharing("TODO=USER_EXISTS&USERNAME=Alice").find("Error"), std::string::npos);
    // A user whose name holds the marker is still found: success replies never echo names.
    EXPECT_EQ(sharing("TODO=INITIALIZE_USER&USERNAME=ErrorProne&UUID=U-3&CITY=&STATE=&FIRSTNAME=&LASTNAME=")
                  .find("Error"),
              std::string::npos);
    EXPECT_EQ(sharing("TODO=USER_EXISTS&USERNAME=ErrorProne").find("Error"), std::string::npos);
    // One installation registers at most three names; another installation still registers.
    for (const char* name : {"carl", "cara", "cleo"})
        EXPECT_EQ(sharing("TODO=INITIALIZE_USER&USERNAME=" + std::string(name) +
                          "&UUID=U-7&CITY=&STATE=&FIRSTNAME=&LASTNAME=")
                      .find("Error"),
                  std::string::npos);
    EXPECT_NE(sharing("TODO=INITIALIZE_USER&USERNAME=cody&UUID=U-7&CITY=&STATE=&FIRSTNAME=&LASTNAME=")
                  .find("Error"),
              std::string::npos);
    EXPECT_EQ(sharing("TODO=INITIALIZE_USER&USERNAME=dave&UUID=U-4&CITY=&STATE=&FIRSTNAME=&LASTNAME=")
                  .find("Error"),
              std::string::npos);
}

TEST_F(SharingTest, SharedShowsComeBackInTheFriendsReadersForm) {
    sharing(kAlice);
    EXPECT_EQ(sharing("TODO=ADD_SHOW&" + kShow).find("Error"), std::string::npos);
    // Sending it again (every update does) keeps one copy.
    sharing("TODO=ADD_SHOW&" + kShow);
    sharing(
        "TODO=ADD_SHOW&USERNAME=alice&UUID=U-1&YEAR=2027&MONTH=1&DAY=9&TICKETSAVAILABLE=0&ARTIST=Otis+Moss"
        "&VENUE=Club+Anchor&LOCATION=Lowell,+MA&URL=http://h/e/2.html&OTHERARTISTS=");
    std::string reply = sharing("TODO=DISPLAY_USER_SHOWS&USERNAME=alice");
    EXPECT_EQ(reply.find("VoxtrailError"), std::string::npos);
    std::vector<std::string> events = eventTexts(reply);
    ASSERT_EQ(events.size(), 2u);
    std::vector<std::string> first = sharedFields(events[0]), second = sharedFields(events[1]);
    ASSERT_EQ(first.size(), 9u);
    EXPECT_EQ(first[0], "2027");
    EXPECT_EQ(first[1], "1");
    EXPECT_EQ(first[3], "0");
    EXPECT_EQ(first[4], "Otis Moss");
    EXPECT_EQ(first[8], ""); // no other artists
    ASSERT_EQ(second.size(), 9u);
    EXPECT_EQ(second[1], "3");
    EXPECT_EQ(second[3], "1");
    EXPECT_EQ(second[4], "Simon & Garfunkel"); // "&" travels unescaped
    EXPECT_EQ(second[5], "The Roxy");
    EXPECT_EQ(second[6], "Boston, MA");
    EXPECT_EQ(second[7], "http://h/e/1.html");
    EXPECT_EQ(second[8], "Rosa Vance, Otis Moss");

    EXPECT_EQ(sharing("TODO=DELETE_SHOW&" + kShow).find("Error"), std::string::npos);
    EXPECT_EQ(eventTexts(sharing("TODO=DISPLAY_USER_SHOWS&USERNAME=alice")).size(), 1u);
    EXPECT_NE(sharing("TODO=DISPLAY_USER_SHOWS&USERNAME=nobody").find("VoxtrailError"), std::string::npos);
}

TEST_F(SharingTest, ShowsNeedTheOwnersInstallationAndStayUnderTheCap) {
    sharing(kAlice);
    std::string wrongUuid = kShow;
    wrongUuid.replace(wrongUuid.find("U-1"), 3, "U-9");
    EXPECT_NE(sharing("TODO=ADD_SHOW&" + wrongUuid).find("Error"), std::string::npos);
    EXPECT_NE(sharing("TODO=DELETE_SHOW&" + wrongUuid).find("Error"), std::string::npos);
    for (int day = 1; day <= 2; ++day)
        EXPECT_EQ(
            sharing("TODO=ADD_SHOW&USERNAME=alice&UUID=U-1&YEAR=2027&MONTH=2&DAY=" + std::to_string(day) +
                    "&TICKETSAVAILABLE=0&ARTIST=A&VENUE=V&LOCATION=L&URL=U&OTHERARTISTS=")
                .find("Error"),
            std::string::npos);
    EXPECT_NE(sharing("TODO=ADD_SHOW&" + kShow).find("Error"), std::string::npos);
    EXPECT_EQ(eventTexts(sharing("TODO=DISPLAY_USER_SHOWS&USERNAME=alice")).size(), 2u);
    // A show's texts are no longer than the plug-in keeps them, so an account's reply is bounded.
    for (const auto& [artist, others, status] :
         {std::tuple{std::string(255, 'a'), std::string(1023, 'o'), 200},
          {std::string(256, 'a'), "", 400},
          {"A", std::string(1024, 'o'), 400}})
        EXPECT_EQ(
            sharingStatus("TODO=ADD_SHOW&USERNAME=alice&UUID=U-1&YEAR=2027&MONTH=2&DAY=1&TICKETSAVAILABLE=0"
                          "&ARTIST=" +
                          artist + "&VENUE=V&LOCATION=L&URL=U&OTHERARTISTS=" + others),
            status);
}

TEST_F(SharingTest, MalformedRequestsAreRefusedWithAStatus) {
    EXPECT_EQ(sharingStatus("TODO=ADD_SHOW&USERNAME=alice&UUID=U-1&YEAR=2027"), 400);
    EXPECT_EQ(sharingStatus("TODO=ADD_SHOW&USERNAME=alice&UUID=U-1&YEAR=20x7&MONTH=1&DAY=1&TICKETSAVAILABLE=0"
                            "&ARTIST=A&VENUE=V&LOCATION=L&URL=U&OTHERARTISTS="),
              400);
    EXPECT_EQ(
        sharingStatus("TODO=ADD_SHOW&USERNAME=alice&UUID=U-1&YEAR=2027&MONTH=13&DAY=1&TICKETSAVAILABLE=0"
                      "&ARTIST=A&VENUE=V&LOCATION=L&URL=U&OTHERARTISTS="),
        400);
    EXPECT_EQ(sharingStatus("TODO=INITIALIZE_USER&USERNAME=&UUID=U&CITY=&STATE=&FIRSTNAME=&LASTNAME="), 400);
    EXPECT_EQ(sharingStatus("TODO=INITIALIZE_USER&USERNAME=" + std::string(64, 'n') +
                            "&UUID=U&CITY=&STATE=&FIRSTNAME=&LASTNAME="),
              400);
    EXPECT_EQ(sharingStatus("TODO=USER_EXISTS"), 400);
    EXPECT_EQ(sharingStatus("TODO=DROP_TABLES"), 400);
    EXPECT_EQ(sharingStatus("USERNAME=alice"), 400);
}

TEST_F(SharingTest, NearbyUsersShareTheCityAndRegionInAnyWriting) {
    sharing(kAlice);
    sharing("TODO=INITIALIZE_USER&USERNAME=bo&UUID=U-5&CITY=boston&STATE=Massachusetts&FIRSTNAME=Bo&LASTNAME="
            "Bell");
    sharing("TODO=INITIALIZE_USER&USERNAME=cy&UUID=U-6&CITY=Boston&STATE=Lincolnshire&FIRSTNAME=Cy&LASTNAME="
            "Cole");
    std::string reply = sharing("TODO=GETLOCALUSERS&CITY=Boston&STATE=MA");
    int entries = 0;
    std::size_t pos = 0;
    std::vector<std::string> names;
    for (std::size_t end; (end = reply.find("</entry>", pos)) != std::string::npos; pos = end + 8) {
        std::string entry = reply.substr(pos, end - pos), name;
        ASSERT_TRUE(textBetween(entry, "<USERNAME>", "</USERNAME>", &name));
        std::string first, last, city, state;
        EXPECT_TRUE(textBetween(entry, "<FIRSTNAME>", "</FIRSTNAME>", &first));
        EXPECT_TRUE(textBetween(entry, "<LASTNAME>", "</LASTNAME>", &last));
        EXPECT_TRUE(textBetween(entry, "<CITY>", "</CITY>", &city));
        EXPECT_TRUE(textBetween(entry, "<STATE>", "</STATE>", &state));
        names.push_back(name);
        ++entries;
    }
    EXPECT_EQ(entries, 2);
    EXPECT_EQ(names, (std::vector<std::string>{"alice", "bo"}));
    EXPECT_EQ(sharing("TODO=GETLOCALUSERS&CITY=Denver&STATE=CO").find("</entry>"), std::string::npos);
    EXPECT_TRUE(vxs::sameRegion("New York", "NY"));
    EXPECT_FALSE(vxs::sameRegion("", ""));
}

TEST_F(SharingTest, PhoneAccountsAndArtistUploads) {
    EXPECT_EQ(phone("TODO=INITIALIZE_USER&USERNAME=bob&UUID=U-1&PWD=secret").find("<ERROR>"),
              std::string::npos);
    EXPECT_NE(phone("TODO=INITIALIZE_USER&USERNAME=bob&UUID=U-2&PWD=guess").find("<ERROR>"),
              std::string::npos);
    // The owner on a new installation knows the password.
    EXPECT_EQ(phone("TODO=INITIALIZE_USER&USERNAME=bob&UUID=U-3&PWD=secret").find("<ERROR>"),
              std::string::npos);
    EXPECT_EQ(phone("TODO=ADD_ARTISTS&USERNAME=bob&PWD=secret&ARTISTS=Simon+and+Garfunkel@@ACDC@@@@Otis+Moss")
                  .find("<ERROR>"),
              std::string::npos);
    EXPECT_NE(phone("TODO=ADD_ARTISTS&USERNAME=bob&PWD=wrong&ARTISTS=Spam").find("<ERROR>"),
              std::string::npos);
    EXPECT_EQ(store->phoneArtists("bob"),
              (std::vector<std::string>{"ACDC", "Otis Moss", "Simon and Garfunkel"}));
    // Uploads repeat at every update and add nothing twice; the cap of five holds.
    phone("TODO=ADD_ARTISTS&USERNAME=bob&PWD=secret&ARTISTS=ACDC@@A1@@A2@@A3@@A4");
    EXPECT_EQ(store->phoneArtists("bob").size(), 5u);
    std::string list = phone("TODO=LIST_ARTISTS&USERNAME=bob&PWD=secret");
    EXPECT_NE(list.find("<artist>ACDC</artist>"), std::string::npos);
    EXPECT_EQ(vxs::phoneReply("/iphone/exchange.php?TODO=ADD_ARTISTS&USERNAME=bob", *store).status, 400);
}

TEST(OrderedQuery, ValuesMayHoldAmpersands) {
    std::map<std::string, std::string> v;
    std::string error;
    ASSERT_TRUE(
        vxs::parseOrderedQuery("/s?TODO=X&ARTIST=Earth,+Wind+&+Fire&VENUE=R&B+Hall&URL=http://h/p?a=1&b=2",
                               {"TODO", "ARTIST", "VENUE", "URL"}, {}, &v, &error))
        << error;
    EXPECT_EQ(v["ARTIST"], "Earth, Wind & Fire");
    EXPECT_EQ(v["VENUE"], "R&B Hall");
    EXPECT_EQ(v["URL"], "http://h/p?a=1&b=2");
    EXPECT_FALSE(
        vxs::parseOrderedQuery("/s?TODO=X&VENUE=R&ARTIST=A", {"TODO", "ARTIST", "VENUE"}, {}, &v, &error));
    EXPECT_FALSE(vxs::parseOrderedQuery("/s?ARTIST=A&TODO=X", {"TODO", "ARTIST"}, {}, &v, &error));
    EXPECT_TRUE(v.empty());
}

TEST_F(SharingTest, PhonePasswordsAreKeptOnlyAsSaltedHashes) {
    phone("TODO=INITIALIZE_USER&USERNAME=bob&UUID=U-1&PWD=secret");
    phone("TODO=INITIALIZE_USER&USERNAME=cy&UUID=U-2&PWD=secret");
    std::vector<std::string> stored;
    for (const vxs::SqlRow& row : db.run("SELECT password FROM phone_users ORDER BY username").rows)
        stored.push_back(row.text(0));
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].find("secret"), std::string::npos);
    EXPECT_NE(stored[0], stored[1]) << "the same password salted apart";
    EXPECT_TRUE(store->phonePasswordMatches("bob", "secret"));
    EXPECT_FALSE(store->phonePasswordMatches("bob", "Secret"));
    EXPECT_FALSE(store->phonePasswordMatches("bob", ""));

    // A database of an older service kept the password as typed: it is hashed on opening.
    db.run("UPDATE phone_users SET password = 'plain' WHERE username = 'cy'");
    store = std::make_unique<vxs::SharingStore>(db, smallLimits());
    EXPECT_NE(db.run("SELECT password FROM phone_users WHERE username = 'cy'").rows.at(0).text(0), "plain");
    EXPECT_TRUE(store->phonePasswordMatches("cy", "plain"));
}

TEST_F(SharingTest, EscapedValuesArriveAsTheUserTypedThem) {
    sharing("TODO=INITIALIZE_USER&USERNAME=AB+Fans&UUID=U-1&CITY=&STATE=&FIRSTNAME=&LASTNAME=");
    EXPECT_TRUE(store->ownsAccount("AB Fans", "U-1"));
    sharing("TODO=ADD_SHOW&USERNAME=AB+Fans&UUID=U-1&YEAR=2027&MONTH=3&DAY=5&TICKETSAVAILABLE=0"
            "&ARTIST=Florence+%2B+the+Machine&VENUE=100%25+Club&LOCATION=%23Boston&URL=u&OTHERARTISTS=Simon+%"
            "26+Garfunkel");
    const std::vector<vxs::SharedShow> shows = store->shows("AB Fans");
    ASSERT_EQ(shows.size(), 1u);
    EXPECT_EQ(shows[0].artist, "Florence + the Machine");
    EXPECT_EQ(shows[0].venue, "100% Club");
    EXPECT_EQ(shows[0].location, "#Boston");
    EXPECT_EQ(shows[0].otherArtists, "Simon & Garfunkel");
}

// Names as the plug-in sends them: the ones it accepts are kept as typed, the others refused.
TEST_F(SharingTest, PersonNamesFollowThePlugInsRule) {
    const std::string plugIn = "TODO=INITIALIZE_USER&USERNAME=zoe&UUID=U-9&CITY=Boston&STATE=MA&FIRSTNAME=";
    EXPECT_EQ(sharing(plugIn + "Zo%C3%AB+Jean-Luc&LASTNAME=O'Brien+%E6%9D%8E"), "Registered.\n");
    EXPECT_EQ(store->users().at(0).lastName, "O'Brien \xe6\x9d\x8e");
    for (const char* refused : {"Ann%40", "A%09B", "%F0%9F%98%80", "%FF"})
        EXPECT_EQ(sharingStatus(plugIn + "Ann&LASTNAME=" + refused), 400) << refused;
}
