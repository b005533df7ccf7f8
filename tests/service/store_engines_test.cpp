// The store on each engine (run once per engine): texts of every kind read back as written, two
// stores on one database (as two service processes) share one truth and one set of limits, a
// newer schema is refused, and a copy to the other end and back keeps every record.
#include "service/feed_store.h"
#include "service/schema_migrations.h"
#include "service/sharing_store.h"
#include "service/store_copy.h"
#include "tests/service/engine_choice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

namespace {

struct Side {
    vxs::ServiceDatabase db;
    std::unique_ptr<vxs::SharingStore> sharing;
    std::unique_ptr<vxs::FeedStore> feeds;
    Side(const std::string& target, const vxs::StoreLimits& limits) {
        std::string error;
        if (!db.open(target, &error)) throw std::runtime_error(error);
        sharing = std::make_unique<vxs::SharingStore>(db, limits);
        feeds = std::make_unique<vxs::FeedStore>(db, std::string(64, '7')); // one key, as one key file
    }
};

vxs::StoreLimits testLimits() {
    vxs::StoreLimits limits;
    limits.hashCost = 1; // no wait of the throttle ends within a test:
    limits.throttle.firstWait = std::chrono::minutes(10);
    return limits;
}

vxs::SharedShow show(int day, const std::string& artist) {
    vxs::SharedShow s;
    s.year = 2027, s.month = 5, s.day = day;
    s.artist = artist, s.venue = "Paradise", s.location = "Boston, MA", s.url = "http://x/" + artist;
    return s;
}

// Runs n calls of work(i) at once, half through each side.
template <typename Work> void atOnce(int n, Work work) {
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < n; ++i)
        threads.emplace_back([&, i] {
            ++ready;
            while (ready < n)
                std::this_thread::yield();
            work(i);
        });
    for (std::thread& t : threads)
        t.join();
}

} // namespace

TEST(StoreEngines, TextsOfEveryKindReadBackAsWritten) {
    Side s(vxtest::freshStoreTarget("texts"), testLimits());
    const std::vector<std::string> texts{"O'Brien \"Q\" `b` \\ ; -- DROP TABLE users", "李小龍 東京",
                                         "🎸🥁 Motörhead", "?1 $1 %s ' '' ", std::string(400, 'x')};
    ASSERT_EQ(s.sharing->registerUser({"Ann Lee", texts[1], texts[0], texts[2], texts[3]}, "U-1"),
              vxs::Registration::Created);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        vxs::SharedShow sh = show(static_cast<int>(i + 1), texts[i]);
        sh.venue = sh.location = sh.otherArtists = texts[(i + 1) % texts.size()];
        ASSERT_TRUE(s.sharing->addShow("ann lee", sh));
    }
    const auto users = s.sharing->users();
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0].username + users[0].firstName + users[0].lastName, "Ann Lee" + texts[1] + texts[0]);
    const auto shows = s.sharing->shows("ANN LEE");
    ASSERT_EQ(shows.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(shows[i].artist, texts[i]);
        EXPECT_EQ(shows[i].otherArtists, texts[(i + 1) % texts.size()]);
    }
    ASSERT_EQ(s.sharing->registerPhone("ann", "U-1", "pw"), vxs::Registration::Created);
    EXPECT_EQ(s.sharing->addPhoneArtists("ann", texts), static_cast<int>(texts.size()));
    auto sorted = texts;
    std::sort(sorted.begin(), sorted.end()); // by bytes on both engines
    EXPECT_EQ(s.sharing->phoneArtists("ann"), sorted);
    // NUL is refused by both, and nothing of the show is kept.
    try {
        s.sharing->addShow("ann lee", show(9, std::string("a\0b", 3)));
        ADD_FAILURE() << "a text with NUL was stored";
    } catch (const vxs::StoreError& e) {
        EXPECT_EQ(e.kind(), vxs::StoreError::Kind::Refused);
    }
    EXPECT_EQ(s.sharing->shows("ann lee").size(), texts.size());
}

TEST(StoreEngines, TwoStoresOnOneDatabaseShareAccountsShowsAndFeeds) {
    const std::string target = vxtest::freshStoreTarget("shared");
    Side a(target, testLimits()), b(target, testLimits());
    ASSERT_EQ(a.sharing->registerUser({"ann", "", "", "Boston", "MA"}, "U-1"), vxs::Registration::Created);
    EXPECT_TRUE(b.sharing->userExists("ANN"));
    EXPECT_EQ(b.sharing->registerUser({"Ann", "", "", "", ""}, "U-2"), vxs::Registration::Taken);
    const std::string token = a.feeds->token("ann", "U-1", false);
    ASSERT_FALSE(token.empty());
    EXPECT_EQ(b.feeds->token("ann", "U-1", false), token) << "the same address through either";
    const auto before = b.feeds->head(token);

    // The same show through both at the same moment is kept once.
    atOnce(8, [&](int i) { (i % 2 ? a : b).sharing->addShow("ann", show(3, "Wilco")); });
    EXPECT_EQ(a.sharing->shows("ann").size(), 1u);
    const auto after = a.feeds->head(token);
    ASSERT_TRUE(before && after && after->version > before->version);
    const auto feed = b.feeds->content(*after);
    ASSERT_EQ(feed.shows.size(), 1u);
    EXPECT_EQ(feed.shows[0].show.artist, "Wilco");
    b.sharing->deleteShow("ann", show(3, "Wilco"));
    EXPECT_TRUE(a.sharing->shows("ann").empty());
}

// Through another store on the database, as another service process would end it.
TEST(StoreEngines, EndingAnInstallationsSharingRemovesOnlyItsShowsAndFeeds) {
    const std::string target = vxtest::freshStoreTarget("ended");
    Side a(target, testLimits()), b(target, testLimits());
    std::map<std::string, std::string> tokens;
    for (const auto& [name, uuid] : {std::pair{"ann", "U-1"}, {"ann two", "U-1"}, {"bo", "U-2"}}) {
        a.sharing->registerUser({name, "Ann", "Lee", "Boston", "MA"}, uuid);
        a.sharing->addShow(name, show(3, "Wilco"));
        tokens[name] = a.feeds->token(name, uuid, false);
    }
    const auto kept = b.feeds->head(tokens["ann"]);
    b.feeds->keep("ann",
                  std::make_shared<vxs::RenderedFeed>(vxs::RenderedFeed{kept->version, "h", "x", "e"}));
    ASSERT_TRUE(a.sharing->setFriends("ann", "U-1", {"bo"}, true));
    a.sharing->registerPhone("ann", "U-1", "pw");
    ASSERT_EQ(b.sharing->tiedFriendShows("ann", 20270503, 10).size(), 1u) << "bo's show, for ann's phone";
    const vxs::EndedSharing ended = b.sharing->endSharing("U-1");
    EXPECT_EQ(ended.accounts * 10 + ended.shows, 22);
    EXPECT_TRUE(a.sharing->shows("ann two").empty());
    EXPECT_TRUE(b.sharing->tiedFriendShows("ann", 0, 10).empty()) << "the friend list went too";
    EXPECT_FALSE(a.feeds->head(tokens["ann two"])) << "the address answers 404";
    EXPECT_EQ(b.sharing->registerUser({"Ann", "", "", "", ""}, "U-2"), vxs::Registration::Taken);
    EXPECT_EQ(a.sharing->shows("bo").size(), 1u) << "another installation's shows stay";
    EXPECT_TRUE(a.feeds->head(tokens["bo"]));
    for (const vxs::SharingUser& u : a.sharing->users())
        EXPECT_EQ(u.city.empty(), u.username != "bo") << u.username << " is no longer near anyone";
    // Sharing again: a new address, and no feed kept from before is served for it.
    const auto fresh = b.feeds->head(a.feeds->token("ann", "U-1", false));
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(b.feeds->rendered("ann", fresh->version, "h"));
}

TEST(StoreEngines, AbuseLimitsHoldAcrossStores) {
    const std::string target = vxtest::freshStoreTarget("limits");
    vxs::StoreLimits limits = testLimits();
    limits.maxNewUsersPerAddressPerMinute = 4;
    limits.maxUsersPerInstallation = 3;
    limits.throttle.freeFailures = 2;
    Side a(target, limits), b(target, limits);
    auto store = [&](int i) -> vxs::SharingStore& { return *(i % 2 ? a : b).sharing; };

    // One client address, many installations, at once through both: four new accounts a minute.
    std::atomic<int> created{0};
    atOnce(10, [&](int i) {
        const std::string name = "flood" + std::to_string(i);
        if (store(i).registerUser({name, "", "", "", ""}, "U-" + name, "10.0.0.9") ==
            vxs::Registration::Created)
            ++created;
    });
    EXPECT_EQ(created, 4);
    // One installation from many addresses: three accounts of each kind.
    created = 0;
    atOnce(8, [&](int i) {
        const std::string name = "inst" + std::to_string(i), client = "10.1.0." + std::to_string(i);
        if (store(i).registerUser({name, "", "", "", ""}, "U-same", client) == vxs::Registration::Created)
            ++created;
        if (store(i).registerPhone(name, "U-same", "pw", client) == vxs::Registration::Created) ++created;
    });
    EXPECT_EQ(created, 6);
    // Wrong passwords counted through one store throttle the account in the other.
    EXPECT_EQ(a.sharing->phoneSignIn("inst0", "bad", "10.2.0.1"), vxs::SignIn::Refused);
    EXPECT_EQ(b.sharing->phoneSignIn("inst0", "bad", "10.2.0.2"), vxs::SignIn::Refused);
    EXPECT_EQ(a.sharing->phoneSignIn("inst0", "bad", "10.2.0.3"), vxs::SignIn::Refused);
    EXPECT_EQ(b.sharing->phoneSignIn("inst0", "pw", "10.2.0.4"), vxs::SignIn::Throttled);
}

TEST(StoreEngines, ANewerSchemaIsRefusedWithAClearReason) {
    const std::string target = vxtest::freshStoreTarget("schema");
    Side(target, testLimits())
        .db.run("INSERT INTO schema_version (version) VALUES (?1)", {vxs::knownSchemaVersion() + 1LL});
    vxs::ServiceDatabase again;
    std::string error;
    EXPECT_FALSE(again.open(target, &error));
    EXPECT_NE(error.find("newer than this service knows"), std::string::npos) << error;
}

TEST(StoreEngines, ACopyToTheOtherEndAndBackKeepsEveryRecord) {
    const std::string target = vxtest::freshStoreTarget("copy");
    const std::string other = vxtest::sqliteStoreTarget("copy-other");
    // Every row of every copied table, in one order whatever the engine.
    const auto snapshot = [](const std::string& where) {
        Side s(where, testLimits());
        std::vector<std::string> rows;
        for (const char* table :
             {"users", "shared_shows", "phone_users", "phone_artists", "feed_tokens", "sharing_friends"})
            for (const auto& row : s.db.run(std::string("SELECT * FROM ") + table).rows)
                rows.push_back(table + ("|" + testing::PrintToString(row.cells)));
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    {
        Side s(target, testLimits());
        for (const char* name : {"ann", "bo"}) {
            s.sharing->registerUser({name, "李", "O'B", "Boston", "MA"}, std::string("U-") + name);
            s.sharing->addShow(name, show(1, "🎸"));
            s.feeds->token(name, std::string("U-") + name, false);
        }
        vxs::SharedShow cancelled = show(2, "Wilco");
        cancelled.cancelled = true;
        s.sharing->addShow("ann", cancelled);
        s.sharing->registerPhone("ann", "U-ann", "pw");
        s.sharing->addPhoneArtists("ann", {"Low", "Beck"});
        s.sharing->setFriends("ann", "U-ann", {"bo", "cy"}, true);
    }
    const auto original = snapshot(target);
    std::string summary, error;
    ASSERT_TRUE(vxs::copyStore(target, other, &summary, &error)) << error;
    EXPECT_EQ(summary, "2 accounts, 3 shows, 1 phone accounts, 2 phone artists, 2 feed tokens, 0 starred "
                       "shows, 0 phone feed tokens, 2 friends followed");
    EXPECT_FALSE(vxs::copyStore(target, other, &summary, &error)) << "never into a store that holds records";
    EXPECT_NE(error.find("already holds"), std::string::npos) << error;
    const std::string back = vxtest::freshStoreTarget("copy-back");
    ASSERT_TRUE(vxs::copyStore(other, back, &summary, &error)) << error;
    EXPECT_EQ(snapshot(back), original);
}

// Stars keyed by the old ASCII-only form of their own artist take today's form; other keys stay.
TEST(StoreEngines, StarsOfOlderKeysTakeTodaysNameForm) {
    const std::string target = vxtest::freshStoreTarget("stars"), sakamoto = "\xe5\x9d\x82\xe6\x9c\xac";
    struct Star {
        std::string key, artist, after;
    } stars[] = {
        {"g0123456789abcdef-sigurrs", "Sigur R\xc3\xb3s", "g0123456789abcdef-sigurros"},
        {"00000000000000a1-", sakamoto, "00000000000000a1-" + sakamoto},
        {"00000000000000a2-queen", "The Queen", "00000000000000a2-queen"}, // today's form already
        {"00000000000000a3-motrheadlive", "Mot\xc3\xb6rhead", "00000000000000a3-motrheadlive"}, // cut
        {"00000000000000a4-sigurrs", "Sigur R\xc3\xb3s", "00000000000000a4-sigurrs"}, // new key taken
        {"00000000000000a4-sigurros", "Sigur Ros", "00000000000000a4-sigurros"}};
    {
        Side s(target, testLimits());
        for (const Star& star : stars)
            s.db.run("INSERT INTO phone_stars (username, show_key, year, month, day, tickets, artist, venue, "
                     "location, url, other_artists, uid, changed) VALUES ('ann', ?1, 2027, 5, 1, 0, ?2, 'V', "
                     "'Boston, MA', 'http://x', '', ?1, 0)",
                     {star.key, star.artist});
        s.db.run("DELETE FROM schema_version WHERE version = ?1",
                 {static_cast<long long>(vxs::knownSchemaVersion())});
    }
    Side again(target, testLimits()); // opening runs the missing step
    for (const Star& star : stars)
        EXPECT_EQ(
            again.db.run("SELECT show_key FROM phone_stars WHERE uid = ?1", {star.key}).rows.at(0).text(0),
            star.after);
}
