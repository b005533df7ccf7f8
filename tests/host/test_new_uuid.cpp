// Show and file names come from newUuidString, drawn from a pool of random bytes per thread:
// every one is a version-4 UUID in capitals, and none repeats, within a thread or across threads.
#include "platform/system.h"

#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

TEST(NewUuid, VersionFourInCapitalsAndNeverTwice) {
    std::set<std::string> seen;
    std::mutex lock;
    auto draw = [&](int count) {
        std::vector<std::string> mine;
        for (int i = 0; i < count; ++i) // past several pools
            mine.push_back(vx::newUuidString());
        std::lock_guard<std::mutex> guard(lock);
        for (const std::string& id : mine) {
            ASSERT_EQ(id.size(), 36u) << id;
            EXPECT_EQ(id.find_first_not_of("0123456789ABCDEF-"), std::string::npos) << id;
            EXPECT_TRUE(id[8] == '-' && id[13] == '-' && id[18] == '-' && id[23] == '-') << id;
            EXPECT_EQ(id[14], '4') << id;
            EXPECT_NE(std::string("89AB").find(id[19]), std::string::npos) << id;
            EXPECT_TRUE(seen.insert(id).second) << "repeated: " << id;
        }
    };
    std::thread other(draw, 1000);
    draw(1000);
    other.join();
    EXPECT_EQ(seen.size(), 2000u);
}
