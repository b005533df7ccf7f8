#include "common/fixed_text.h"
#include "plugin/model/ascii_name_rule.h"
#include "plugin/model/text_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {
std::string cleaned(const char* s) {
    char buf[256];
    vx::copyText(buf, s);
    cleanArtist(buf);
    return buf;
}

// The passes cleanArtist once made, one after the other, to hold the single pass against.
std::string cleanedByPasses(const std::string& name) {
    char text[256];
    vx::copyText(text, name.c_str());
    for (char* p = text; *p; ++p)
        *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    substringInitialErase(text);
    for (const char* word : {" and ", " the ", " a "})
        substringReplace(text, word, " ");
    const std::string lead = text;
    for (const char* word : {"and ", "the ", "a "})
        if (lead.starts_with(word)) vx::copyText(text, (" " + lead.substr(std::strlen(word))).c_str());
    substringReplace(text, "&#38;", " ");
    substringErase(text);
    return text;
}

// Every <string> value of the real libraries, as a reader sees it before decoding.
std::vector<std::string> libraryStrings() {
    std::vector<std::string> values;
    for (const auto& entry : std::filesystem::directory_iterator(VX_TEST_DATA "/libraries")) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        for (std::size_t at = text.find("<string>"); at != std::string::npos;
             at = text.find("<string>", at + 1))
            values.push_back(text.substr(at + 8, text.find('<', at + 8) - at - 8));
    }
    return values;
}
} // namespace

TEST(CleanArtist, OnePassEqualsThePasses) {
    std::vector<std::string> names = libraryStrings();
    ASSERT_GT(names.size(), 500u);
    // Random names from the bytes and words that the passes treat apart, and from any byte.
    const std::vector<std::string> pieces = {" ", "  ",    "and", "AND",      "the", "The", "a",
                                             "A", "&#38;", "&#3", "8;",       "&",   "#",   ";",
                                             "x", "Q",     "7",   "\xc3\xa9", ".",   "an",  "thee"};
    std::mt19937 random(30);
    for (int i = 0; i < 200000; ++i) {
        std::string name, bytes(random() % 300, ' ');
        for (auto k = random() % 12; k > 0; --k)
            name += pieces[random() % pieces.size()];
        names.push_back(name);
        for (char& b : bytes)
            b = static_cast<char>(1 + random() % 255);
        names.push_back(bytes);
    }
    for (const std::string& name : names)
        ASSERT_EQ(cleaned(name.c_str()), cleanedByPasses(name)) << name;
}

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

// The page reader's fast cleaning must give exactly cleanArtist's form: random names made of the
// bytes the rule treats apart (words it drops, the entity, blanks, capitals, a NUL), past the cut.
TEST(TextHelpers, AsciiCleaningEqualsTheNameRule) {
    const std::string_view pieces[] = {"and",
                                       "The",
                                       "a",
                                       "A",
                                       " ",
                                       "&#38;",
                                       "&",
                                       "#",
                                       ";",
                                       "38",
                                       "x",
                                       "Ab",
                                       "-",
                                       "!",
                                       "THE",
                                       "an",
                                       "9",
                                       "\t",
                                       std::string_view("\0", 1)};
    std::mt19937 random(7);
    for (int round = 0; round < 50000; ++round) {
        std::string name;
        const int count = static_cast<int>(random() % 120);
        for (int i = 0; i < count; ++i)
            name += pieces[random() % std::size(pieces)];
        char expected[512];
        const std::size_t n = std::min<std::size_t>(name.size(), 255);
        std::memcpy(expected, name.data(), n);
        expected[n] = '\0';
        cleanArtist(expected);
        char fast[256];
        ASSERT_TRUE(cleanAsciiArtist(name, fast)) << name;
        ASSERT_STREQ(fast, expected) << '"' << name << '"';
    }
    char out[256];
    EXPECT_FALSE(cleanAsciiArtist("Sigur R\xc3\xb3s", out));
    EXPECT_TRUE(cleanAsciiArtist(std::string(300, 'x') + "\xc3", out)); // beyond the cut
}
