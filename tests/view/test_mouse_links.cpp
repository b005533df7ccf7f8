// Releasing the button over a show follows its link; over a hot spot it opens that page, retries
// the search or selects a tab.
#include "tests/view/test_mouse_fixture.h"

#include <new>
#include <stdexcept>

using mouse_test::centre;
using mouse_test::openedURLs;
using mouse_test::Point2;

namespace {

class MouseLinks : public MouseFixture {
  protected:
    CalVis& view() { return root->view; }
    std::vector<std::string> opened() { return openedURLs(); }
};

TEST_F(MouseLinks, AShowsLinkGoesToTheOpenerWholeWhateverItHolds) {
    const std::string link = "http://tickets.example/a b?x='1'&y=\"2\";echo $(touch /tmp/vx-pwned) `id`";
    SHOWENTRY* show = addShow(root->concerts, "Quoted Band", 12, 3, 2031, link.c_str());
    render();
    const Point2 row = centre(show->rowRect);
    moveTo(row);
    ASSERT_TRUE(show->hovered);
    send(kEventMouseDown, row.x, row.y);
    send(kEventMouseUp, row.x, row.y);
    // One query value: its "&" cannot split the click-through's own query.
    EXPECT_EQ(opened(),
              std::vector<std::string>{
                  address("/clickthrough.php?target=http://tickets.example/a+b%3Fx='1'%26y=\"2\";echo+$(touch+"
                          "/tmp/vx-pwned)+`id`")});
    EXPECT_FALSE(show->hovered) << "a click on a show ends its hover";

    // The same show's line in its day cell leads to the same page.
    click(centre(show->inCellRect));
    ASSERT_EQ(opened().size(), 2u);
    EXPECT_EQ(opened()[1], opened()[0]);
}

TEST_F(MouseLinks, AnExceptionInTheClickBecomesTheHandlersErrorStatus) {
    SHOWENTRY* show = addShow(root->concerts, "Throwing Band", 12);
    render();
    const Point2 row = centre(show->rowRect);
    struct Case {
        OSStatus (*openURL)(void*, const char*);
        OSStatus status;
        const char* line;
    };
    const Case cases[] = {
        {[](void*, const char*) -> OSStatus { throw std::runtime_error("opener gone"); }, paramErr,
         "Voxtrail: mouse handler: opener gone\n"},
        {[](void*, const char*) -> OSStatus { throw std::bad_alloc(); }, memFullErr,
         "Voxtrail: mouse handler: out of memory\n"},
    };
    for (const Case& c : cases) {
        services.openURL = c.openURL;
        moveTo(row);
        send(kEventMouseDown, row.x, row.y);
        VxMouseEvent up{};
        up.kind = kEventMouseUp;
        up.location = {static_cast<int16_t>(row.y + kTop), static_cast<int16_t>(row.x + kLeft)};
        up.button = kEventMouseButtonPrimary;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(MonitorHandler(&up, &root->view), c.status);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.line);
    }
}

TEST_F(MouseLinks, AShowLinkWithoutABrowserIsToldInAnAlert) {
    static std::vector<std::string> alerts;
    alerts.clear();
    services.showAlert = [](void*, const char* title, const char* message, const char*,
                            const char*) -> int32_t {
        alerts.push_back(std::string(title) + " | " + message);
        return kVxAlertDefaultButton;
    };
    SHOWENTRY* show = addShow(root->concerts, "Browserless", 12, 3, 2031, "http://e/1");
    render();
    click(centre(show->rowRect));
    EXPECT_TRUE(alerts.empty()) << "an opened page needs no word";

    services.openURL = [](void*, const char*) -> OSStatus { return paramErr; };
    click(centre(show->rowRect));
    EXPECT_EQ(alerts,
              std::vector<std::string>{"The page could not be opened | No web browser could be started to "
                                       "open this page:\n" +
                                       address("/clickthrough.php?target=http://e/1")});
}

TEST_F(MouseLinks, AShowWithoutALinkOpensNothing) {
    SHOWENTRY* show = addShow(root->concerts, "Unlinked", 12, 3, 2031, "");
    render();
    click(centre(show->rowRect));
    EXPECT_TRUE(opened().empty());
}

TEST_F(MouseLinks, ShowsOfTheOtherTabsAreFollowedOnTheirTab) {
    root->state.setCurCalTab(1);
    SHOWENTRY* friendShow = addShow(root->friendShows, "Friend Band", 12, 3, 2031, "http://friend.example/");
    addShow(root->concerts, "Mine", 12, 3, 2031, "http://mine.example/");
    render();
    click(centre(friendShow->rowRect));
    EXPECT_EQ(opened(), std::vector<std::string>{address("/clickthrough.php?target=http://friend.example/")});
}

TEST_F(MouseLinks, FooterAndHeaderLinksOpenTheirPagesOnTheServiceHost) {
    root->state.setVoxtrail_version_update(true);
    render();
    struct Case {
        HotSpot* spot;
        const char* path;
    };
    const Case cases[] = {{&view().versionSpot, "/"},
                          {&view().iPhoneAppSpot, "/iphone.php"},
                          {&view().androidAppSpot, "/android.php"},
                          {&view().supportSpot, "/donations.php"},
                          {&view().upgradeSpot, "/download/download_mac_redirect.php"}};
    for (const Case& c : cases) {
        openedURLs().clear();
        click(centre(c.spot->rect));
        EXPECT_EQ(opened(), std::vector<std::string>{address(c.path)}) << c.path;
        EXPECT_FALSE(c.spot->highlighted) << c.path;
    }
}

TEST_F(MouseLinks, TheUpgradeNoticeIsFollowedOnlyWhileANewerVersionIsKnown) {
    root->state.setVoxtrail_version_update(true);
    render();
    const Point2 notice = centre(view().upgradeSpot.rect);
    root->state.setVoxtrail_version_update(false);
    click(notice);
    EXPECT_TRUE(opened().empty());
}

TEST_F(MouseLinks, TheRetryLinkMarksTheConnectionGoodAndForcesARefresh) {
    // The place is unchanged, so only a forced request starts a refresh.
    root->state.setValid_internet_connection(false);
    render();
    const Point2 retry = centre(view().retrySpot.rect);
    moveTo(retry);
    EXPECT_TRUE(view().retrySpot.highlighted);
    send(kEventMouseDown, retry.x, retry.y);
    send(kEventMouseUp, retry.x, retry.y);
    EXPECT_TRUE(refreshStarted());
    EXPECT_EQ(stepsRun().front(), uint32_t{kUpdateConcerts});
    EXPECT_TRUE(root->state.getValid_internet_connection());
    EXPECT_FALSE(view().retrySpot.highlighted);
}

TEST_F(MouseLinks, TheRetryAreaDoesNothingWhileTheConnectionIsGood) {
    root->state.setValid_internet_connection(false);
    render();
    const Point2 retry = centre(view().retrySpot.rect);
    root->state.setValid_internet_connection(true);
    click(retry);
    EXPECT_FALSE(view().retrySpot.highlighted);
    EXPECT_FALSE(refreshStarted());
}

TEST_F(MouseLinks, ATabClickSelectsThatTab) {
    render();
    for (int tab : {1, 2, 0}) {
        click(centre(view().tabSpot[tab].rect));
        EXPECT_EQ(root->state.getCurCalTab(), tab);
    }
    EXPECT_TRUE(opened().empty());
}

TEST_F(MouseLinks, MovingOverAHotSpotHighlightsItAloneUntilThePointerLeaves) {
    render();
    moveTo(centre(view().tabSpot[2].rect));
    EXPECT_TRUE(view().tabSpot[2].highlighted);
    EXPECT_FALSE(view().tabSpot[0].highlighted);
    EXPECT_FALSE(view().tabSpot[1].highlighted);
    EXPECT_FALSE(view().versionSpot.highlighted);

    moveTo(centre(view().citySpot.rect));
    EXPECT_FALSE(view().tabSpot[2].highlighted);
    EXPECT_TRUE(view().citySpot.highlighted);
}

} // namespace
