// Accounts under attack: names and passwords the plug-in would never send, registration floods,
// password guessing, and what a stolen database gives away.
#include "service/password_hash.h"
#include "service/sharing_replies.h"
#include "service/sharing_store.h"

#include <gtest/gtest.h>

#include <crypt.h>

namespace {

class AccountTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(db.open(":memory:", &error)) << error;
        limits.hashCost = 1;
        limits.throttle.firstWait = std::chrono::minutes(10); // no wait ends within a test
        reopen();
    }
    void reopen() { store = std::make_unique<vxs::SharingStore>(db, limits); }
    std::string sharing(const std::string& query, const std::string& client = "10.0.0.1") {
        return vxs::sharingReply("/sharing/sharing.php?" + query, *store, client).body;
    }
    std::string phone(const std::string& query, const std::string& client = "10.0.0.1") {
        return vxs::phoneReply("/iphone/exchange.php?" + query, *store, client).body;
    }
    std::string storedPassword(const std::string& name) {
        const vxs::SqlResult found = db.run("SELECT password FROM phone_users WHERE username = ?1", {name});
        return found.rows.empty() ? "(none)" : found.rows[0].text(0);
    }

    vxs::StoreLimits limits;
    vxs::ServiceDatabase db;
    std::unique_ptr<vxs::SharingStore> store;
};

bool refused(const std::string& reply) {
    return reply.find("Error") != std::string::npos || reply.find("ERROR") != std::string::npos;
}

} // namespace

TEST_F(AccountTest, NamesAndPasswordsFollowThePluginsRules) {
    const std::string rest = "&CITY=&STATE=&FIRSTNAME=&LASTNAME=";
    ASSERT_FALSE(refused(sharing("TODO=INITIALIZE_USER&USERNAME=alice&UUID=U-1" + rest)));
    // A trailing or leading blank is the same account, taken by its installation.
    EXPECT_TRUE(refused(sharing("TODO=INITIALIZE_USER&USERNAME=alice+&UUID=U-2" + rest)));
    EXPECT_FALSE(refused(sharing("TODO=INITIALIZE_USER&USERNAME=+alice&UUID=U-1" + rest)));
    for (const char* bad : {"alice%09", "alice%00", "alice%00x", "a%3Cb", "+++", ""})
        EXPECT_TRUE(
            refused(sharing("TODO=INITIALIZE_USER&USERNAME=" + std::string(bad) + "&UUID=U-3" + rest)))
            << bad;
    EXPECT_EQ(store->users().size(), 1u);

    ASSERT_FALSE(refused(phone("TODO=INITIALIZE_USER&USERNAME=nia&UUID=U-1&PWD=s3cret")));
    // A NUL would cut the password short; control bytes and an empty password are refused.
    EXPECT_TRUE(refused(phone("TODO=ADD_ARTISTS&USERNAME=nia&PWD=s3cret%00junk&ARTISTS=A")));
    EXPECT_FALSE(refused(phone("TODO=ADD_ARTISTS&USERNAME=nia+&PWD=s3cret&ARTISTS=A")));
    for (const char* bad : {"%00", "", "pw%0A", "pw%7F"})
        EXPECT_TRUE(refused(phone("TODO=INITIALIZE_USER&USERNAME=cy&UUID=U-2&PWD=" + std::string(bad))))
            << bad;
    EXPECT_EQ(storedPassword("cy"), "(none)");
}

TEST_F(AccountTest, ARegistrationFloodIsBoundedPerAddressAndOthersStillRegister) {
    int created = 0;
    for (int i = 0; i < 10000; ++i)
        created += !refused(sharing("TODO=INITIALIZE_USER&USERNAME=flood" + std::to_string(i) + "&UUID=F-" +
                                    std::to_string(i) + "&CITY=&STATE=&FIRSTNAME=&LASTNAME="));
    EXPECT_EQ(created, limits.maxNewUsersPerAddressPerMinute);
    EXPECT_TRUE(refused(phone("TODO=INITIALIZE_USER&USERNAME=flood&UUID=F-1&PWD=pw")));
    // Users elsewhere are not locked out, and those already registered carry on.
    EXPECT_FALSE(refused(sharing(
        "TODO=INITIALIZE_USER&USERNAME=newcomer&UUID=N-1&CITY=&STATE=&FIRSTNAME=&LASTNAME=", "10.9.9.9")));
    EXPECT_FALSE(refused(phone("TODO=INITIALIZE_USER&USERNAME=newcomer&UUID=N-1&PWD=pw", "10.9.9.9")));
    EXPECT_FALSE(
        refused(sharing("TODO=INITIALIZE_USER&USERNAME=flood0&UUID=F-0&CITY=B&STATE=&FIRSTNAME=&LASTNAME=")));
}

TEST_F(AccountTest, GuessingIsSlowedPerAccountAndPerAddressWithoutHashing) {
    phone("TODO=INITIALIZE_USER&USERNAME=bob&UUID=U-1&PWD=right", "10.1.1.1");
    phone("TODO=INITIALIZE_USER&USERNAME=cy&UUID=U-2&PWD=right", "10.1.1.1");
    const std::string guess = "TODO=ADD_ARTISTS&USERNAME=bob&PWD=guess&ARTISTS=A";
    for (int i = 0; i <= limits.throttle.freeFailures; ++i)
        EXPECT_NE(phone(guess, "6.6.6.6").find("Wrong user name or password"), std::string::npos) << i;
    const std::size_t hashes = vxs::passwordHashesComputed();
    EXPECT_NE(phone(guess, "6.6.6.6").find("Too many"), std::string::npos);
    // The account waits, whoever asks; the guessing address waits, whichever account it tries.
    EXPECT_NE(phone("TODO=ADD_ARTISTS&USERNAME=bob&PWD=right&ARTISTS=A", "10.1.1.1").find("Too many"),
              std::string::npos);
    EXPECT_NE(phone("TODO=ADD_ARTISTS&USERNAME=cy&PWD=right&ARTISTS=A", "6.6.6.6").find("Too many"),
              std::string::npos);
    EXPECT_EQ(vxs::passwordHashesComputed(), hashes) << "a refused try costs no hash";
    EXPECT_FALSE(refused(phone("TODO=ADD_ARTISTS&USERNAME=cy&PWD=right&ARTISTS=A", "10.1.1.1")));
}

TEST_F(AccountTest, EveryCheckCostsOneHashAndAVerifiedPasswordIsRemembered) {
    phone("TODO=INITIALIZE_USER&USERNAME=bob&UUID=U-1&PWD=right");
    auto hashesFor = [&](const std::string& name, const std::string& password) {
        const std::size_t before = vxs::passwordHashesComputed();
        store->phoneSignIn(name, password, "10.2.2.2");
        return vxs::passwordHashesComputed() - before;
    };
    // A name without an account costs what a wrong password costs: the name's existence stays hidden.
    EXPECT_EQ(hashesFor("nobody", "right"), 1u);
    EXPECT_EQ(hashesFor("bob", "wrong"), 1u);
    EXPECT_EQ(hashesFor("bob", "right"), 0u) << "verified at registration";
    // The same installation sets a new password: the remembered one no longer opens the account.
    phone("TODO=INITIALIZE_USER&USERNAME=bob&UUID=U-1&PWD=other");
    EXPECT_FALSE(store->phonePasswordMatches("bob", "right"));
    EXPECT_TRUE(store->phonePasswordMatches("bob", "other"));
    EXPECT_EQ(hashesFor("BOB", "other"), 0u);
    EXPECT_EQ(storedPassword("bob").rfind("$y$", 0), 0u);
}

TEST_F(AccountTest, OlderHashesAreReplacedAndAnEmptyOneNeverOpens) {
    phone("TODO=INITIALIZE_USER&USERNAME=old&UUID=U-1&PWD=pw");
    phone("TODO=INITIALIZE_USER&USERNAME=blank&UUID=U-2&PWD=pw");
    // As an older service stored them: SHA-512 crypt, and the empty text of a failed hash.
    const std::string sha512 = crypt("pw", "$6$saltsalt$");
    db.run("UPDATE phone_users SET password = ?1 WHERE username = 'old'", {sha512});
    db.run("UPDATE phone_users SET password = '' WHERE username = 'blank'");
    reopen();
    EXPECT_EQ(storedPassword("blank"), "");
    EXPECT_FALSE(store->phonePasswordMatches("blank", ""));
    EXPECT_FALSE(store->phonePasswordMatches("old", "wrong"));
    EXPECT_EQ(storedPassword("old"), sha512);
    EXPECT_TRUE(store->phonePasswordMatches("old", "pw"));
    EXPECT_EQ(storedPassword("old").rfind("$y$", 0), 0u);
    EXPECT_TRUE(store->phonePasswordMatches("old", "pw"));
}
