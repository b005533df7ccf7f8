// Reading the geographic look-up reply and the IP-location page, and the look-up's address.
#include "plugin/net/location.h"
#include "plugin/net/web_fetch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Read {
    LatLongReply result;
    float lat = -1.0f;
    float lon = -1.0f;
};

Read latLong(const char* page) {
    Read r;
    r.result = readLatLongReply(page, &r.lat, &r.lon);
    return r;
}

TEST(LatLongReplies, NumbersBetweenTheirTags) {
    const Read r = latLong("<LAT>42.3584</LAT>\n<LON>-71.0598</LON>");
    ASSERT_EQ(r.result, LatLongReply::found);
    EXPECT_FLOAT_EQ(r.lat, 42.3584f);
    EXPECT_FLOAT_EQ(r.lon, -71.0598f);
    // NOTFOUND wins over any numbers.
    EXPECT_EQ(latLong("<NOTFOUND><LAT>1</LAT><LON>2</LON>").result, LatLongReply::notFound);
}

TEST(LatLongReplies, IncompleteOrUnreadableLeavesTheValues) {
    for (const char* page :
         {"", "<LAT>42.1</LAT>", "<LAT>42.1</LAT><LON>5", "<LAT>42.1<LON>5</LON>", "</LAT>1<LAT><LON>5</LON>",
          "<LAT>north</LAT><LON>5</LON>", "<LAT>1e999</LAT><LON>5</LON>", "<LAT>nan</LAT><LON>5</LON>"}) {
        const Read r = latLong(page);
        EXPECT_EQ(r.result, LatLongReply::unreadable) << page;
        EXPECT_EQ(r.lat, -1.0f) << page;
        EXPECT_EQ(r.lon, -1.0f) << page;
    }
    EXPECT_EQ(latLong(nullptr).result, LatLongReply::unreadable);
}

TEST(LatLongReplies, AVeryLongNumberIsReadFromItsFirstCharacters) {
    const std::string page = "<LAT>1." + std::string(1000, '5') + "</LAT><LON>2</LON>";
    const Read r = latLong(page.c_str());
    ASSERT_EQ(r.result, LatLongReply::found);
    EXPECT_FLOAT_EQ(r.lat, 1.5555556f);
}

TEST(LatLongRequest, CanonicalCityWithPluses) {
    char url[1024];
    latLongRequestURL(url, sizeof url, "127.0.0.1:8460", "  new   YORK ", "NY");
    EXPECT_STREQ(url, "http://127.0.0.1:8460/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=New+York&STATE=NY");
}

TEST(LatLongRequest, LettersBeyondAsciiGoAsEscapedUtf8) {
    char url[1024];
    latLongRequestURL(url, sizeof url, "127.0.0.1:8460", "são paulo", "BRA");
    EXPECT_STREQ(url,
                 "http://127.0.0.1:8460/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=S%C3%A3o+Paulo&STATE=BRA");
}

TEST(QueryBytes, EscapedWholeOrCutBeforeTheCharacter) {
    char text[16] = "Zürich";
    escapeQueryValue(text, sizeof text);
    EXPECT_STREQ(text, "Z%C3%BCrich");
    char tight[10] = "abcdeü";
    escapeQueryValue(tight, sizeof tight);
    EXPECT_STREQ(tight, "abcde") << "no half of a character";
    char plain[8] = "a b";
    escapeQueryValue(plain, sizeof plain);
    EXPECT_STREQ(plain, "a+b");
    char plus[8] = "a+b";
    escapeQueryValue(plus, sizeof plus);
    EXPECT_STREQ(plus, "a%2Bb") << "a plus of the value is no blank";
}

// What the page gives as "city|region", or "none".
std::string place(const std::string& page) {
    IpPlace p;
    if (!readIpLocationPage(page.c_str(), &p)) return "none";
    return std::string(p.city) + "|" + p.region;
}

TEST(IpLocationPage, CountriesAndTheirRegions) {
    EXPECT_EQ(place("<td><span id=c>UNITED STATES, CALIFORNIA, SAN JOSE</span></td>"), "San Jose|CA");
    EXPECT_EQ(place("<span>x</span><b>UNITED KINGDOM, ENGLAND, LONDON</span>"), "London|UK");
    EXPECT_EQ(place("<b>GERMANY, BAYERN, MUNICH</span>"), "Munich|GER");
    EXPECT_EQ(place("<b>ITALY, LAZIO, ROME</span>"), "Rome|ITA");
    EXPECT_EQ(place("<b>CANADA, ONTARIO, TORONTO</span>"), "Toronto|ON");
    // A region the table does not know stays stripped and lower case.
    EXPECT_EQ(place("<b>CANADA, NOVA SCOTIA, HALIFAX</span>"), "Halifax|novascotia");
    EXPECT_EQ(place("<b>FRANCE, ILE DE FRANCE, PARIS</span>"), "none");
}

TEST(IpLocationPage, TheMarkerOrderDecidesNotThePageOrder) {
    EXPECT_EQ(place("<b>CANADA, QUEBEC, MONTREAL</span><b>UNITED STATES, TEXAS, AUSTIN</span>"), "Austin|TX");
}

TEST(IpLocationPage, TheCommaMustComeBeforeTheSpanEnd) {
    EXPECT_EQ(place("<b>UNITED STATES, TEXAS</span>, AUSTIN"), "none");
    EXPECT_EQ(place("<b>UNITED STATES, TEXAS, AUSTIN"), "none");
    EXPECT_EQ(place("<b>UNITED STATES, TEXAS AUSTIN</span>"), "none");
    // An end before the marker does not count.
    EXPECT_EQ(place("</span><b>UNITED STATES, TEXAS, AUSTIN"), "none");
}

TEST(IpLocationPage, LongPartsAreCut) {
    const std::string page =
        "<b>UNITED STATES, " + std::string(400, 'R') + ", " + std::string(400, 'c') + "</span>";
    IpPlace p;
    ASSERT_TRUE(readIpLocationPage(page.c_str(), &p));
    // Each part is cut to 255 characters before the blank in front of it goes.
    EXPECT_EQ(std::string(p.region), std::string(254, 'r'));
    EXPECT_EQ(std::string(p.city), "C" + std::string(253, 'c'));
}

} // namespace
