// The secondary click that marks a show of "My Shows" as chosen and saves it; the hover that
// underlines a show and brings up its detail panel.
#include "tests/view/test_mouse_fixture.h"

#include <algorithm>
#include <chrono>
#include <thread>

using mouse_test::centre;
using mouse_test::openedURLs;
using mouse_test::Point2;

namespace {

class MouseSelection : public MouseFixture {
  protected:
    void SetUp() override {
        show = addShow(root->concerts, "Chosen Band", 12, 3, 2031, "http://tickets.example/chosen");
        render();
    }
    bool savedAs(int selected) {
        const std::string line = "0@@" + std::to_string(selected) + "@@0@@2031@@3@@12@@Chosen Band@@";
        return prefsFile().find("\n" + line) != std::string::npos;
    }
    SHOWENTRY* show = nullptr;
};

TEST_F(MouseSelection, ASecondaryClickOnAShowTogglesItAndSavesTheChoice) {
    secondaryClick(centre(show->rowRect));
    EXPECT_TRUE(show->selected);
    EXPECT_TRUE(savedAs(1)) << prefsFile();

    secondaryClick(centre(show->inCellRect));
    EXPECT_FALSE(show->selected);
    EXPECT_TRUE(savedAs(0)) << prefsFile();
    EXPECT_TRUE(openedURLs().empty()) << "a secondary click follows no link";
}

TEST_F(MouseSelection, TheLastChoiceIsSavedEvenWhenThePlayerQuitsRightAfterIt) {
    // A request under way keeps the clicks' saves waiting until the quit has begun, or a while.
    root->engine.actions.post(ActionQueue::Kind::Share, [this] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (!root->state.getShutingDown() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    for (int i = 0; i < 7; ++i)
        secondaryClick(centre(show->rowRect));
    root->engine.shutDown();
    ASSERT_TRUE(show->selected);
    EXPECT_TRUE(savedAs(1)) << prefsFile();
}

TEST_F(MouseSelection, AControlClickIsASecondaryClick) {
    const Point2 p = centre(show->rowRect);
    send(kEventMouseDown, p.x, p.y, kEventMouseButtonPrimary, controlKey);
    send(kEventMouseUp, p.x, p.y, kEventMouseButtonPrimary, controlKey);
    EXPECT_TRUE(show->selected);
    EXPECT_TRUE(openedURLs().empty());
}

TEST_F(MouseSelection, ASecondaryClickBesideEveryShowChangesAndSavesNothing) {
    secondaryClick(centre(root->view.cellRect[0]));
    EXPECT_FALSE(show->selected);
    EXPECT_EQ(prefsFile(), "");
}

TEST_F(MouseSelection, OnTheFriendAndReleaseTabsASecondaryClickChangesNothing) {
    // Friend shows and releases on the same day and row as the concert drawn on tab 0.
    const Point2 concertRow = centre(show->rowRect);
    SHOWENTRY* friendShow = addShow(root->friendShows, "Friend Band", 12);
    SHOWENTRY* release = addShow(root->albumReleases, "Release Band", 12);
    for (int tab : {1, 2}) {
        click(centre(root->view.tabSpot[tab].rect));
        ASSERT_EQ(root->state.getCurCalTab(), tab);
        secondaryClick(concertRow);
        secondaryClick(centre(root->view.cellRect[0]));
    }
    EXPECT_FALSE(show->selected);
    EXPECT_FALSE(friendShow->selected);
    EXPECT_FALSE(release->selected);
    EXPECT_EQ(prefsFile(), "");
}

TEST_F(MouseSelection, ASecondaryClickOnATabDoesNotSelectIt) {
    moveTo(centre(root->view.tabSpot[1].rect));
    secondaryClick(centre(root->view.tabSpot[1].rect));
    EXPECT_EQ(root->state.getCurCalTab(), 0);
}

class MouseHover : public MouseFixture {
  protected:
    // Non-white pixels of the detail panel's area above the grid, clear of the tabs.
    int panelInk() { return inked(root->view.gridLeft + 2, 22, root->view.gridRight - 202, 80); }
    // The longest run of dark pixels in any pixel row of the box.
    int longestDarkRun(const Rect& box) {
        int best = 0;
        for (int y = box.top; y < box.bottom; ++y) {
            int run = 0;
            for (int x = box.left; x < box.right; ++x) {
                const uint32_t p = pixel(x, y);
                const bool dark = ((p >> 16) & 0xFF) < 128 && ((p >> 8) & 0xFF) < 128 && (p & 0xFF) < 128;
                run = dark ? run + 1 : 0;
                best = std::max(best, run);
            }
        }
        return best;
    }
    Rect titleBox(const SHOWENTRY* e) {
        const int top = e->rowRect.top + 15;
        return Rect{static_cast<int16_t>(top), e->rowRect.left, static_cast<int16_t>(top + 20),
                    e->rowRect.right};
    }
};

TEST_F(MouseHover, AShowUnderThePointerIsUnderlinedAndDetailedUntilThePointerLeaves) {
    SHOWENTRY* a = addShow(root->concerts, "Lilli Ill", 12);
    SHOWENTRY* b = addShow(root->concerts, "Illi Lil", 14);
    render();
    EXPECT_EQ(panelInk(), 0);
    EXPECT_LT(longestDarkRun(titleBox(a)), 25);

    moveTo(centre(a->rowRect));
    EXPECT_TRUE(a->hovered);
    EXPECT_FALSE(b->hovered);
    EXPECT_GE(longestDarkRun(titleBox(a)), 25) << "the hovered show's title is underlined";
    EXPECT_LT(longestDarkRun(titleBox(b)), 25);
    EXPECT_GT(panelInk(), 100) << "the detail panel shows the hovered show";

    // The same show's line in its day cell hovers it too; the other show's line moves the hover.
    moveTo(centre(a->inCellRect));
    EXPECT_TRUE(a->hovered);
    moveTo(centre(b->inCellRect));
    EXPECT_FALSE(a->hovered);
    EXPECT_TRUE(b->hovered);

    moveTo(centre(root->view.cellRect[0]));
    EXPECT_FALSE(a->hovered || b->hovered);
    EXPECT_EQ(panelInk(), 0);
    EXPECT_LT(longestDarkRun(titleBox(a)), 25);
}

TEST_F(MouseHover, AMonthChangeByWheelReevaluatesTheHover) {
    SHOWENTRY* march = addShow(root->concerts, "March Act", 12);
    addShow(root->concerts, "April Act", 12, 4);
    render();
    const Point2 cell = centre(march->inCellRect);
    moveTo(cell);
    ASSERT_TRUE(march->hovered);
    // A wheel turn over the grid shows April; March's show is no longer under the pointer.
    wheel(cell, -1);
    EXPECT_EQ(root->view.curVisMonth, 4);
    EXPECT_FALSE(march->hovered);
}

} // namespace
