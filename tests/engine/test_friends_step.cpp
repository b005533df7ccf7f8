// The friends step against a loopback sharing service: every friend asked in order, one show
// per date and artist with all the friends who go, refusals skipped, failures and stops ending
// the step with the shows found so far.
#include "plugin/services/nearby_users.h"
#include "tests/engine/served_root.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kShows = "/sharing/sharing.php?TODO=DISPLAY_USER_SHOWS&USERNAME=";

std::string event(const std::string& fields) {
    return "<event>" + fields + "\n</event>\n";
}

class FriendsStep : public ServedRoot {
  protected:
    void addFriends(std::initializer_list<const char*> names) {
        for (const char* n : names)
            root->friends->add(new FRIENDNAME(n));
    }
    std::vector<std::string> listed() {
        std::vector<std::string> out;
        for (SHOWENTRY* e = root->friendShows->head; e; e = e->next) {
            std::string line =
                std::to_string(e->month) + "/" + std::to_string(e->day) + " " + e->artist + ":";
            for (FRIENDNAME* n = e->nameList->head; n; n = n->next)
                line += std::string(" ") + n->name;
            out.push_back(line);
        }
        return out;
    }
};

} // namespace

TEST_F(FriendsStep, SharedShowsAreListedOncePerDateAndArtistWithEveryFriendsName) {
    addFriends({"ann", "bob lee", "ghost", "cy"});
    answer(kShows + "ann", event("2026@@6@@2@@1@@The Band@@Club@@Boston, MA@@u1@@") +
                               event("2026@@5@@30@@0@@Solo@@Hall@@Salem, MA@@u2@@"));
    answer(kShows + "bob+lee", event("2026@@06@@02@@0@@Band@@Club@@Boston, MA@@u1@@Opener!"));
    answer(kShows + "ghost", "VoxtrailError: no such user\n" + event("2026@@1@@1@@0@@Never@@V@@L@@U@@"));
    answer(kShows + "cy", "No shared shows.\n");
    std::vector<double> progress;
    onRequest([&](const std::string&) { progress.push_back(root->state.getUpdatingProgress()); });

    EXPECT_EQ(root->engine.UpdateFriends(), 0);
    EXPECT_EQ(listed(), (std::vector<std::string>{"5/30 Solo: ann", "6/2 The Band: ann bob lee"}));
    EXPECT_EQ(requests(), (std::vector<std::string>{kShows + "ann", kShows + "bob+lee", kShows + "ghost",
                                                    kShows + "cy"}));
    EXPECT_EQ(progress, (std::vector<double>{25.0, 50.0, 75.0, 100.0})) << "added before each request";
    EXPECT_FALSE(root->state.getUpdatingFriends());
    EXPECT_TRUE(webLockFree());
}

TEST_F(FriendsStep, EachStepStartsAfreshAndCarriesTheChoicesOver) {
    addFriends({"ann"});
    answer(kShows + "ann", event("2026@@6@@2@@1@@The Band@@Club@@Boston, MA@@u1@@") +
                               event("2026@@6@@3@@1@@Other@@Club@@Boston, MA@@u1@@"));
    ASSERT_EQ(root->engine.UpdateFriends(), 0);
    root->friendShows->head->selected = true;
    answer(kShows + "ann", event("2026@@6@@2@@1@@The Band@@Club@@Boston, MA@@u1@@"));
    ASSERT_EQ(root->engine.UpdateFriends(), 0);
    ASSERT_EQ(root->friendShows->size(), 1u) << "nothing is kept from the step before";
    EXPECT_TRUE(root->friendShows->head->selected);
    EXPECT_EQ(root->previousFriendShows->size(), 2u);

    root->friends->clear();
    EXPECT_EQ(root->engine.UpdateFriends(), 0);
    EXPECT_EQ(root->friendShows->size(), 0u) << "no friends, no friends' shows";
    EXPECT_FALSE(root->state.getUpdatingFriends());
}

TEST_F(FriendsStep, AFailedFetchEndsTheStepKeepingTheShowsFound) {
    addFriends({"ann", "missing", "cy"});
    answer(kShows + "ann", event("2026@@6@@2@@1@@The Band@@Club@@Boston, MA@@u1@@"));
    answer(kShows + "cy", event("2026@@6@@9@@1@@Later@@Club@@Boston, MA@@u1@@"));
    EXPECT_EQ(root->engine.UpdateFriends(), 2);
    EXPECT_EQ(listed(), std::vector<std::string>{"6/2 The Band: ann"});
    EXPECT_EQ(requests(), (std::vector<std::string>{kShows + "ann", kShows + "missing"}));
    EXPECT_TRUE(webLockFree());

    // In a refresh the failure clears the running flag and nothing is saved.
    root->engine.performUpdate(kUpdateFriends);
    EXPECT_FALSE(root->state.getUpdatingFriends());
    EXPECT_FALSE(root->state.getValid_internet_connection());
}

TEST_F(FriendsStep, ANewerRefreshStopsTheStepBetweenFriends) {
    addFriends({"ann", "bob", "cy"});
    answer(kShows + "ann", event("2026@@6@@2@@1@@A@@Club@@Boston, MA@@u1@@"));
    answer(kShows + "bob", event("2026@@6@@3@@1@@B@@Club@@Boston, MA@@u1@@"));
    onRequest([&](const std::string& target) {
        if (target == kShows + "bob") root->state.setForceUpdate(true);
    });
    EXPECT_EQ(root->engine.UpdateFriends(), 1);
    EXPECT_EQ(requests(), (std::vector<std::string>{kShows + "ann", kShows + "bob"}));
    EXPECT_EQ(listed(), std::vector<std::string>{"6/2 A: ann"})
        << "the reply that came with the stop is not read";
    EXPECT_TRUE(webLockFree());
}

TEST_F(FriendsStep, ARefreshOfTheFriendsBitFillsTheTabAndSavesIt) {
    addFriends({"ann"});
    answer(kShows + "ann", event("2026@@6@@2@@1@@The Band@@Club@@Boston, MA@@u1@@"));
    root->engine.performUpdate(kUpdateFriends);
    EXPECT_EQ(root->friendShows->size(), 1u);
    EXPECT_FALSE(root->state.getUpdatingFriends());
    char path[1024];
    root->state.getVoxtrailPref(path);
    EXPECT_NE(home.read(path).find("1@@0@@1@@2026@@6@@2@@The Band@@Club@@Boston, MA@@u1@@-@@ann@@"),
              std::string::npos);
}

TEST_F(FriendsStep, NearbyUsersAreAskedForTheCurrentPlace) {
    root->state.setCurCity("New York");
    root->state.setCurState("NY");
    answer("/sharing/sharing.php?TODO=GETLOCALUSERS&CITY=New+York&STATE=NY",
           "<entry><USERNAME>ann</USERNAME><CITY>New York</CITY></entry>\n");
    root->engine.web.lockInternet();
    ASSERT_EQ(getNearbyFriends(root->engine.web), 0);
    const std::vector<SHARER> sharers = readNearbyUsers(root->engine.web.fetchPage);
    root->engine.web.unlockInternet();
    ASSERT_EQ(sharers.size(), 1u);
    EXPECT_STREQ(sharers[0].username, "ann");

    root->state.setCurCity("Nowhere");
    root->engine.web.lockInternet();
    EXPECT_EQ(getNearbyFriends(root->engine.web), 2);
    root->engine.web.unlockInternet();
}
