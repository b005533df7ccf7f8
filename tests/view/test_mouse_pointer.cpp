// Where the pointer is taken to be (the pane's corner, the host versions that report it too
// high), and input no user makes on purpose: events before any frame, outside the pane, at the
// ends of the coordinate range, floods of moves and wheel turns of any size.
#include "tests/view/test_mouse_fixture.h"

#include <climits>

using mouse_test::centre;
using mouse_test::openedURLs;
using mouse_test::Point2;

namespace {

class MousePointer : public MouseFixture {
  protected:
    // An event at a location of the host port, as the host gives it.
    OSStatus sendAtPort(uint32_t kind, int h, int v, int32_t delta = 0) {
        VxMouseEvent ev{};
        ev.kind = kind;
        ev.location.h = static_cast<int16_t>(h);
        ev.location.v = static_cast<int16_t>(v);
        ev.button = kEventMouseButtonPrimary;
        ev.wheelDelta = delta;
        return MonitorHandler(&ev, &root->view);
    }
    CalVis& view() { return root->view; }

    // Nothing a stray event could have changed has changed.
    void expectUntouched() {
        EXPECT_FALSE(root->state.getUpdatingCity());
        EXPECT_FALSE(root->state.getUpdatingState());
        EXPECT_FALSE(root->state.getUpdatingSearchRadius());
        EXPECT_EQ(root->state.getCurCalTab(), 0);
        EXPECT_EQ(view().curVisMonth, 3);
        EXPECT_EQ(view().curVisYear, 2031);
        EXPECT_EQ(view().curVisShowListOffset, 0);
        EXPECT_FALSE(view().thumbDragging);
        EXPECT_TRUE(openedURLs().empty());
        EXPECT_FALSE(refreshStarted());
        for (int i = 0; i < 35; ++i)
            EXPECT_EQ(view().cellScroll[i], 0);
    }
};

TEST_F(MousePointer, PortLocationsAreTakenRelativeToThePanesCorner) {
    EXPECT_EQ(sendAtPort(kEventMouseMoved, kLeft + 100, kTop + 50), eventNotHandledErr);
    EXPECT_EQ(view().mouseX, 100);
    EXPECT_EQ(view().mouseY, 50);
}

TEST_F(MousePointer, HostsFrom81UpTo10ReportThePointer22PixelsTooHigh) {
    struct Case {
        float version;
        int added;
    };
    for (const Case c : {Case{8.0f, 0}, Case{8.1f, 22}, Case{9.1f, 22}, Case{9.2f, 22}, Case{10.0f, 0},
                         Case{11.1f, 0}, Case{0.0f, 0}}) {
        root->state.setiTunesVersion(c.version);
        sendAtPort(kEventMouseMoved, kLeft + 10, kTop + 40);
        EXPECT_EQ(view().mouseY, 40 + c.added) << c.version;
        EXPECT_EQ(view().mouseX, 10) << c.version;
    }
}

TEST_F(MousePointer, UnderAnOffsetHostAClickWhereTheFieldIsDrawnHitsTheField) {
    root->state.setiTunesVersion(9.1f);
    render();
    const Point2 city = centre(view().citySpot.rect);
    sendAtPort(kEventMouseDown, kLeft + city.x, kTop + city.y - 22);
    EXPECT_TRUE(root->state.getUpdatingCity());
}

TEST_F(MousePointer, EventsBeforeTheFirstFrameHitNothing) {
    addManyShows(20);
    // A pane whose off-screen buffer could not be made: no frame is ever drawn, so every
    // rectangle stays empty.
    record.destPort = nullptr;
    for (int x = 0; x < kWidth; x += 37)
        for (int y = 0; y < kHeight; y += 29) {
            send(kEventMouseDown, x, y);
            send(kEventMouseUp, x, y);
            send(kEventMouseUp, x, y, kEventMouseButtonSecondary);
            send(kEventMouseWheelMoved, x, y, 0, 0, -1);
            send(kEventMouseWheelMoved, x, y, 0, 0, 1);
        }
    expectUntouched();
    for (SHOWENTRY* e = root->concerts->head; e; e = e->next)
        EXPECT_FALSE(e->selected);
}

TEST_F(MousePointer, WithoutAPaneEventsAreIgnored) {
    render();
    const Point2 city = centre(view().citySpot.rect);
    CalVis::visualPluginData = nullptr;
    send(kEventMouseDown, city.x, city.y);
    EXPECT_FALSE(root->state.getUpdatingCity());
    EXPECT_EQ(sendAtPort(kEventMouseMoved, 0, 0), eventNotHandledErr);
}

TEST_F(MousePointer, EventsOutsideThePaneAndAtTheCoordinateLimitsChangeNothing) {
    addManyShows(20);
    render();
    // In port coordinates: the port's corner, just above and left of the pane, right of it,
    // below it, and the ends of the 16-bit range.
    const int spots[][2] = {{0, 0},
                            {kLeft - 1, kTop - 1},
                            {kLeft + kWidth, 100},
                            {100, kTop + kHeight + 30},
                            {INT16_MIN, INT16_MIN},
                            {INT16_MAX, INT16_MAX},
                            {INT16_MIN, INT16_MAX}};
    for (float version : {11.1f, 9.1f}) {
        root->state.setiTunesVersion(version);
        for (const auto& s : spots) {
            for (uint32_t kind :
                 {uint32_t{kEventMouseMoved}, uint32_t{kEventMouseDown}, uint32_t{kEventMouseUp},
                  uint32_t{kEventMouseDragged}, uint32_t{7}, uint32_t{0}, UINT32_MAX})
                EXPECT_EQ(sendAtPort(kind, s[0], s[1]), eventNotHandledErr);
            for (int32_t delta : {INT32_MIN, -1, 0, 1, INT32_MAX})
                sendAtPort(kEventMouseWheelMoved, s[0], s[1], delta);
        }
    }
    expectUntouched();
}

TEST_F(MousePointer, AFloodOfMovesLeavesOneShowHoveredWhereThePointerStops) {
    addManyShows(20);
    render();
    for (int i = 0; i < 2000; ++i)
        send(i % 2 ? kEventMouseMoved : kEventMouseDragged, (i * 7) % kWidth, (i * 13) % kHeight, 0);
    SHOWENTRY* first = root->concerts->head;
    const Point2 rest = centre(first->rowRect);
    moveTo(rest);
    int hovered = 0;
    for (SHOWENTRY* e = root->concerts->head; e; e = e->next)
        hovered += e->hovered;
    EXPECT_EQ(hovered, 1);
    EXPECT_TRUE(first->hovered);
    expectUntouched();
}

TEST_F(MousePointer, WheelTurnsOfAnySizeKeepTheListWithinItsRows) {
    addManyShows(20);
    render();
    const Point2 list = centre(view().listAreaRect);
    for (int i = 0; i < 100; ++i)
        wheel(list, INT32_MIN);
    EXPECT_EQ(view().curVisShowListOffset, 354 - 1080);
    for (int i = 0; i < 100; ++i)
        wheel(list, INT32_MAX);
    EXPECT_EQ(view().curVisShowListOffset, 0);
}

} // namespace
