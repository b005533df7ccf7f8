// The canonical city form.
#include "plugin/net/clean_city.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::string clean(const std::string& typed) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "%s", typed.c_str());
    cleanCity(buffer);
    return buffer;
}

TEST(CleanCity, WordsAreCapitalisedAndSingleSpaced) {
    EXPECT_EQ(clean("  new   YORK "), "New York");
    EXPECT_EQ(clean("SAN JOSE"), "San Jose");
    EXPECT_EQ(clean("boston"), "Boston");
    EXPECT_EQ(clean("new york  "), "New York");
}

TEST(CleanCity, OnlyABlankStartsAWord) {
    EXPECT_EQ(clean("st. louis"), "St. Louis");
    EXPECT_EQ(clean("winston-salem"), "Winston-salem");
    EXPECT_EQ(clean("coeur d'alene"), "Coeur D'alene");
    EXPECT_EQ(clean("new\tyork"), "New\tyork");
}

TEST(CleanCity, NothingButBlanksGivesAnEmptyText) {
    EXPECT_EQ(clean("   "), "");
    EXPECT_EQ(clean(""), "");
}

TEST(CleanCity, DigitsAndHighBytesPassUnchanged) {
    EXPECT_EQ(clean("29 palms"), "29 Palms");
    EXPECT_EQ(clean("\xc3\xa9vry ville"), "\xc3\xa9vry Ville");
}

TEST(CleanCity, LongInputIsCutTo255Characters) {
    std::vector<char> buffer(600, 'x');
    buffer.back() = '\0';
    cleanCity(buffer.data());
    EXPECT_EQ(std::strlen(buffer.data()), 255u);
    EXPECT_EQ(buffer[0], 'X');
}

} // namespace
