#include "common/fixed_text.h"
#include "plugin/model/text_helpers.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string cleaned(const char* s) {
    char buf[256];
    vx::copyText(buf, s);
    cleanArtist(buf);
    return buf;
}
} // namespace

TEST(CleanArtist, NormalisesArticlesAndConjunctions) {
    EXPECT_EQ(cleaned(""), "");
    EXPECT_EQ(cleaned("AC/DC"), "acdc");
    EXPECT_EQ(cleaned("The The"), "the");
    EXPECT_EQ(cleaned("A Tribe Called Quest"), "tribecalledquest");
    EXPECT_EQ(cleaned("The Rolling Stones"), "rollingstones");
    EXPECT_EQ(cleaned("Simon and Garfunkel"), "simongarfunkel");
    EXPECT_EQ(cleaned("Simon & Garfunkel"), "simongarfunkel");
    EXPECT_EQ(cleaned("simon &#38; garfunkel"), "simongarfunkel");
    EXPECT_EQ(cleaned("And Also The Trees"), "alsotrees");
    EXPECT_EQ(cleaned("Bj\xc3\xb6rk"), "bjrk");
}

TEST(CleanArtist, CutsLongNamesToTheBuffer) {
    char buf[256];
    std::string longName(600, 'x');
    vx::copyText(buf, longName.c_str());
    EXPECT_EQ(std::string(buf).size(), 255u);
    cleanArtist(buf);
    EXPECT_EQ(std::string(buf), std::string(255, 'x'));
}

TEST(TextHelpers, SubstringReplaceRescansFromTheReplacement) {
    char buf[256];
    vx::copyText(buf, "x and and y");
    substringReplace(buf, " and ", " ");
    EXPECT_STREQ(buf, "x y");
    vx::copyText(buf, "aaa");
    substringReplace(buf, "a", "");
    EXPECT_STREQ(buf, "");
}

TEST(TextHelpers, FindAndFindBetween) {
    EXPECT_EQ(strFind("abcabc", "bc", 2), 4);
    EXPECT_EQ(strFind("abcabc", "bc", 5), -1);
    EXPECT_EQ(strFind("abcabc", "bc", 10), -1);
    EXPECT_EQ(strFind("abcabc", "bc", -3), 1);
    EXPECT_EQ(strFindBetween("abcabc", "bc", 0, 2), -1);
    EXPECT_EQ(strFindBetween("abcabc", "bc", 0, 3), 1);
    EXPECT_EQ(strFindBetween("abcabc", "bc", 2, 2), -1);
    EXPECT_EQ(strFindBetween("abcabc", "bc", 2, 6), 4);
}

TEST(TextHelpers, Blanks) {
    char buf[32];
    vx::copyText(buf, "ab  ");
    EXPECT_EQ(strRemoveTrailingSpaces(buf), buf + 2);
    EXPECT_STREQ(buf, "ab");
    vx::copyText(buf, "ab\t");
    strRemoveTrailingSpaces(buf);
    EXPECT_STREQ(buf, "ab\t");
    vx::copyText(buf, "   new york");
    strRemoveLeadingSpaces(buf);
    EXPECT_STREQ(buf, "new york");
    replaceSpacesWithPluses(buf);
    EXPECT_STREQ(buf, "new+york");
}

TEST(FixedText, CopiesAreCutAndTerminated) {
    char small[4] = {'x', 'x', 'x', 'x'};
    vx::copyText(small, "abcdef");
    EXPECT_STREQ(small, "abc");
    vx::copyText(small, nullptr);
    EXPECT_STREQ(small, "");
    vx::copyText(small, "a");
    vx::appendText(small, "bcdef");
    EXPECT_STREQ(small, "abc");
}
