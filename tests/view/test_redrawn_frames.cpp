// A frame drawn over the one before it redraws only what changed; whatever changed, the world
// must end up exactly as a frame drawn on a fresh world.
#include "platform/graphics/cg_image.h"
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
        {"marks stacked far above a name",
         [&] {
             std::string stacked = "a";
             for (int i = 0; i < 60; ++i)
                 stacked += "\xCC\x81"; // a combining acute accent
             vx::copyText(shows[5]->artist, stacked.c_str());
         }},
        {"the marks gone", [&] { vx::copyText(shows[5]->artist, "Band 5"); }},
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

// Below the view: fills on fractional edges next to a changed one, a text whose marks reach far
// above its line, and an image released before the context that drew it ended (the frame is drawn
// when the context ends).
TEST_F(RedrawnFrames, FractionalEdgesAndReleasedImagesDrawAsAFreshFrame) {
    auto draw = [&](GWorldPtr world, double red) {
        CGContextRef ctx = nullptr;
        ASSERT_EQ(QDBeginCGContext(world, &ctx), noErr);
        CGContextSetRGBFillColor(ctx, 1, 1, 1, 1);
        CGContextFillRect(ctx, CGRectMake(0, 0, kWidth, kHeight));
        CGContextSetRGBFillColor(ctx, 0, 0, 1, 1);
        CGContextFillRect(ctx, CGRectMake(0, 0, 10.6, 50));
        CGContextSetRGBFillColor(ctx, red, 0, 0, 1);
        CGContextFillRect(ctx, CGRectMake(10.7, 0, 9.3, 50));
        // Marks stacked far above a letter, then a plain letter in their place.
        std::string text = "a";
        for (int i = 0; red > 0.7 && i < 60; ++i)
            text += "\xCC\x81";
        CGContextSelectFont(ctx, "Helvetica", 12, kCGEncodingMacRoman);
        CGContextSetRGBFillColor(ctx, 0, 0, 0, 1);
        CGContextShowTextAtPoint(ctx, 100, 100, text.data(), text.size());
        CGImageRef icon = CGImageCreateWithContentsOfFile(VX_RESOURCE_DIR "/buyTicketsSmall.png");
        ASSERT_NE(icon, nullptr);
        CGContextDrawImage(ctx, CGRectMake(40, 40, 16, 10), icon);
        CGImageRelease(icon);
        QDEndCGContext(world, &ctx);
    };
    GWorldPtr fresh = nullptr;
    ASSERT_EQ(NewGWorld(&fresh, 32, &record.destRect, 0), noErr);
    draw(record.offscreen, 1.0);
    draw(record.offscreen, 0.5);
    draw(fresh, 0.5);
    EXPECT_TRUE(record.offscreen->pixels == fresh->pixels);
    DisposeGWorld(fresh);
}
