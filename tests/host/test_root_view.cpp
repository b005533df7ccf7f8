// The view as the host reaches it: through the root object, built in a temporary home.
#include "common/fixed_text.h"
#include "plugin/host/voxtrail_class.h"
#include "plugin/view/draw_calendar.h"
#include "plugin/view/visual_plugin_data.h"
#include "tests/view/recording_context.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
class RootView : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        home = std::filesystem::temp_directory_path() / ("view-home-" + std::to_string(getpid()));
        std::filesystem::create_directories(home);
        setenv("HOME", home.c_str(), 1);
        root = new VoxtrailClass;
    }
    static void TearDownTestSuite() {
        delete root;
        root = nullptr;
        std::filesystem::remove_all(home);
    }
    void SetUp() override {
        root->concerts->clear();
        root->state.setCurCalTab(0);
        root->view.curVisMonth = 3;
        root->view.curVisYear = 2010;
    }
    static void add(int day, int month, int year, const char* artist) {
        auto* e = new SHOWENTRY;
        vx::copyText(e->artist, artist);
        e->day = day, e->month = month, e->year = year;
        root->concerts->addShow(e, nullptr);
    }
    static inline std::filesystem::path home;
    static inline VoxtrailClass* root = nullptr;
};
} // namespace

TEST_F(RootView, NavigationWorksOnTheRootsLists) {
    add(10, 3, 2010, "March");
    add(10, 4, 2010, "April");
    root->view.incrementCurVisMonth();
    EXPECT_EQ(root->view.curVisMonth, 4);
    EXPECT_EQ(root->view.curVisShowListOffset, -54);
    root->view.incrementCurVisMonth();
    EXPECT_EQ(root->view.curVisMonth, 4);
    root->view.decrementCurVisMonth();
    EXPECT_EQ(root->view.curVisMonth, 3);
    root->view.curVisMonth = 4;
    root->view.setOffsetToMatchCurVisMonth();
    EXPECT_EQ(root->view.curVisShowListOffset, -54);
}

TEST_F(RootView, DrawCalendarReadsTheRoot) {
    add(10, 3, 2010, "March");
    root->state.setCurCityDisplay("Reno");
    RecordingContext ctx(600, 4);
    Rect pane = {0, 0, 600, 900};
    drawCalendar(&ctx, &pane, &root->view);
    EXPECT_NE(ctx.find("My Shows (1)"), nullptr);
    EXPECT_NE(ctx.find("Reno"), nullptr);
    EXPECT_NE(ctx.find("March 2010"), nullptr);
    EXPECT_TRUE(root->concerts->head->inList);
}

TEST_F(RootView, RenderPaintsThePortOnlyWhileShown) {
    std::vector<uint32_t> pixels(300 * 200, 0);
    int repaints = 0;
    VxHostPort port{};
    port.pixels = pixels.data();
    port.width = 300;
    port.height = 200;
    port.rowBytes = 300 * 4;
    port.hostContext = &repaints;
    port.postRepaint = [](void* c) { ++*static_cast<int*>(c); };
    VisualPluginData record{};
    record.destRect = Rect{0, 0, 200, 300};
    ASSERT_EQ(NewGWorld(&record.offscreen, 32, &record.destRect, 0), noErr);
    CalVis::visualPluginData = &record;
    root->view.Render(); // hidden: no port
    EXPECT_EQ(repaints, 0);
    record.destPort = &port;
    root->view.Render();
    EXPECT_EQ(repaints, 1);
    EXPECT_EQ(pixels[0] & 0xFFFFFFu, 0xFFFFFFu);
    CalVis::visualPluginData = nullptr;
    DisposeGWorld(record.offscreen);
}
