// The show list's buttons, wheel and thumb; the month arrows; a day cell's arrows; the wheel
// over the grid.
#include "tests/view/test_mouse_fixture.h"

using mouse_test::centre;
using mouse_test::openedURLs;
using mouse_test::Point2;

namespace {

class MouseScrolling : public MouseFixture {
  protected:
    CalVis& view() { return root->view; }
    Point2 inList() { return centre(view().listAreaRect); }
    // The entry whose list row or cell line holds the point, as the last frame drew it.
    SHOWENTRY* entryAt(Point2 p) {
        for (SHOWENTRY* e = root->concerts->head; e; e = e->next)
            if (entryUnderPoint(e, p.x, p.y)) return e;
        return nullptr;
    }
    // The day cell holding an entry's line.
    int cellOf(const SHOWENTRY* e) {
        const Point2 p = centre(e->inCellRect);
        for (int i = 0; i < view().gridCells; ++i)
            if (pointInRect(view().cellRect[i], p.x, p.y)) return i;
        return -1;
    }
};

// 480 pixels high: the list shows 354 of 20 x 54 = 1080 pixels; the thumb's track is 324 long.
TEST_F(MouseScrolling, ButtonsAndWheelMoveTheListTwentyPixelsAStep) {
    addManyShows(20);
    render();
    ASSERT_TRUE(view().listScrollable);

    click(centre(view().scrollDownRect));
    EXPECT_EQ(view().curVisShowListOffset, -20);
    click(centre(view().scrollDownRect));
    EXPECT_EQ(view().curVisShowListOffset, -40);
    click(centre(view().scrollUpRect));
    EXPECT_EQ(view().curVisShowListOffset, -20);

    wheel(inList(), -3);
    EXPECT_EQ(view().curVisShowListOffset, -40);
    wheel(inList(), 0);
    EXPECT_EQ(view().curVisShowListOffset, -60) << "a wheel turn of 0 in the list scrolls down";
    wheel(inList(), 120);
    EXPECT_EQ(view().curVisShowListOffset, -40);
    wheel(inList(), 1);
    wheel(inList(), 1);
    wheel(inList(), 1);
    EXPECT_EQ(view().curVisShowListOffset, 0) << "the frame keeps the list from scrolling above its top";
}

TEST_F(MouseScrolling, ThumbDragScrollsByTheContentUnderThePointerAndReleaseFollowsNoLink) {
    addManyShows(20);
    render();
    const Point2 grab = centre(view().thumbRect);
    send(kEventMouseDown, grab.x, grab.y);
    EXPECT_TRUE(view().thumbDragging);

    send(kEventMouseDragged, grab.x, grab.y + 50);
    EXPECT_EQ(view().curVisShowListOffset, -166) << "50 of 324 track pixels over 1080 content pixels";

    // Onto a show's row, still dragging; releasing there ends the drag and opens nothing.
    const Point2 row{view().listMargin + 60, grab.y + 50};
    send(kEventMouseDragged, row.x, row.y);
    ASSERT_NE(entryAt(row), nullptr);
    send(kEventMouseUp, row.x, row.y);
    EXPECT_FALSE(view().thumbDragging);
    EXPECT_TRUE(openedURLs().empty());
    EXPECT_EQ(view().curVisShowListOffset, -166);

    // The drag is over: the next move only hovers.
    send(kEventMouseMoved, row.x, row.y + 100);
    EXPECT_EQ(view().curVisShowListOffset, -166);
}

TEST_F(MouseScrolling, ThumbDraggedFarOutsideThePaneStopsAtTheListsEnds) {
    addManyShows(20);
    render();
    const Point2 grab = centre(view().thumbRect);
    send(kEventMouseDown, grab.x, grab.y);
    send(kEventMouseDragged, grab.x, INT16_MAX - kTop);
    EXPECT_EQ(view().curVisShowListOffset, 354 - 1080);
    send(kEventMouseDragged, grab.x, INT16_MIN - kTop);
    EXPECT_EQ(view().curVisShowListOffset, 0);
    send(kEventMouseUp, grab.x, grab.y);
}

TEST_F(MouseScrolling, AListThatFitsHasNoScrollBarToClick) {
    addManyShows(3);
    render();
    ASSERT_FALSE(view().listScrollable);
    // Where the bar's buttons were when the list was long.
    view().scrollDownRect =
        Rect{static_cast<int16_t>(view().gridTop), 222, static_cast<int16_t>(view().gridTop + 14), 236};
    click(centre(view().scrollDownRect));
    EXPECT_EQ(view().curVisShowListOffset, 0);
    EXPECT_FALSE(view().thumbDragging);
}

TEST_F(MouseScrolling, MonthArrowsStepWithinTheMonthsThatHoldShows) {
    addShow(root->concerts, "February Act", 10, 2);
    addShow(root->concerts, "March Act", 10, 3);
    addShow(root->concerts, "April Act", 10, 4);
    render();

    click(centre(view().nextMonthSpot.rect));
    EXPECT_EQ(view().curVisMonth, 4);
    // April holds the last show: its next arrow is grey and takes no click.
    const Rect greyNext =
        Rect{static_cast<int16_t>(view().gridTop - 30), static_cast<int16_t>(view().gridRight - 28),
             static_cast<int16_t>(view().gridTop - 10), static_cast<int16_t>(view().gridRight)};
    click(centre(greyNext));
    EXPECT_EQ(view().curVisMonth, 4);

    click(centre(view().prevMonthSpot.rect));
    click(centre(view().prevMonthSpot.rect));
    EXPECT_EQ(view().curVisMonth, 2);
    EXPECT_EQ(view().curVisYear, 2031);
}

class MouseCells : public MouseScrolling {
  protected:
    // Five shows on 31 March 2031, in the sixth row of that month, whose 55-pixel cells list two.
    void SetUp() override {
        for (const char* a : {"Act A", "Act B", "Act C", "Act D", "Act E"})
            addShow(root->concerts, a, 31);
        addShow(root->concerts, "April Act", 10, 4);
        addShow(root->concerts, "February Act", 10, 2);
        render();
        cell = cellOf(root->concerts->findShow("Act A"));
        ASSERT_GE(cell, 0);
    }
    int cell = -1;
};

TEST_F(MouseCells, ArrowsStepThroughTheDaysShowsAndStopAtEitherEnd) {
    CalVis& v = view();
    EXPECT_FALSE(v.cellCanScrollUp[cell]);
    ASSERT_TRUE(v.cellCanScrollDown[cell]);
    click(centre(v.cellUpArrowRect[cell]));
    EXPECT_EQ(v.cellScroll[cell], 0) << "the inactive up arrow does nothing";

    EXPECT_EQ(cell, 36);
    for (int step = 1; step <= 3; ++step) {
        click(centre(v.cellDownArrowRect[cell]));
        EXPECT_EQ(v.cellScroll[cell], step);
    }
    EXPECT_FALSE(v.cellCanScrollDown[cell]);
    click(centre(v.cellDownArrowRect[cell]));
    EXPECT_EQ(v.cellScroll[cell], 3) << "the last show is listed: the down arrow is inactive";

    click(centre(v.cellUpArrowRect[cell]));
    EXPECT_EQ(v.cellScroll[cell], 2);
    EXPECT_EQ(v.curVisMonth, 3);
}

TEST_F(MouseCells, WheelOverACellWithArrowsScrollsTheCellNeverTheMonth) {
    CalVis& v = view();
    const Point2 over = centre(v.cellRect[cell]);
    wheel(over, -1);
    EXPECT_EQ(v.cellScroll[cell], 1);
    wheel(over, -1);
    wheel(over, -1);
    EXPECT_EQ(v.cellScroll[cell], 3);
    ASSERT_FALSE(v.cellCanScrollDown[cell]);
    ASSERT_TRUE(v.cellCanScrollUp[cell]);
    wheel(over, -1);
    EXPECT_EQ(v.cellScroll[cell], 3) << "down is inactive";
    EXPECT_EQ(v.curVisMonth, 3) << "and the month stays";
    wheel(over, 1);
    EXPECT_EQ(v.cellScroll[cell], 2);
    wheel(over, 0);
    EXPECT_EQ(v.cellScroll[cell], 2);
    EXPECT_EQ(v.curVisMonth, 3);
}

TEST_F(MouseCells, WheelElsewhereInTheGridTurnsTheMonthAndOutsideDoesNothing) {
    CalVis& v = view();
    const Point2 empty = centre(v.cellRect[0]);
    wheel(empty, 0);
    EXPECT_EQ(v.curVisMonth, 4) << "zero or towards the user is the next month";
    wheel(empty, 5);
    EXPECT_EQ(v.curVisMonth, 3);
    wheel(empty, INT32_MAX);
    EXPECT_EQ(v.curVisMonth, 2);
    wheel(empty, INT32_MIN);
    EXPECT_EQ(v.curVisMonth, 3);

    // Above the grid, beside the fields: neither the month nor the list moves.
    const int offset = v.curVisShowListOffset;
    wheel(Point2{v.gridLeft + 60, v.gridTop - 60}, -1);
    EXPECT_EQ(v.curVisMonth, 3);
    EXPECT_EQ(v.curVisShowListOffset, offset);
}

} // namespace
