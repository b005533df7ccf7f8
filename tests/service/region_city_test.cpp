// Region codes of both plug-in tables and the city table they lead to.
#include "service/city_table.h"
#include "service/region_codes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

using vxs::RegionRef;
using vxs::RegionTable;
using vxs::resolveRegion;

TEST(RegionCodes, TablesDisagreeWhereThePluginsTablesDo) {
    // "AUS" is Austria to the search table and Australia to the location table.
    EXPECT_EQ(resolveRegion("AUS", RegionTable::Search), (RegionRef{"AT", ""}));
    EXPECT_EQ(resolveRegion("AUS", RegionTable::Location), (RegionRef{"AU", ""}));
    EXPECT_EQ(resolveRegion("AU", RegionTable::Search), (RegionRef{"AU", ""}));
    // "IND" is Indonesia in one, India in the other.
    EXPECT_EQ(resolveRegion("IND", RegionTable::Search), (RegionRef{"ID", ""}));
    EXPECT_EQ(resolveRegion("IND", RegionTable::Location), (RegionRef{"IN", ""}));
    EXPECT_EQ(resolveRegion("UK", RegionTable::Search), (RegionRef{"GB", ""}));
    EXPECT_EQ(resolveRegion("UK", RegionTable::Location), (RegionRef{"GB", ""}));
    EXPECT_EQ(resolveRegion("GER", RegionTable::Location), (RegionRef{"DE", ""}));
    EXPECT_EQ(resolveRegion("KOR", RegionTable::Location), (RegionRef{"KR", ""}));
    EXPECT_EQ(resolveRegion("KR", RegionTable::Search), (RegionRef{"KR", ""}));
}

TEST(RegionCodes, StatesProvincesAndLeftoverNames) {
    EXPECT_EQ(resolveRegion("MA", RegionTable::Location), (RegionRef{"US", "MA"}));
    EXPECT_EQ(resolveRegion("dc", RegionTable::Search), (RegionRef{"US", "DC"}));
    // Newfoundland travels as "NF"; the city table files it under its postal code.
    EXPECT_EQ(resolveRegion("NF", RegionTable::Location), (RegionRef{"CA", "NL"}));
    EXPECT_EQ(resolveRegion("YT", RegionTable::Search), (RegionRef{"CA", "YT"}));
    // A name the search table lacks arrives stripped and lower-cased, and is still known.
    EXPECT_EQ(resolveRegion("korea", RegionTable::Search), (RegionRef{"KR", ""}));
    EXPECT_EQ(resolveRegion("novascotia", RegionTable::Location), (RegionRef{"CA", "NS"}));
    // "NL" is the Netherlands to the search table.
    EXPECT_EQ(resolveRegion("NL", RegionTable::Search), (RegionRef{"NL", ""}));
    EXPECT_FALSE(resolveRegion("", RegionTable::Search));
    EXPECT_FALSE(resolveRegion("atlantis", RegionTable::Location));
    EXPECT_FALSE(resolveRegion("ZZ", RegionTable::Search));
}

class CityTableTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        table = new vxs::CityTable;
        std::string error;
        ASSERT_TRUE(table->load(std::string(VX_SERVICE_DATA_DIR) + "/cities.tsv", &error)) << error;
    }
    static void TearDownTestSuite() { delete table; }
    static vxs::CityTable* table;
};
vxs::CityTable* CityTableTest::table = nullptr;

TEST_F(CityTableTest, CoversEveryRegionThePluginCanName) {
    const char* states[] = {"AL", "AK", "AZ", "AR", "CA", "CO", "CT", "DE", "DC", "FL", "GA", "HI", "ID",
                            "IL", "IN", "IA", "KS", "KY", "LA", "ME", "MD", "MA", "MI", "MN", "MS", "MO",
                            "MT", "NE", "NV", "NH", "NJ", "NM", "NY", "NC", "ND", "OH", "OK", "OR", "PA",
                            "RI", "SC", "SD", "TN", "TX", "UT", "VT", "VA", "WA", "WV", "WI", "WY"};
    for (const char* s : states) {
        bool found = false;
        for (const vxs::City& c : table->cities())
            found = found || (c.country == "US" && c.region == s);
        EXPECT_TRUE(found) << s;
    }
    for (const char* p : {"AB", "BC", "MB", "NB", "NL", "NS", "NT", "NU", "ON", "PE", "QC", "SK", "YT"}) {
        bool found = false;
        for (const vxs::City& c : table->cities())
            found = found || (c.country == "CA" && c.region == p);
        EXPECT_TRUE(found) << p;
    }
    EXPECT_LT(table->cities().size(), 5000u);
    // A comma in a name would split the "city, region" location the plug-in shows.
    for (const vxs::City& c : table->cities())
        EXPECT_EQ(c.name.find(','), std::string::npos) << c.name;
}

TEST_F(CityTableTest, FindsCitiesAsThePluginSpellsThem) {
    const vxs::City* stl = table->find("St. Louis", {"US", "MO"});
    ASSERT_NE(stl, nullptr);
    EXPECT_EQ(table->find("Saint Louis", {"US", "MO"}), stl);
    EXPECT_EQ(table->find("st louis", {"US", "MO"}), stl);
    const vxs::City* ws = table->find("Winston-salem", {"US", "NC"});
    ASSERT_NE(ws, nullptr);
    EXPECT_EQ(ws->name, "Winston-Salem");
    const vxs::City* ny = table->find("New York", {"US", "NY"});
    ASSERT_NE(ny, nullptr);
    EXPECT_NEAR(ny->lat, 40.71, 0.05);
    EXPECT_NE(table->find("Washington", {"US", "DC"}), nullptr);
    // Accents may be typed or left out.
    EXPECT_NE(table->find("Montreal", {"CA", "QC"}), nullptr);
    EXPECT_EQ(table->find("Montreal", {"CA", "QC"}), table->find("Montréal", {"CA", "QC"}));
}

TEST_F(CityTableTest, FindsLettersBeyondAsciiInEitherCase) {
    const vxs::City* zurich = table->find("Zürich", {"CH", ""});
    ASSERT_NE(zurich, nullptr);
    EXPECT_EQ(table->find("ZÜRICH", {"CH", ""}), zurich);
    EXPECT_EQ(table->find("Zurich", {"CH", ""}), zurich);
    const vxs::City* espanola = table->find("Española", {"US", "NM"});
    ASSERT_NE(espanola, nullptr);
    EXPECT_EQ(table->find("ESPAÑOLA", {"US", "NM"}), espanola);
    EXPECT_NE(table->find("São Paulo", {"BR", ""}), nullptr);
    EXPECT_EQ(table->find("Zrich", {"CH", ""}), nullptr);
}

TEST_F(CityTableTest, RegionDecidesBetweenCitiesOfOneName) {
    const vxs::City* uk = table->find("London", {"GB", ""});
    const vxs::City* on = table->find("London", {"CA", "ON"});
    ASSERT_NE(uk, nullptr);
    ASSERT_NE(on, nullptr);
    EXPECT_NEAR(uk->lon, -0.13, 0.1);
    EXPECT_NEAR(on->lon, -81.2, 0.1);
    EXPECT_EQ(table->find("London", {"US", "NY"}), nullptr);
    EXPECT_EQ(table->find("Boston", {"US", "CA"}), nullptr);
    EXPECT_EQ(table->find("", {"US", "MA"}), nullptr);
}

TEST(Distance, MilesBetweenKnownCities) {
    // Boston to New York is about 190 miles; London to Paris about 214.
    EXPECT_NEAR(vxs::distanceMiles(42.3584, -71.0598, 40.7143, -74.0060), 190, 5);
    EXPECT_NEAR(vxs::distanceMiles(51.5085, -0.1257, 48.8534, 2.3488), 214, 5);
    EXPECT_DOUBLE_EQ(vxs::distanceMiles(10, 20, 10, 20), 0);
}

TEST(CityTableLoad, SkipsBrokenRowsAndRefusesEmptyTables) {
    std::string path = testing::TempDir() + "cities-broken-" + std::to_string(getpid()) + ".tsv";
    {
        std::ofstream out(path);
        out << "# header\n"
            << "Goodtown\tGoodtown\tMA\tUS\t42.0\t-71.0\t5000\n"
            << "Badlat\tBadlat\tMA\tUS\tninety\t-71.0\t5000\n"
            << "Offglobe\tOffglobe\tMA\tUS\t123.0\t-71.0\t5000\n"
            << "Short\tShort\tMA\n"
            << "\t\t\t\t\t\t\n";
    }
    vxs::CityTable table;
    std::string error;
    ASSERT_TRUE(table.load(path, &error));
    ASSERT_EQ(table.cities().size(), 1u);
    EXPECT_EQ(table.cities()[0].name, "Goodtown");
    {
        std::ofstream out(path);
        out << "# nothing here\n";
    }
    EXPECT_FALSE(table.load(path, &error));
    EXPECT_FALSE(table.load(path + ".missing", &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
    std::remove(path.c_str());
}
