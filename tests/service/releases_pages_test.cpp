// Album release pages as the release reader reads them, and the pages a browser opens.
#include "service/album_releases.h"
#include "service/concert_sources.h"
#include "service/library_artists.h"
#include "service/service_setup.h"
#include "service/text_keys.h"
#include "service/web_pages.h"
#include "tests/service/reply_readers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace {

struct ReleaseLine {
    std::string date, artist, title, asin;
    std::vector<std::string> formats;
};

// Reads a data page line by line with the release reader's rules.
std::vector<ReleaseLine> readReleasePage(const std::string& page, int* skipped) {
    std::vector<ReleaseLine> lines;
    std::size_t pos = 0;
    for (std::size_t nl; (nl = page.find('\n', pos)) != std::string::npos; pos = nl + 1) {
        std::string line = page.substr(pos, nl - pos);
        EXPECT_LE(line.size(), 2046u);
        ReleaseLine r;
        std::string formats;
        if (!textBetween(line, "<D>", "</D>", &r.date) || !textBetween(line, "<A>", "</A>", &r.artist) ||
            !textBetween(line, "<T>", "</T>", &r.title) || !textBetween(line, "<F>", "</F>", &formats) ||
            !textBetween(line, "<L>", "</L>", &r.asin)) {
            ++*skipped;
            continue;
        }
        for (std::size_t start = 0, sep; (sep = formats.find("@@", start)) != std::string::npos;
             start = sep + 2)
            r.formats.push_back(formats.substr(start, sep - start));
        lines.push_back(r);
    }
    return lines;
}

std::unique_ptr<vxs::ServiceData> buildData(std::vector<std::string> libraries = {}) {
    vxs::ServiceOptions options;
    options.libraries = std::move(libraries);
    options.dataDir = VX_SERVICE_DATA_DIR;
    options.today = vxs::CivilDate{2026, 6, 10};
    auto data = std::make_unique<vxs::ServiceData>();
    std::string error;
    EXPECT_TRUE(vxs::buildServiceData(options, data.get(), &error)) << error;
    return data;
}

} // namespace

TEST(ReleasePages, TenPagesEachReleaseOnceInTheTaggedLineForm) {
    auto data = buildData();
    std::set<std::string> artists;
    std::map<std::string, int> pageOfArtist;
    int total = 0;
    for (int page = 0; page < vxs::kReleasePages; ++page) {
        vxs::Reply r = vxs::releasePage(page, data->catalogue, {2026, 6, 10});
        ASSERT_EQ(r.status, 200);
        int skipped = 0;
        for (const ReleaseLine& line : readReleasePage(r.body, &skipped)) {
            int y = 0, m = 0, d = 0;
            ASSERT_EQ(std::sscanf(line.date.c_str(), "%d-%d-%d", &y, &m, &d), 3) << line.date;
            long day = vxs::daysFromCivil({y, m, d});
            EXPECT_GE(day, vxs::daysFromCivil({2026, 6, 10}));
            EXPECT_LT(day, vxs::daysFromCivil({2027, 6, 10}));
            EXPECT_EQ(((day % 7) + 7 + 4) % 7, 2) << line.date << " is no Tuesday";
            ASSERT_FALSE(line.formats.empty());
            EXPECT_EQ(line.formats[0], "CD");
            EXPECT_EQ(line.asin.size(), 10u);
            // An artist's releases all stand on one page.
            auto [it, fresh] = pageOfArtist.emplace(line.artist, page);
            EXPECT_EQ(it->second, page) << line.artist;
            artists.insert(line.artist);
            ++total;
        }
        EXPECT_EQ(skipped, 0);
    }
    EXPECT_GT(total, 200);
    EXPECT_GT(artists.size(), 150u);
    EXPECT_EQ(vxs::releasePage(10, data->catalogue, {2026, 6, 10}).status, 404);
    EXPECT_EQ(vxs::releasePage(-1, data->catalogue, {2026, 6, 10}).status, 404);
    // The same calendar gives the same pages.
    EXPECT_EQ(vxs::releasePage(4, data->catalogue, {2026, 6, 10}).body,
              vxs::releasePage(4, buildData()->catalogue, {2026, 6, 10}).body);
}

TEST(ReleasePages, ALibraryGivenToTheServiceHasReleasesSomeOfThemReissuesOfItsAlbums) {
    const std::string library = std::string(VX_TESTDATA_DIR) + "/libraries/itunes-9.1-fixture.xml";
    auto data = buildData({library});
    std::vector<std::string> names;
    std::map<std::string, std::vector<std::string>> albums;
    std::string error;
    ASSERT_TRUE(vxs::readLibraryArtists(library, &names, &error, &albums)) << error;
    ASSERT_FALSE(albums["Coldplay"].empty());
    std::set<std::string> libraryArtists(names.begin(), names.end());
    std::set<std::string> withReleases;
    int reissues = 0;
    for (int page = 0; page < vxs::kReleasePages; ++page) {
        int skipped = 0;
        for (const ReleaseLine& line :
             readReleasePage(vxs::releasePage(page, data->catalogue, {2026, 6, 10}).body, &skipped)) {
            if (!libraryArtists.count(line.artist)) continue;
            withReleases.insert(line.artist);
            const std::vector<std::string>& held = albums[line.artist];
            if (std::find(held.begin(), held.end(), line.title) == held.end()) continue;
            ++reissues;
            EXPECT_NE(std::find(line.formats.begin(), line.formats.end(), "Original recording remastered"),
                      line.formats.end());
        }
    }
    EXPECT_GE(withReleases.size() * 2, libraryArtists.size()) << "most library artists have a release";
    EXPECT_GT(reissues, 0);
}

TEST(WebPages, ClickThroughRedirectsOnlyToThisService) {
    vxs::Reply own = vxs::clickThrough("/clickthrough.php?target=http://h:1/gigwire/event/ab.html", "h:1");
    EXPECT_EQ(own.status, 302);
    EXPECT_EQ(own.location, "http://h:1/gigwire/event/ab.html");
    vxs::Reply other = vxs::clickThrough("/clickthrough.php?target=http://elsewhere/x?a=1&b=<2>", "h:1");
    EXPECT_EQ(other.status, 200);
    EXPECT_TRUE(other.location.empty());
    EXPECT_NE(other.body.find("http://elsewhere/x?a=1&amp;b=&lt;2&gt;"), std::string::npos);
    EXPECT_EQ(vxs::clickThrough("/clickthrough.php?target=http://h:1/x%0D%0ASet-Cookie:+a", "h:1").status,
              200);
    EXPECT_EQ(vxs::clickThrough("/clickthrough.php", "h:1").status, 400);
}

TEST(WebPages, EveryListedShowAndReleaseHasItsPage) {
    auto data = buildData();
    vxs::Query q;
    std::string error;
    ASSERT_TRUE(q.parse("/s?feed=events&city=Boston&state=MA&radius=30", {}, &error));
    for (int source = 0; source < vxs::kSourceCount; ++source) {
        SourceEvents events = readSourceEvents(vxs::sourceReply(source, q, *data, "h:1").body);
        ASSERT_FALSE(events.complete.empty());
        const SourceEvent& e = events.complete.front();
        std::string prefix = std::string("http://h:1/") + vxs::sourceInfo(source).name + "/event/";
        ASSERT_EQ(e.url.rfind(prefix, 0), 0u) << e.url;
        std::string id = e.url.substr(prefix.size(), e.url.size() - prefix.size() - 5);
        vxs::Reply page = vxs::eventPage(source, id, *data);
        EXPECT_EQ(page.status, 200);
        EXPECT_NE(page.body.find(vxs::htmlEscape(e.performers[0])), std::string::npos);
        EXPECT_EQ(vxs::eventPage(source, "zz", *data).status, 404);
    }
    std::vector<vxs::Release> releases = vxs::generateReleases(data->catalogue, {2026, 6, 10});
    ASSERT_FALSE(releases.empty());
    ASSERT_TRUE(q.parse("/c?ASIN=" + releases[0].asin + "&CITY=Boston&STATE=MA", {}, &error));
    EXPECT_EQ(vxs::releaseClickThrough(q, *data).status, 200);
    ASSERT_TRUE(q.parse("/c?ASIN=B000000000&CITY=Boston&STATE=MA", {}, &error));
    EXPECT_EQ(vxs::releaseClickThrough(q, *data).status, 404);
    EXPECT_NE(vxs::downloadPage({3, 1, ""}).body.find("3.1"), std::string::npos);
}
