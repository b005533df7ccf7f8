#include "plugin/model/record_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

// Threads take and give back records while they check that no record was handed out twice;
// a slab emptied is kept while no more are empty than hold records, and a second round takes the
// kept ones again.
TEST(RecordPool, HandsEachRecordOutOnceAndKeepsAsManyEmptySlabsAsFull) {
    constexpr std::size_t kBytes = 3000, kThreads = 4, kEach = 3000; // about 18 slabs in all
    RecordPool pool(kBytes);
    if (!pool.pooled()) GTEST_SKIP() << "records come from the heap under AddressSanitizer";
    for (int round = 0; round < 2; ++round) {
        std::vector<std::thread> threads;
        std::vector<std::vector<unsigned char*>> taken(kThreads);
        for (std::size_t t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                for (std::size_t i = 0; i < kEach; ++i) {
                    auto* record = static_cast<unsigned char*>(pool.take(kBytes));
                    std::memset(record, static_cast<int>(t + 1), kBytes);
                    taken[t].push_back(record);
                    // Give some back at once, so freed records are taken again while others fill.
                    if (i % 3 == 2) {
                        pool.give(taken[t][taken[t].size() - 2], kBytes);
                        taken[t].erase(taken[t].end() - 2);
                    }
                }
            });
        for (std::thread& t : threads)
            t.join();
        for (std::size_t t = 0; t < kThreads; ++t)
            for (unsigned char* record : taken[t]) {
                ASSERT_EQ(record[0], t + 1);
                ASSERT_EQ(record[kBytes - 1], t + 1) << "a record overlaps another thread's";
            }
        const RecordPool::Figures inUse = pool.figures();
        EXPECT_EQ(inUse.records, kThreads * (kEach - kEach / 3));
        EXPECT_GE(inUse.slabs, 8u);
        for (std::size_t t = 0; t < kThreads; ++t)
            for (unsigned char* record : taken[t])
                pool.give(record, kBytes);
        EXPECT_EQ(pool.figures().records, 0u);
        // Of all emptied, half stay: past that, more would be empty than hold records.
        EXPECT_EQ(pool.figures().slabs, std::max(RecordPool::kKeptEmptySlabs, inUse.slabs / 2));
    }
    // A larger object than the pool's records comes from the heap and goes back there.
    void* large = pool.take(2 * kBytes);
    std::memset(large, 0, 2 * kBytes);
    pool.give(large, 2 * kBytes);
    EXPECT_EQ(pool.figures().records, 0u);
    void* kept = pool.take(kBytes);
    pool.releaseEmpty();
    EXPECT_EQ(pool.figures().slabs, 1u) << "the slab of a record still taken stays";
    pool.give(kept, kBytes);
}
