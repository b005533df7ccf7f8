// The replies of each endpoint, read with the plug-in's own reading rules.
#include "service/concert_sources.h"
#include "service/place_replies.h"
#include "service/service_setup.h"
#include "service/source_page_cache.h"
#include "service/version_reply.h"
#include "tests/service/reply_readers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>

namespace {

vxs::Query query(const std::string& target) {
    vxs::Query q;
    std::string error;
    EXPECT_TRUE(q.parse(target, {}, &error)) << error;
    return q;
}

std::unique_ptr<vxs::ServiceData> buildData(std::vector<std::string> args = {}) {
    std::vector<char*> argv{const_cast<char*>("voxtrail-service")};
    for (std::string& a : args)
        argv.push_back(a.data());
    std::string error;
    auto options = vxs::parseServiceOptions(static_cast<int>(argv.size()), argv.data(), &error);
    EXPECT_TRUE(options) << error;
    options->dataDir = VX_SERVICE_DATA_DIR;
    options->today = vxs::CivilDate{2026, 3, 1};
    auto data = std::make_unique<vxs::ServiceData>();
    EXPECT_TRUE(vxs::buildServiceData(*options, data.get(), &error)) << error;
    return data;
}

const char* kHost = "127.0.0.1:8460";

} // namespace

class RepliesTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { data = buildData().release(); }
    static void TearDownTestSuite() { delete data; }

    static vxs::Reply source(int s, const std::string& city, const std::string& state,
                             const std::string& radius) {
        return vxs::sourceReply(
            s, query("/x?feed=events&city=" + city + "&state=" + state + "&radius=" + radius), *data, kHost);
    }
    static vxs::ServiceData* data;
};
vxs::ServiceData* RepliesTest::data = nullptr;

TEST_F(RepliesTest, DirectoryListsTwoSourcesOnThisServiceOneSellingTickets) {
    vxs::Reply r = vxs::directoryReply(
        query("/datasources/datasources.php?TODO=GETSITES&CITY=Boston&STATE=MA&RADIUS=50&VERSION=2.9"), *data,
        kHost);
    ASSERT_EQ(r.status, 200);
    Directory d = readDirectory(r.body);
    ASSERT_EQ(d.siteCount, 2);
    ASSERT_EQ(d.entries.size(), 2u);
    EXPECT_TRUE(d.entries[0].tickets);
    EXPECT_FALSE(d.entries[1].tickets);
    for (const DirectoryEntry& e : d.entries) {
        EXPECT_EQ(e.url.rfind(std::string("http://") + kHost + "/sources/", 0), 0u) << e.url;
        // The plug-in appends "&city=..." and so needs the "?" already there.
        EXPECT_NE(e.url.find('?'), std::string::npos);
    }
    EXPECT_NE(d.entries[0].url, d.entries[1].url);
}

TEST_F(RepliesTest, DirectoryForUnknownPlaceHasNoSitesAndBadRequestsAreRefused) {
    vxs::Reply r =
        vxs::directoryReply(query("/d?TODO=GETSITES&CITY=Nowhereville&STATE=MA&RADIUS=50"), *data, kHost);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(readDirectory(r.body).siteCount, 0);
    EXPECT_EQ(vxs::directoryReply(query("/d?TODO=OTHER&CITY=Boston&STATE=MA"), *data, kHost).status, 400);
    EXPECT_EQ(vxs::directoryReply(query("/d?TODO=GETSITES&STATE=MA"), *data, kHost).status, 400);
    EXPECT_EQ(
        vxs::directoryReply(query("/d?TODO=GETSITES&CITY=Boston&STATE=MA&RADIUS=far"), *data, kHost).status,
        400);
}

TEST_F(RepliesTest, SourceEventsAreCompleteAndWithinTheRadius) {
    vxs::Reply r = source(0, "Boston", "MA", "50");
    ASSERT_EQ(r.status, 200);
    ASSERT_EQ(r.body.back(), '\n'); // a last line without a line feed would be lost
    SourceEvents events = readSourceEvents(r.body);
    EXPECT_EQ(events.incomplete, 0);
    ASSERT_GT(events.complete.size(), 20u);
    const vxs::City* boston = data->cities.find("Boston", {"US", "MA"});
    ASSERT_NE(boston, nullptr);
    std::set<std::string> artists;
    for (const SourceEvent& e : events.complete) {
        // Every venue city is a known city of the right state, and lies inside the circle.
        const vxs::City* at = data->cities.find(e.city, {"US", e.state});
        ASSERT_NE(at, nullptr) << e.city << ", " << e.state;
        EXPECT_LE(vxs::distanceMiles(boston->lat, boston->lon, at->lat, at->lon), 50.0) << e.city;
        int month = 0, day = 0, year = 0;
        ASSERT_EQ(std::sscanf(e.date.c_str(), "%d/%d/%d", &month, &day, &year), 3) << e.date;
        long n = vxs::daysFromCivil({year, month, day});
        EXPECT_GE(n, vxs::daysFromCivil({2026, 3, 1}));
        EXPECT_LT(n, vxs::daysFromCivil({2027, 3, 1}));
        EXPECT_EQ(e.url.rfind(std::string("http://") + kHost + "/", 0), 0u);
        for (const std::string& p : e.performers)
            artists.insert(p);
    }
    EXPECT_GT(artists.size(), 20u);
}

TEST_F(RepliesTest, NearCityGetsEventsFarOneNone) {
    EXPECT_GT(readSourceEvents(source(1, "Cambridge", "MA", "25").body).complete.size(), 5u);
    // Whitehorse has no stage within a hundred miles.
    vxs::Reply far = source(1, "Whitehorse", "YT", "100");
    EXPECT_EQ(far.status, 200);
    EXPECT_TRUE(readSourceEvents(far.body).complete.empty());
    // A wider circle only adds events.
    EXPECT_GT(readSourceEvents(source(1, "Boston", "MA", "200").body).complete.size(),
              readSourceEvents(source(1, "Boston", "MA", "50").body).complete.size());
    EXPECT_TRUE(readSourceEvents(source(0, "Boston", "MA", "0").body).complete.size() <
                readSourceEvents(source(0, "Boston", "MA", "50").body).complete.size());
}

TEST_F(RepliesTest, SourcesOverlapOnlyInPart) {
    auto urls = [](const SourceEvents& ev) {
        std::set<std::string> keys;
        for (const SourceEvent& e : ev.complete)
            keys.insert(e.performers[0] + "|" + e.date + "|" + e.venue);
        return keys;
    };
    std::set<std::string> a = urls(readSourceEvents(source(0, "Boston", "MA", "100").body));
    std::set<std::string> b = urls(readSourceEvents(source(1, "Boston", "MA", "100").body));
    std::size_t shared = 0;
    for (const std::string& k : a)
        shared += b.count(k);
    EXPECT_GT(shared, 0u);
    EXPECT_LT(shared, a.size());
    EXPECT_LT(shared, b.size());
}

TEST_F(RepliesTest, SourceRefusesMalformedQueriesAndUnknownPlacesGiveNoEvents) {
    EXPECT_EQ(source(0, "Boston", "MA", "-5").status, 400);
    EXPECT_EQ(source(0, "Boston", "MA", "ten").status, 400);
    EXPECT_EQ(source(0, "Boston", "MA", "").status, 400);
    EXPECT_EQ(vxs::sourceReply(0, query("/x?feed=events&state=MA&radius=5"), *data, kHost).status, 400);
    vxs::Reply unknown = source(0, "Boston", "ZZ", "50");
    EXPECT_EQ(unknown.status, 200);
    EXPECT_TRUE(readSourceEvents(unknown.body).complete.empty());
    // Countries travel by the search table's codes ("UK", "GER").
    EXPECT_FALSE(readSourceEvents(source(1, "London", "UK", "30").body).complete.empty());
}

TEST_F(RepliesTest, EventsAreTheSameWhenBuiltAgain) {
    auto again = buildData();
    auto fresh = vxs::sourceReply(0, query("/x?feed=events&city=Boston&state=MA&radius=80"), *again, kHost);
    EXPECT_EQ(fresh.body, source(0, "Boston", "MA", "80").body);
}

// A kept page is the page built afresh: per place however it is spelt, bounded, and built again
// from a new day's events.
TEST(SourcePageCache, KeptPagesEqualFreshOnesUntilTheEventsChange) {
    auto data = buildData();
    vxs::SourcePageCache cache(2);
    const auto fresh = [&](const std::string& target) {
        return vxs::sourceReply(0, query(target), *data, kHost);
    };
    const std::string boston = "/x?feed=events&city=Boston&state=MA&radius=80";
    auto first = cache.reply(0, query(boston), *data, kHost);
    EXPECT_EQ(first->body, fresh(boston).body);
    EXPECT_EQ(cache.reply(0, query("/x?radius=80&state=ma&city=BOSTON"), *data, kHost), first);
    EXPECT_NE(cache.reply(0, query(boston), *data, "other:1")->body, first->body);
    EXPECT_NE(cache.reply(1, query(boston), *data, kHost)->body, first->body);
    EXPECT_EQ(cache.pages(), 2u);
    EXPECT_EQ(cache.reply(0, query("/x?city=Boston&state=MA&radius=x"), *data, kHost)->status, 400);

    data->events = std::make_unique<vxs::EventStore>(data->catalogue, *data->venues, std::nullopt,
                                                     vxs::CivilDate{2026, 9, 1});
    auto later = cache.reply(0, query(boston), *data, kHost);
    EXPECT_NE(later->body, first->body);
    EXPECT_EQ(later->body, fresh(boston).body);
    EXPECT_EQ(cache.pages(), 1u);
}

TEST_F(RepliesTest, LatLonRepliesInTheTaggedForm) {
    vxs::Reply r = vxs::latLonReply(query("/z?TODO=GETLATLON&CITY=Boston&STATE=MA"), data->cities);
    ASSERT_EQ(r.status, 200);
    std::string lat, lon;
    ASSERT_TRUE(textBetween(r.body, "<LAT>", "</LAT>", &lat));
    ASSERT_TRUE(textBetween(r.body, "<LON>", "</LON>", &lon));
    float flat = 0, flon = 0;
    ASSERT_EQ(std::sscanf(lat.c_str(), "%f", &flat), 1);
    ASSERT_EQ(std::sscanf(lon.c_str(), "%f", &flon), 1);
    EXPECT_NEAR(flat, 42.36, 0.05);
    EXPECT_NEAR(flon, -71.06, 0.05);
    EXPECT_EQ(r.body.find("<NOTFOUND>"), std::string::npos);
    // The location table's codes: AUS is Australia here.
    r = vxs::latLonReply(query("/z?TODO=GETLATLON&CITY=Sydney&STATE=AUS"), data->cities);
    ASSERT_TRUE(textBetween(r.body, "<LAT>", "</LAT>", &lat));
    EXPECT_LT(std::stod(lat), -30);
}

TEST_F(RepliesTest, LatLonUnknownPlaceSaysNotFound) {
    for (const char* target :
         {"/z?TODO=GETLATLON&CITY=Nowhereville&STATE=MA", "/z?TODO=GETLATLON&CITY=Boston&STATE=ZZ",
          "/z?TODO=GETLATLON&CITY=&STATE=MA"}) {
        vxs::Reply r = vxs::latLonReply(query(target), data->cities);
        EXPECT_EQ(r.status, 200) << target;
        EXPECT_NE(r.body.find("<NOTFOUND>"), std::string::npos) << target;
        EXPECT_EQ(r.body.find("<LAT>"), std::string::npos) << target;
    }
    EXPECT_EQ(vxs::latLonReply(query("/z?TODO=GETLATLON&CITY=Boston"), data->cities).status, 400);
    EXPECT_EQ(vxs::latLonReply(query("/z?CITY=Boston&STATE=MA"), data->cities).status, 400);
}

TEST(IpLocationPage, CellReadsCountryRegionCityAsThePluginSearchesIt) {
    vxs::IpPlace place{"UNITED STATES", "California", "San Jose"};
    vxs::Reply r = vxs::ipLocationPage(place, "127.0.0.1");
    std::size_t marker = r.body.find(">UNITED STATES,");
    ASSERT_NE(marker, std::string::npos);
    std::size_t afterMarker = marker + std::string(">UNITED STATES,").size();
    std::size_t comma = r.body.find(',', afterMarker);
    std::size_t span = r.body.find("</span>", marker);
    ASSERT_NE(comma, std::string::npos);
    ASSERT_NE(span, std::string::npos);
    ASSERT_LT(comma, span);
    EXPECT_EQ(r.body.substr(afterMarker, comma - afterMarker), " CALIFORNIA");
    EXPECT_EQ(r.body.substr(comma + 1, span - comma - 1), " SAN JOSE");
    // No other country marker may come first in the plug-in's search order.
    EXPECT_EQ(r.body.find(">UNITED KINGDOM,"), std::string::npos);
    EXPECT_FALSE(vxs::validIpPlaceText("Washington, DC"));
    EXPECT_FALSE(vxs::validIpPlaceText("<b>"));
    EXPECT_TRUE(vxs::validIpPlaceText("Winston-Salem"));
}

TEST(VersionReply, CurrentUnlessANewerVersionIsAnnounced) {
    vxs::VersionAnnouncement same;
    vxs::Reply r = vxs::versionReply(query("/current_version.php?VERSION=2.9&OS=MAC"), same);
    EXPECT_NE(r.body.find("<current>"), std::string::npos);
    EXPECT_EQ(r.body.find("<message>"), std::string::npos);

    vxs::VersionAnnouncement newer{3, 0, "Voxtrail 3.0 brings maps."};
    r = vxs::versionReply(query("/current_version.php?VERSION=2.9&OS=MAC"), newer);
    EXPECT_EQ(r.body.find("<current>"), std::string::npos);
    std::string message;
    ASSERT_TRUE(textBetween(r.body, "<message>", "</message>", &message));
    EXPECT_EQ(message, "Voxtrail 3.0 brings maps.");
    // 2.10 is newer than 2.9, not older.
    EXPECT_NE(vxs::versionReply(query("/c?VERSION=2.10&OS=MAC"), vxs::VersionAnnouncement{2, 9, ""})
                  .body.find("<current>"),
              std::string::npos);
    newer.message.clear();
    ASSERT_TRUE(textBetween(vxs::versionReply(query("/c?VERSION=2.9&OS=MAC"), newer).body, "<message>",
                            "</message>", &message));
    EXPECT_NE(message.find("3.0"), std::string::npos);
    EXPECT_EQ(vxs::versionReply(query("/c?VERSION=two&OS=MAC"), same).status, 400);
    EXPECT_EQ(vxs::versionReply(query("/c?OS=MAC"), same).status, 400);
}

TEST(ServiceOptions, RefusesBadValues) {
    auto parse = [](std::vector<std::string> args) {
        std::vector<char*> argv{const_cast<char*>("voxtrail-service")};
        for (std::string& a : args)
            argv.push_back(a.data());
        std::string error;
        return vxs::parseServiceOptions(static_cast<int>(argv.size()), argv.data(), &error).has_value();
    };
    EXPECT_TRUE(parse({"--port", "0", "--announce-version", "3.1", "--today", "2026-02-28"}));
    EXPECT_FALSE(parse({"--port", "70000"}));
    EXPECT_FALSE(parse({"--port"}));
    EXPECT_FALSE(parse({"--announce-version", "three"}));
    EXPECT_FALSE(parse({"--announce-message", "a</message>b"}));
    EXPECT_FALSE(parse({"--iploc-city", "Boston, MA"}));
    EXPECT_FALSE(parse({"--today", "2026-02-30"}));
    EXPECT_FALSE(parse({"--frobnicate", "1"}));
    EXPECT_TRUE(parse({"--max-users-per-installation", "3", "--max-new-users-per-minute", "100"}));
    EXPECT_FALSE(parse({"--max-new-users-per-minute", "0"}));
}
