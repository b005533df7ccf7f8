// The reader's table of written names: texts that differ in any one byte are different names,
// whatever their length, and entries stay where they are while the table grows.
#include "plugin/library/name_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

TEST(NameTable, TextsDifferingInOneByteAreDifferentNamesAndEntriesNeverMove) {
    vx::HugeArena arena;
    vx::NameTable<int> table(arena);
    std::vector<std::pair<std::string, vx::NameTable<int>::Entry*>> seen;
    for (std::size_t length = 0; length < 40; ++length) {
        const std::string base(length, 'a');
        for (std::size_t at = 0; at <= length; ++at) {
            std::string text = base;
            if (at < length) text[at] = 'b';
            bool added = false;
            auto& entry = table.find(text, added);
            ASSERT_TRUE(added) << length << " " << at;
            entry.value = static_cast<int>(seen.size());
            seen.emplace_back(text, &entry);
        }
    }
    for (std::size_t i = 0; i < seen.size(); ++i) {
        bool added = true;
        auto& entry = table.find(seen[i].first, added);
        EXPECT_FALSE(added);
        EXPECT_EQ(&entry, seen[i].second);
        EXPECT_EQ(entry.value, static_cast<int>(i));
    }
    EXPECT_EQ(table.size(), seen.size());
}

// The table compares texts only when their hashes agree, so the compare is held to account here.
TEST(NameTable, TheTextCompareSeesADifferenceAtEveryPlace) {
    for (std::size_t length = 0; length < 40; ++length) {
        const std::string text(length, 'a');
        EXPECT_TRUE(vx::NameTable<int>::sameText(text, std::string(text)));
        EXPECT_FALSE(vx::NameTable<int>::sameText(text, text + "a"));
        for (std::size_t at = 0; at < length; ++at) {
            std::string other = text;
            other[at] = 'b';
            EXPECT_FALSE(vx::NameTable<int>::sameText(text, other)) << length << " " << at;
        }
    }
}

// Names that differ only in their last bytes, as numbered albums do, still spread over the table:
// the index bits are the hash's lowest, and a table kept half full relies on them.
TEST(NameTable, NamesDifferingInTheirLastBytesSpreadOverTheIndexBits) {
    for (const std::string prefix : {"Album number ", "Artist ", "Band, The ", ""}) {
        std::set<std::uint64_t> buckets;
        for (int i = 0; i < 4096; ++i)
            buckets.insert(vx::NameTable<int>::hashOf(prefix + std::to_string(i)) & 4095);
        // Random placement fills 1 - 1/e of them, about 2,590.
        EXPECT_GT(buckets.size(), 2400u) << "'" << prefix << "'";
    }
}

} // namespace
