// A frame drawn over the one before it redraws only what changed; whatever changed, the world
// must end up exactly as a frame drawn on a fresh world.
#include "platform/graphics/gui_application.h"
#include "plugin/view/render_frame.h"
#include "plugin/view/ticket_icons.h"
#include "plugin/view/visual_plugin_data.h"
#include "tests/view/view_fixture.h"

#include <functional>
#include <vector>

namespace {
class RedrawnFrames : public ViewFixture {
  protected:
    RedrawnFrames() : port(kWidth * kHeight, 0) {
        vx::ensureGuiApplication();
        setTicketIconFolder(VX_RESOURCE_DIR);
        host.pixels = port.data();
        host.width = kWidth;
        host.height = kHeight;
        host.rowBytes = kWidth * 4;
        record.destPort = &host;
        record.destRect = Rect{0, 0, kHeight, kWidth};
        EXPECT_EQ(NewGWorld(&record.offscreen, 32, &record.destRect, 0), noErr);
        CalVis::visualPluginData = &record;
        showMonth(5, 2009);
    }
    ~RedrawnFrames() override {
        CalVis::visualPluginData = nullptr;
        DisposeGWorld(record.offscreen);
        setTicketIconFolder(nullptr);
    }

    // The frame on the world the frames before it drew, and the same frame on a new world.
    void expectSameAsFresh(const char* scene) {
        renderCalendarFrame(data);
        GWorldPtr kept = record.offscreen, fresh = nullptr;
        ASSERT_EQ(NewGWorld(&fresh, 32, &record.destRect, 0), noErr);
        record.offscreen = fresh;
        renderCalendarFrame(data);
        record.offscreen = kept;
        EXPECT_TRUE(kept->pixels == fresh->pixels) << scene;
        DisposeGWorld(fresh);
    }

    static constexpr int kWidth = 900, kHeight = 600;
    std::vector<uint32_t> port;
    VxHostPort host{};
    VisualPluginData record{};
};
} // namespace

TEST_F(RedrawnFrames, EveryChangeEndsAsAFreshFrame) {
    std::vector<SHOWENTRY*> shows;
    for (int i = 0; i < 40; ++i) {
        SHOWENTRY* e = add(concerts, ("Band " + std::to_string(i)).c_str(), 1 + i % 28, 5, 2009);
        e->ticketsAvailable = i % 3 == 0;
        e->selected = i % 5 == 0;
        shows.push_back(e);
    }
    add(friendShows, "A Friend's Band", 9, 5, 2009);
    addRelease(albumReleases, "Album Act", 12, 5, 2009, "Vinyl");
    const std::vector<std::pair<const char*, std::function<void()>>> scenes = {
        {"first frame", [] {}},
        {"nothing changed", [] {}},
        {"a show hovered", [&] { shows[0]->hovered = true; }},
        {"the hover moved", [&] { shows[0]->hovered = false, shows[7]->hovered = true; }},
        {"the hover left", [&] { shows[7]->hovered = false; }},
        {"a show chosen", [&] { shows[3]->selected = !shows[3]->selected; }},
        {"a name grew", [&] { vx::copyText(shows[4]->artist, "Band 4 and a much longer name than before"); }},
        {"the list scrolled", [&] { view.scroll(3); }},
        {"another tab", [&] { state.setCurCalTab(1); }},
        {"the third tab", [&] { state.setCurCalTab(2); }},
        {"back, the next month", [&] { state.setCurCalTab(0), showMonth(6, 2009); }},
        {"a progress line", [&] { state.setUpdatingConcerts(true), state.setUpdatingProgress(40); }},
        {"the progress moved", [&] { state.setUpdatingProgress(41); }},
    };
    for (const auto& [scene, change] : scenes) {
        change();
        expectSameAsFresh(scene);
    }
}
