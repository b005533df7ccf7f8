// The calendar feed: the owner's address, what the feed lists as shows change, the conditional
// answers calendar programs rely on, and tokens that name no feed.
#include "service/feed_replies.h"
#include "service/sharing_replies.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>

namespace {

struct FeedFixture : ::testing::Test {
    vxs::ServiceDatabase db;
    std::unique_ptr<vxs::SharingStore> sharing;
    std::unique_ptr<vxs::FeedStore> feeds;
    const std::string host = "127.0.0.1:8460";

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(db.open(":memory:", &error)) << error;
        sharing = std::make_unique<vxs::SharingStore>(db);
        feeds = std::make_unique<vxs::FeedStore>(db);
        sharing->registerUser({"ann", "Ann", "B", "Boston", "MA"}, "uuid-ann");
    }
    std::string sharingRequest(const std::string& query) {
        const std::string target = "/sharing/sharing.php?" + query;
        if (auto rotate = vxs::feedAddressRequest(target))
            return vxs::feedAddressReply(target, *rotate, *sharing, *feeds, host).body;
        return vxs::sharingReply(target, *sharing).body;
    }
    // The token of the address the owner is shown, with ".ics".
    std::string feedName(const char* todo = "FEED_URL") {
        const std::string reply = sharingRequest(std::string("TODO=") + todo + "&USERNAME=ann&UUID=uuid-ann");
        const std::string prefix = "<FEED>http://" + host + "/feed/";
        EXPECT_EQ(reply.rfind(prefix, 0), 0u) << reply;
        return reply.substr(prefix.size(), reply.find("</FEED>") - prefix.size());
    }
    void addShow(const std::string& day, const std::string& venue, const std::string& uid,
                 const std::string& status = "") {
        sharingRequest("TODO=ADD_SHOW&USERNAME=ann&UUID=uuid-ann&YEAR=2027&MONTH=3&DAY=" + day +
                       "&TICKETSAVAILABLE=0&ARTIST=AC/DC&VENUE=" + venue +
                       "&LOCATION=Boston,+MA&URL=x&OTHERARTISTS=" + (uid.empty() ? "" : "&UID=" + uid) +
                       (status.empty() ? "" : "&STATUS=" + status));
    }
};

TEST_F(FeedFixture, OwnerAddressStaysUntilRotatedAndFeedFollowsShowChanges) {
    EXPECT_NE(sharingRequest("TODO=FEED_URL&USERNAME=ann&UUID=someone-else").find("VoxtrailError"),
              std::string::npos);
    const std::string name = feedName();
    ASSERT_EQ(name.size(), 64u + 4u);
    EXPECT_EQ(feedName(), name);

    addShow("5", "Club+A", "show-1");
    addShow("6", "Hall", ""); // an older client sends no UID
    vxs::Reply first = vxs::feedReply(name, *feeds, host, "", "");
    ASSERT_EQ(first.status, 200);
    EXPECT_EQ(first.contentType, "text/calendar; charset=utf-8");
    EXPECT_NE(first.body.find("X-WR-CALNAME:Voxtrail: ann\r\nREFRESH-INTERVAL;VALUE=DURATION:PT6H\r\n"
                              "X-PUBLISHED-TTL:PT6H\r\n"),
              std::string::npos);
    EXPECT_NE(first.body.find("UID:show-1\r\nSEQUENCE:0\r\n"), std::string::npos);
    EXPECT_NE(first.body.find("LOCATION:Hall - (Boston\\, MA)\r\n"), std::string::npos);
    const std::string etag = first.headers.at(0).second;
    EXPECT_EQ(first.headers.at(1).first, "Last-Modified");
    EXPECT_EQ(vxs::feedReply(name, *feeds, host, etag, "").status, 304);
    // Two changes within a second date the feed a second ahead, so only a later date is current.
    EXPECT_EQ(vxs::feedReply(name, *feeds, host, "", "Fri, 01 Jan 2100 00:00:00 GMT").status, 304);

    // The same show moved to another venue keeps its UID and raises its sequence.
    addShow("5", "Club+B", "show-1");
    vxs::Reply moved = vxs::feedReply(name, *feeds, host, etag, "");
    ASSERT_EQ(moved.status, 200);
    EXPECT_NE(moved.headers.at(0).second, etag);
    EXPECT_NE(moved.body.find("UID:show-1\r\nSEQUENCE:1\r\n"), std::string::npos);
    EXPECT_EQ(moved.body.find("Club A"), std::string::npos);

    // Cancelled and then listed again: the same event each time, its sequence raised each time.
    addShow("5", "Club+B", "show-1", "CANCELLED");
    const std::string cancelled = vxs::feedReply(name, *feeds, host, "", "").body;
    EXPECT_NE(cancelled.find("UID:show-1\r\nSEQUENCE:2\r\n"), std::string::npos) << cancelled;
    EXPECT_NE(cancelled.find("STATUS:CANCELLED\r\n"), std::string::npos);
    addShow("5", "Club+B", "show-1");
    const std::string back = vxs::feedReply(name, *feeds, host, "", "").body;
    EXPECT_NE(back.find("UID:show-1\r\nSEQUENCE:3\r\n"), std::string::npos) << back;
    EXPECT_EQ(back.find("STATUS:CANCELLED"), std::string::npos);
    EXPECT_EQ(
        sharingRequest("TODO=ADD_SHOW&USERNAME=ann&UUID=uuid-ann&YEAR=2027&MONTH=3&DAY=5&TICKETSAVAILABLE=0"
                       "&ARTIST=AC/DC&VENUE=Hall&LOCATION=x&URL=x&OTHERARTISTS=&UID=u&STATUS=GONE"),
        "VoxtrailError: STATUS is CANCELLED or empty\n");

    sharingRequest("TODO=DELETE_SHOW&USERNAME=ann&UUID=uuid-ann&YEAR=2027&MONTH=3&DAY=6&TICKETSAVAILABLE=0"
                   "&ARTIST=AC/DC&VENUE=Hall&LOCATION=Boston,+MA&URL=x&OTHERARTISTS=");
    EXPECT_EQ(vxs::feedReply(name, *feeds, host, "", "").body.find("Hall"), std::string::npos);

    const std::string rotated = feedName("FEED_ROTATE");
    EXPECT_NE(rotated, name);
    EXPECT_EQ(vxs::feedReply(name, *feeds, host, "", "").status, 404);
    EXPECT_EQ(vxs::feedReply(rotated, *feeds, host, "", "").status, 200);
    EXPECT_EQ(vxs::feedTargetForLog("/feed/" + rotated), "/feed/*.ics");
}

// Calendar programs that send only If-Modified-Since must see a change made in the second of
// their last fetch; a weak tag names the feed as its strong form does.
TEST_F(FeedFixture, EveryChangeRaisesTheDateAndWeakTagsMatch) {
    const std::string name = feedName();
    auto header = [](const vxs::Reply& r, const std::string& key) {
        for (const auto& [k, v] : r.headers)
            if (k == key) return v;
        return std::string("none");
    };
    EXPECT_EQ(header(vxs::feedReply(name, *feeds, host, "", ""), "Last-Modified"), "none") << "never changed";
    for (int day = 1; day <= 5; ++day) {
        addShow("1", "Club+" + std::to_string(day), "");
        const vxs::Reply seen = vxs::feedReply(name, *feeds, host, "", "");
        addShow(std::to_string(day + 10), "Hall", ""); // within the same second, as a rule
        const vxs::Reply after = vxs::feedReply(name, *feeds, host, "", header(seen, "Last-Modified"));
        EXPECT_EQ(after.status, 200) << "change " << day << " unseen";
        const std::string etag = header(after, "ETag");
        for (const std::string& tag : {"W/" + etag, "\"x\", W/" + etag + " ", std::string("*")})
            EXPECT_EQ(vxs::feedReply(name, *feeds, host, tag, "").status, 304) << tag;
        EXPECT_EQ(vxs::feedReply(name, *feeds, host, "W/\"x\", \"y\"", "").status, 200);
    }
}

// The log never keeps a feed's token, however the path that carried it was written.
TEST_F(FeedFixture, TheLogBlanksATokenInAnyFormOfThePath) {
    const std::string token = feedName().substr(0, 64);
    std::string encoded;
    for (char c : token)
        encoded += "%" + std::string(1, "0123456789ABCDEF"[c / 16]) + "0123456789ABCDEF"[c % 16];
    for (const std::string& target :
         {"/%66eed/" + token + ".ics", "/x/../feed/" + token + ".ics", "/%2566eed/" + token + ".ics",
          "//feed//" + token + ".ics", "/./feed/" + token, "/FEED/" + token + ".ics",
          "/x/" + encoded + ".ics", "/clickthrough.php?target=" + token.substr(0, 40)}) {
        const std::string logged = vxs::feedTargetForLog(target);
        EXPECT_EQ(logged.find(token.substr(0, 32)), std::string::npos) << target;
    }
    EXPECT_EQ(vxs::feedTargetForLog("/%66eed/" + token + ".ics"), "/feed/*.ics");
    // Show UIDs and names stay as they came.
    const std::string plain =
        "/sharing/sharing.php?TODO=ADD_SHOW&ARTIST=%E6%9D%B1&UID=0A1B2C3D-4E5F-6789-ABCD";
    EXPECT_EQ(vxs::feedTargetForLog(plain), plain);
}

// A feed made from the one served before (only rows written since are read) is byte for byte the
// feed made from every row, whatever changed: added, moved, cancelled, deleted, rows of before.
TEST_F(FeedFixture, AFeedMadeFromTheLastServedIsTheFeedMadeAnew) {
    const std::string name = feedName();
    for (int day = 1; day <= 16; ++day)
        addShow(std::to_string(day), "Club", "show-" + std::to_string(day));
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"added", [&] { addShow("20", "Hall", "new-1"); }},
        {"moved", [&] { addShow("3", "Other+Club", "show-3"); }},
        {"cancelled", [&] { addShow("4", "Club", "show-4", "CANCELLED"); }},
        {"moved onto another copy's date", [&] { addShow("5", "Club", "show-6"); }},
        {"deleted",
         [&] {
             sharingRequest(
                 "TODO=DELETE_SHOW&USERNAME=ann&UUID=uuid-ann&YEAR=2027&MONTH=3&DAY=7"
                 "&TICKETSAVAILABLE=0&ARTIST=AC/DC&VENUE=Club&LOCATION=Boston,+MA&URL=x&OTHERARTISTS=");
         }},
        {"a row of before and a show added",
         [&] {
             db.engine().run("UPDATE shared_shows SET row_version = 0 WHERE uid = 'show-8'", {});
             addShow("21", "Hall", "new-2");
         }},
        {"nothing", [] {}},
    };
    std::string etag = vxs::feedReply(name, *feeds, host, "", "").headers.at(0).second;
    for (const auto& [what, change] : changes) {
        change();
        const vxs::Reply served = vxs::feedReply(name, *feeds, host, "", "");
        const std::optional<vxs::FeedHead> head = feeds->head(name.substr(0, 64));
        ASSERT_TRUE(head) << what;
        EXPECT_EQ(served.body, vxs::feedCalendar(feeds->content(*head), host)) << what;
        vxs::FeedStore otherProcess(db);
        EXPECT_EQ(vxs::feedReply(name, otherProcess, host, "", "").headers.at(0).second,
                  served.headers.at(0).second)
            << what << ": every process names a version alike";
        EXPECT_EQ(served.headers.at(0).second != etag, std::string(what) != "nothing") << what;
        etag = served.headers.at(0).second;
    }
}

TEST_F(FeedFixture, NamesThatAreNoTokenAnswer404) {
    const std::string good = feedName();
    const std::string token = good.substr(0, 64);
    for (const std::string& name :
         {std::string(), std::string(".ics"), token.substr(0, 31) + ".ics", token + "a.ics",
          token.substr(0, 33) + ".ics", std::string(10000, 'a') + ".ics", std::string(64, 'z') + ".ics",
          "../" + good, std::string("\0", 1) + good, token + std::string("\0.ics", 5), token, token + ".ICS"})
        EXPECT_EQ(vxs::feedReply(name, *feeds, host, "", "").status, 404) << name.size();
}

// The database file alone (nonces, token hashes, UUIDs) must not give a feed's address away; the
// key file gives the same address after a restart, and is made once, private.
TEST(FeedKey, TheAddressNeedsTheKeyFileAndTheDatabaseAloneDoesNotGiveIt) {
    namespace fs = std::filesystem;
    std::string folder = (fs::temp_directory_path() / "vx-feed-key-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(folder.data()));
    const std::string dbPath = folder + "/service.db", keyPath = folder + "/service.db.feed-key";
    std::string error;
    const std::optional<std::string> key = vxs::loadOrCreateFeedKey(keyPath, &error);
    ASSERT_TRUE(key) << error;
    EXPECT_EQ(vxs::loadOrCreateFeedKey(keyPath, &error), key);
    struct stat st {};
    ASSERT_EQ(::stat(keyPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    std::string token;
    {
        vxs::ServiceDatabase db;
        ASSERT_TRUE(db.open(dbPath, &error)) << error;
        vxs::SharingStore sharing(db);
        sharing.registerUser({"ann", "Ann", "B", "Boston", "MA"}, "uuid-ann");
        token = vxs::FeedStore(db, *key).token("ann", "uuid-ann", false);
        ASSERT_EQ(token.size(), 64u);
    }
    const std::string copy = folder + "/stolen.db";
    fs::copy_file(dbPath, copy);
    {
        vxs::ServiceDatabase db;
        ASSERT_TRUE(db.open(copy, &error)) << error;
        const vxs::SqlResult row =
            db.run("SELECT t.nonce, u.uuid FROM feed_tokens t JOIN users u USING (username)");
        ASSERT_EQ(row.rows.size(), 1u);
        const std::string nonce = row.rows[0].text(0), uuid = row.rows[0].text(1);
        EXPECT_NE(vxs::sha256Hex("voxtrail-feed\n" + nonce + "\n" + uuid), token);
        EXPECT_NE(vxs::feedToken("", nonce, uuid), token);
        std::ifstream raw(copy, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(raw)), std::istreambuf_iterator<char>());
        EXPECT_EQ(bytes.find(token), std::string::npos);
        EXPECT_EQ(bytes.find(*key), std::string::npos);
        // Under another key the stored token cannot be shown again: the owner gets a new one.
        EXPECT_NE(vxs::FeedStore(db, vxs::newFeedKey()).token("ann", "uuid-ann", false), token);
    }
    {
        vxs::ServiceDatabase db;
        ASSERT_TRUE(db.open(dbPath, &error)) << error;
        EXPECT_EQ(
            vxs::FeedStore(db, *vxs::loadOrCreateFeedKey(keyPath, &error)).token("ann", "uuid-ann", false),
            token);
    }
    std::ofstream(keyPath, std::ios::trunc) << "not a key\n";
    EXPECT_FALSE(vxs::loadOrCreateFeedKey(keyPath, &error));
    fs::remove_all(folder);
}

} // namespace
