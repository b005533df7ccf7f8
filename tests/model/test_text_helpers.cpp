#include "common/fixed_text.h"
#include "common/name_key.h"
#include "common/unicode_letters.h"
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

bool wholeUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = vx::utf8CharLength(text, at);
        if (n == 0) return false;
        at += n;
    }
    return true;
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
    for (const std::string& name : names) {
        const std::string form = cleaned(name.c_str());
        // Names of ASCII with a letter or digit keep the form the lists have always stored.
        const std::string examined = name.substr(0, 255);
        const bool ascii = std::none_of(examined.begin(), examined.end(), [](char c) { return c & 0x80; });
        const bool letters =
            std::any_of(examined.begin(), examined.end(), [](unsigned char c) { return std::isalnum(c); });
        if (ascii && letters) {
            ASSERT_EQ(form, cleanedByPasses(name)) << name;
            ASSERT_EQ(vx::nameKey(examined.substr(0, examined.find('\0'))), form) << name;
        }
        ASSERT_LE(form.size(), 255u);
        ASSERT_TRUE(wholeUtf8(form)) << name;
    }
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
}

// One form for the spellings of a name in any script; punctuation only is its own text.
TEST(CleanArtist, NamesOfEveryScriptCompareByLettersAndDigits) {
    const struct {
        const char* name;
        const char* form;
    } kNames[] = {
        {"Sigur R\xc3\xb3s", "sigurros"},
        {"Sigur Ros", "sigurros"},
        {"MOT\xc3\x96RHEAD", "motorhead"},
        {"Mot\xc3\xb6rhead", "motorhead"},
        {"Mo\xcc\x88torhead", "motorhead"}, // decomposed o and diaeresis
        {"Bj\xc3\xb6rk", "bjork"},
        {"\xe5\x9d\x82\xe6\x9c\xac\xe9\xbe\x8d\xe4\xb8\x80",
         "\xe5\x9d\x82\xe6\x9c\xac\xe9\xbe\x8d\xe4\xb8\x80"},
        {"\xe5\x9d\x82\xe6\x9c\xac\xe3\x80\x80\xe9\xbe\x8d\xe4\xb8\x80",
         "\xe5\x9d\x82\xe6\x9c\xac\xe9\xbe\x8d\xe4\xb8\x80"},
        {"\xd0\x9c\xd1\x83\xd0\xbc\xd0\xb8\xd0\xb9 \xd0\xa2\xd1\x80\xd0\xbe\xd0\xbb\xd0\xbb\xd1\x8c",
         "\xd0\xbc\xd1\x83\xd0\xbc\xd0\xb8\xd0\xb8\xd1\x82\xd1\x80\xd0\xbe\xd0\xbb\xd0\xbb\xd1\x8c"},
        {"\xd0\x9c\xd0\xa3\xd0\x9c\xd0\x98\xd0\x99 \xd0\xa2\xd0\xa0\xd0\x9e\xd0\x9b\xd0\x9b\xd0\xac",
         "\xd0\xbc\xd1\x83\xd0\xbc\xd0\xb8\xd0\xb8\xd1\x82\xd1\x80\xd0\xbe\xd0\xbb\xd0\xbb\xd1\x8c"},
        {"\xe3\x82\xac", "\xe3\x82\xac"},                // a kana keeps its voicing mark
        {"\xe3\x82\xab\xe3\x82\x99", "\xe3\x82\xac"},    // and is one letter however written
        {"\xef\xbc\xa1\xef\xbc\xa2\xef\xbc\xa3", "abc"}, // full-width letters
        {"Wei\xc3\x9f", "weiss"},
        {"Th\xc3\xa9 Band", "band"},
        {"The\xc2\xa0"
         "Band",
         "band"}, // a no-break space parts words
        {"!!!", "!!!"},
        {"  ?! ", "?!"},
        {"\xe2\x99\xa5", "\xe2\x99\xa5"},
        {"The Rolling Stones", "rollingstones"},
        {"Simon & Garfunkel", "simongarfunkel"},
        {"The ", ""}, // a name of articles only stays empty, as it always was
        {"", ""},
    };
    for (const auto& example : kNames) {
        EXPECT_EQ(cleaned(example.name), example.form) << example.name;
        EXPECT_EQ(vx::nameKey(example.name), example.form) << example.name;
    }
}

TEST(CleanArtist, CutsFormsLongerThanTheBufferBeforeAWholeCharacter) {
    // Each of these square signs unfolds into four letters (twelve bytes).
    std::string name = "x";
    for (int i = 0; i < 84; ++i)
        name += "\xe3\x8d\xbf";
    const std::string form = cleaned(name.c_str());
    EXPECT_EQ(form.size(), 253u);
    EXPECT_TRUE(wholeUtf8(form));
    EXPECT_EQ(vx::nameKey(name).size(), 1u + 84u * 12u);
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
