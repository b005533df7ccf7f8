// Query reading limits, log lines, and the name helpers the catalogue uses.
#include "service/catalogue.h"
#include "service/library_artists.h"
#include "service/query_params.h"
#include "service/request_log.h"
#include "service/text_keys.h"

#include <gtest/gtest.h>

#include <set>

TEST(QueryParams, DecodesPlusesAndPercentsAndKeepsOtherBytes) {
    vxs::Query q;
    std::string error;
    ASSERT_TRUE(q.parse("/x.php?CITY=New+York&STATE=NY&NOTE=50%25+off%2&EMPTY=&FLAG", {}, &error));
    ASSERT_NE(q.get("CITY"), nullptr);
    EXPECT_EQ(*q.get("CITY"), "New York");
    EXPECT_EQ(*q.get("NOTE"), "50% off%2");
    EXPECT_EQ(*q.get("EMPTY"), "");
    EXPECT_EQ(*q.get("FLAG"), "");
    EXPECT_EQ(q.get("city"), nullptr); // keys are compared in their case
    ASSERT_TRUE(q.parse("/x.php", {}, &error));
    EXPECT_EQ(q.get("CITY"), nullptr);
}

TEST(QueryParams, RefusesQueriesPastItsLimits) {
    vxs::Query q;
    std::string error;
    vxs::QueryLimits limits;
    EXPECT_FALSE(q.parse("/x?CITY=" + std::string(limits.maxValueBytes + 1, 'a'), limits, &error));
    EXPECT_NE(error.find("longer"), std::string::npos);
    EXPECT_FALSE(q.parse("/x?" + std::string(limits.maxQueryBytes + 1, 'a'), limits, &error));
    std::string many = "/x?";
    for (std::size_t i = 0; i <= limits.maxParams; ++i)
        many += "k" + std::to_string(i) + "=v&";
    EXPECT_FALSE(q.parse(many, limits, &error));
    EXPECT_NE(error.find("parameters"), std::string::npos);
    // A refused parse keeps nothing of the query.
    EXPECT_EQ(q.get("k0"), nullptr);
}

TEST(RequestLog, TargetsStayOnOneLine) {
    EXPECT_EQ(vxs::printableTarget("/a?b=c d"), "/a?b=c%20d");
    EXPECT_EQ(vxs::printableTarget(std::string("/x\r\nGET /forged\0", 16)), "/x%0D%0AGET%20/forged%00");
    EXPECT_EQ(vxs::printableTarget("/caf\xc3\xa9"), "/caf%C3%A9");
    std::string huge(10000, 'a');
    EXPECT_LT(vxs::printableTarget(huge).size(), 4200u);
}

TEST(ArtistKey, MatchesThePluginsNormalisation) {
    EXPECT_EQ(vxs::artistKey("The Rolling Stones"), "rollingstones");
    EXPECT_EQ(vxs::artistKey("Simon & Garfunkel"), "simongarfunkel");
    EXPECT_EQ(vxs::artistKey("simon &#38; garfunkel"), "simongarfunkel");
    EXPECT_EQ(vxs::artistKey("Simon and Garfunkel"), "simongarfunkel");
    EXPECT_EQ(vxs::artistKey("The The"), "the");
    EXPECT_EQ(vxs::artistKey("A Tribe Called Quest"), "tribecalledquest");
    EXPECT_EQ(vxs::artistKey("AC/DC"), "acdc");
    EXPECT_EQ(vxs::artistKey(""), "");
}

TEST(LibraryNames, DecodesReferencesAndFlipsSurnameFirstNames) {
    EXPECT_EQ(vxs::decodeXmlText("Simon &#38; Garfunkel"), "Simon & Garfunkel");
    EXPECT_EQ(vxs::decodeXmlText("a&amp;b&lt;c&gt;&quot;&apos;"), "a&b<c>\"'");
    EXPECT_EQ(vxs::decodeXmlText("Sigur R&#xF3;s"), "Sigur R\xc3\xb3s");
    EXPECT_EQ(vxs::decodeXmlText("Tom &bogus; & Jerry &#0; &#99999999;"),
              "Tom &bogus; & Jerry &#0; &#99999999;");
    EXPECT_EQ(vxs::listingName("Cash, Johnny"), "Johnny Cash");
    // Articles, bands with commas and three-part names stay as filed.
    EXPECT_EQ(vxs::listingName("Beatles, The"), "Beatles, The");
    EXPECT_EQ(vxs::listingName("Earth, Wind & Fire"), "Earth, Wind & Fire");
    EXPECT_EQ(vxs::listingName("Crosby, Stills, Nash"), "Crosby, Stills, Nash");
    EXPECT_EQ(vxs::listingName("Radiohead"), "Radiohead");
}

TEST(Catalogue, BuiltInArtistsAreManyDistinctAndVaried) {
    vxs::Catalogue cat = vxs::Catalogue::builtIn();
    ASSERT_GE(cat.size(), 250u);
    EXPECT_EQ(cat.builtInCount(), cat.size());
    std::set<std::string> keys;
    int commas = 0, ampersands = 0, articles = 0, filedSurnameFirst = 0;
    for (const vxs::Artist& a : cat.artists()) {
        EXPECT_EQ(a.key, vxs::artistKey(a.name));
        // Both spellings must reach the same artist in the plug-in.
        EXPECT_TRUE(keys.insert(a.key).second) << a.name;
        commas += a.name.find(',') != std::string::npos;
        ampersands += a.name.find('&') != std::string::npos;
        articles += a.name.rfind("The ", 0) == 0;
        filedSurnameFirst += a.libraryName != a.name;
    }
    EXPECT_GT(commas, 5);
    EXPECT_GT(ampersands, 20);
    EXPECT_GT(articles, 40);
    EXPECT_GT(filedSurnameFirst, 10);
    // The same on every call.
    EXPECT_EQ(vxs::Catalogue::builtIn().artists()[17].name, cat.artists()[17].name);
}

TEST(Catalogue, RefusesDuplicatesAndVariousArtists) {
    vxs::Catalogue cat;
    EXPECT_TRUE(cat.add("The Copper Lanterns", ""));
    EXPECT_FALSE(cat.add("Copper Lanterns", ""));
    EXPECT_FALSE(cat.add("Various Artists", ""));
    // A name of punctuation only is an artist of its own, under its own text.
    EXPECT_TRUE(cat.add("!!!", ""));
    EXPECT_FALSE(cat.add(" !!! ", ""));
    EXPECT_EQ(cat.size(), 2u);
    EXPECT_EQ(cat.artists()[0].libraryName, "The Copper Lanterns");
}
