#pragma once
// Reader of the web service's album release pages: one release a line, five tagged fields in
// any order. Takes any bytes and keeps no state; the matching against the library is elsewhere.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Longest release line read; the walk of a page stops at the first longer one.
constexpr std::size_t kReleaseLineLimit = 2046;
// A format name is kept to what a label holds.
constexpr std::size_t kReleaseFormatLimit = 63;

// One release line; every view points into the page.
struct ReleaseLine {
    std::string_view date;
    std::string_view artist;
    std::string_view title;
    std::string_view formats; // the whole field, each name followed by "@@"
    std::string_view link;    // the product identifier of the click-through link
};

// Hands every line holding all five fields to take, in page order; a line lacking one is passed
// over. Text behind the last line feed is not read. Returns false when take returned false.
bool readReleaseLines(std::string_view page, const std::function<bool(const ReleaseLine&)>& take);

struct ReleaseDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

// "year-month-day" in decimal. False when a part is not a number or the date is no calendar day
// (month 1-12, day 1-31, year 1-9999).
bool readReleaseDate(std::string_view text, ReleaseDate& date);

// The names of the formats field, in order: each "@@" closes one name, text behind the last one
// is ignored, empty names are dropped and long ones cut to kReleaseFormatLimit.
std::vector<std::string> releaseFormats(std::string_view field);
