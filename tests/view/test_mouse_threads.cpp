// Mouse events on the host thread while a refresh on the update thread replaces the concert
// list, fills it and draws frames, as a concert search does.
#include "tests/view/test_mouse_fixture.h"

#include "plugin/export/exported_shows.h"

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using mouse_test::centre;
using mouse_test::Point2;

namespace {

class MouseThreads : public MouseFixture {
  protected:
    // One refresh round: the list moves to the "previous" slot (the one there is freed), a new
    // one fills show by show, and every show draws a frame.
    void replaceAndFill(int round) {
        {
            std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
            SHOWLIST* old = root->previousConcerts;
            root->previousConcerts = root->concerts;
            root->concerts = new SHOWLIST;
            delete old;
        }
        for (int i = 0; i < 12; ++i) {
            auto* e = new SHOWENTRY;
            vx::copyText(e->artist, ("Round " + std::to_string(round) + " Act " + std::to_string(i)).c_str());
            vx::copyText(e->url, "http://tickets.example/x");
            e->day = 1 + (i * 5) % 28;
            e->month = 3;
            e->year = 2031;
            root->concerts->addShow(e, nullptr);
            root->view.Render();
        }
    }
};

TEST_F(MouseThreads, ClicksMovesAndWheelTurnsWhileTheListIsReplaced) {
    std::atomic<bool> refreshing{true};
    root->engine.stepHookForTesting = [&](uint32_t bit) {
        if (bit == kUpdateConcerts)
            for (int round = 0; round < 15; ++round)
                replaceAndFill(round);
        if (bit == kUpdateiPhone) refreshing = false;
        return 0;
    };
    render();
    root->engine.suggestUpdateShowList(kUpdateAll, true);

    int events = 0;
    for (int i = 0; refreshing || i < 200; ++i, ++events) {
        const Point2 inList{60 + (i * 11) % 150, 110 + (i * 17) % 340};
        const Point2 inGrid{250 + (i * 23) % 530, 125 + (i * 19) % 330};
        moveTo(i % 2 ? inList : inGrid);
        switch (i % 5) {
        case 0:
            click(inList);
            break;
        case 1:
            wheel(inGrid, i % 3 - 1);
            break;
        case 2:
            wheel(inList, i % 2 ? 1 : -1);
            break;
        case 3:
            secondaryClick(inList);
            break;
        default:
            send(kEventMouseDragged, inGrid.x, inGrid.y, kEventMouseButtonPrimary);
            break;
        }
    }
    EXPECT_TRUE(refreshStarted());
    EXPECT_GE(events, 200);

    render();
    std::lock_guard<std::recursive_mutex> frame(CalVis::renderLock);
    EXPECT_EQ(root->concerts->size(), 12u);
    EXPECT_LE(root->view.curVisShowListOffset, 0);
    int hovered = 0;
    for (SHOWENTRY* e = root->concerts->head; e; e = e->next)
        hovered += e->hovered;
    EXPECT_LE(hovered, 1);
}

} // namespace

TEST_F(MouseThreads, WithSharingOnAClickReturnsWhileARefreshHoldsTheWebLock) {
    SHOWENTRY* show = addShow(root->concerts, "Chosen Band", 12, 3, 2031, "http://tickets.example/chosen");
    render();
    ProtectedData& st = root->state;
    st.setSharing(true);
    st.setShareAllShows(false);
    std::promise<void> held, release;
    std::thread refresh([&] {
        std::lock_guard<std::recursive_mutex> web(root->engine.web.webLock);
        held.set_value();
        // A click that waited for the lock would be let go only after this.
        release.get_future().wait_for(std::chrono::seconds(3));
    });
    held.get_future().wait();
    const auto start = std::chrono::steady_clock::now();
    secondaryClick(centre(show->rowRect));
    const auto took = std::chrono::steady_clock::now() - start;
    release.set_value();
    refresh.join();
    EXPECT_LT(took, std::chrono::seconds(2)) << "the click never waits for the web lock";
    EXPECT_TRUE(show->selected);
    EXPECT_NE(prefsFile().find("\n0@@1@@0@@2031@@3@@12@@Chosen Band@@"), std::string::npos) << prefsFile();
    root->engine.shares.drain();
    root->engine.actions.drain();
}

TEST_F(MouseThreads, WithExportOnAClickReturnsWhileARefreshExports) {
    SHOWENTRY* show = addShow(root->concerts, "Chosen Band", 12, 3, 2031, "http://tickets.example/chosen");
    render();
    root->state.setExportTo_iCal(true);
    root->state.setExportAllShows(false);
    std::promise<void> held, release;
    std::thread refresh([&] {
        std::lock_guard<std::mutex> exporting(calendarExportLock());
        held.set_value();
        // A click that exported on the host thread would be let go only after this.
        release.get_future().wait_for(std::chrono::seconds(3));
    });
    held.get_future().wait();
    const auto start = std::chrono::steady_clock::now();
    secondaryClick(centre(show->rowRect));
    const auto took = std::chrono::steady_clock::now() - start;
    release.set_value();
    refresh.join();
    EXPECT_LT(took, std::chrono::seconds(2)) << "the click never waits for the export lock";
    EXPECT_TRUE(show->selected);
    root->engine.actions.drain();
}
