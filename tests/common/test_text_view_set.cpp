// The set of viewed texts the matching asks: every text put in is found, through growth and
// colliding slots, and nothing else is, however near.
#include "common/text_view_set.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(TextViewSet, FindsWhatWasPutInAndNothingElse) {
    std::vector<std::string> names;
    for (int i = 0; i < 5000; ++i)
        names.push_back("artist " + std::to_string(i));
    names.push_back("");
    vx::TextViewSet set;
    EXPECT_FALSE(set.contains("artist 1")) << "an empty set";
    for (const std::string& n : names)
        set.insert(n); // grows from its first slots many times
    set.insert(names[7]);
    EXPECT_EQ(set.size(), names.size()) << "a text put in twice counts once";
    for (const std::string& n : names)
        EXPECT_TRUE(set.contains(n)) << n;
    for (const char* absent : {"artist 5000", "artist", "Artist 1", "artist 1 ", "artist 12345"})
        EXPECT_FALSE(set.contains(absent)) << absent;
    set.clear();
    EXPECT_FALSE(set.contains("artist 1"));
}
