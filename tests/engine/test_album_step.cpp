// The album step against a loopback service: the ten release pages, a page that does not come,
// a stop asked for mid-way, no network at all, and the release list of the search before.
#include "common/fixed_text.h"
#include "tests/engine/served_root.h"

#include <string>
#include <vector>

namespace {

std::string pagePath(int n) {
    return "/CDReleases/data/cdReleasesData_" + std::to_string(n) + ".html";
}

std::string release(const std::string& artist, int day, const std::string& formats = "CD@@") {
    return "<D>2027-03-" + std::to_string(day) + "</D><A>" + artist + "</A><T>Title " + artist + "</T><F>" +
           formats + "</F><L>B0" + std::to_string(day) + "</L>\n";
}

class AlbumStep : public ServedRoot {
  protected:
    void SetUp() override {
        ServedRoot::SetUp();
        root->engine.artists.clear();
        for (int n = 0; n < 10; ++n)
            root->engine.artists.add(new XMLARTIST(("artist" + std::to_string(n)).c_str()));
        root->state.setCurCity("boston");
        root->state.setCurState("Massachusetts");
        // Page n lists a release of library artist n on day n + 1 and one of an unknown artist.
        for (int n = 0; n < 10; ++n)
            answer(pagePath(n), release("Artist " + std::to_string(n), n + 1) + release("Nobody", n + 1));
    }
    std::vector<std::string> releases() {
        std::vector<std::string> out;
        for (SHOWENTRY* e = root->albumReleases->head; e; e = e->next)
            out.push_back(std::string(e->artist) + (e->selected ? " *" : ""));
        return out;
    }
    std::vector<std::string> expected(int pages) {
        std::vector<std::string> out;
        for (int n = 0; n < pages; ++n)
            out.push_back("Artist " + std::to_string(n));
        return out;
    }
};

TEST_F(AlbumStep, ARefreshOfAlbumsReadsTheTenPagesAndSkipsOneThatDoesNotCome) {
    pages.erase(pagePath(3));
    ::testing::internal::CaptureStderr();
    root->engine.suggestUpdateShowList(kUpdateAlbums, true);
    root->engine.updateThreadHandle.join();
    ::testing::internal::GetCapturedStderr();

    std::vector<std::string> asked;
    for (int n = 0; n < 10; ++n)
        asked.push_back(pagePath(n));
    EXPECT_EQ(requests(), asked) << "albums only, every page in order";
    std::vector<std::string> want = expected(10);
    want.erase(want.begin() + 3);
    EXPECT_EQ(releases(), want);
    EXPECT_DOUBLE_EQ(root->state.getUpdatingProgress(), 100.0);
    EXPECT_FALSE(root->state.getUpdatingAlbums());
    EXPECT_STREQ(
        root->albumReleases->head->url,
        ("http://" + server.host() + "/CDReleases/cdreleaseclickthrough.php?ASIN=B01&CITY=Boston&STATE=MA")
            .c_str());
}

TEST_F(AlbumStep, AChoiceCarriesOverAndTheListBeforeBecomesThePreviousOne) {
    ASSERT_EQ(root->engine.UpdateAlbums(), 0);
    root->albumReleases->head->next->selected = true; // Artist 1
    SHOWLIST* first = root->albumReleases;
    ASSERT_EQ(root->engine.UpdateAlbums(), 0);
    EXPECT_EQ(root->previousAlbumReleases, first);
    ASSERT_EQ(releases().size(), 10u);
    EXPECT_EQ(releases()[1], "Artist 1 *");
}

TEST_F(AlbumStep, AStopMidWayKeepsTheReleasesFoundSoFar) {
    onRequest([this](const std::string& target) {
        if (target == pagePath(2)) root->state.setForceUpdate(true);
    });
    EXPECT_EQ(root->engine.UpdateAlbums(), 1);
    onRequest(nullptr);
    EXPECT_EQ(requests().size(), 3u) << "no page asked after the stop";
    const std::vector<std::string> found = releases();
    ASSERT_GE(found.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(found.begin(), found.begin() + 2), expected(2));
    EXPECT_TRUE(root->state.getUpdatingAlbums()) << "cleared by the refresh that called the step";
}

TEST_F(AlbumStep, WithoutANetworkEveryPageFailsAndTheProgressStillEnds) {
    root->albumReleases->addShow(new SHOWENTRY, nullptr);
    server.stop();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(root->engine.UpdateAlbums(), 0);
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(releases().empty());
    EXPECT_DOUBLE_EQ(root->state.getUpdatingProgress(), 100.0);
    EXPECT_FALSE(root->state.getValid_internet_connection());
}

} // namespace
