// Frames drawn from two threads at once while a third changes the lists, as the host thread and
// the update thread do: every frame must come out whole and reach the host port.
#include "platform/graphics/gui_application.h"
#include "plugin/view/render_frame.h"
#include "plugin/view/visual_plugin_data.h"
#include "tests/view/view_fixture.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {
// A host port whose pixels are guarded by the port's own lock, as the player's is.
struct FakeHost {
    std::mutex lock;
    std::vector<uint32_t> pixels;
    std::atomic<int> repaints{0};
    VxHostPort port{};

    FakeHost(int w, int h) : pixels(static_cast<std::size_t>(w) * h, 0) {
        port.pixels = pixels.data();
        port.width = w;
        port.height = h;
        port.rowBytes = w * 4;
        port.hostContext = this;
        port.lockPixels = [](void* c) { static_cast<FakeHost*>(c)->lock.lock(); };
        port.unlockPixels = [](void* c) { static_cast<FakeHost*>(c)->lock.unlock(); };
        port.postRepaint = [](void* c) { ++static_cast<FakeHost*>(c)->repaints; };
    }
};

class RenderThreads : public ViewFixture {
  protected:
    RenderThreads() : host(kWidth, kHeight) {
        vx::ensureGuiApplication(); // on the main thread, where a Qt host makes its own
        record.destPort = &host.port;
        record.destRect = Rect{0, 0, kHeight, kWidth};
        EXPECT_EQ(NewGWorld(&record.offscreen, 32, &record.destRect, 0), noErr);
        CalVis::visualPluginData = &record;
        showMonth(5, 2009);
    }
    ~RenderThreads() override {
        CalVis::visualPluginData = nullptr;
        DisposeGWorld(record.offscreen);
    }
    static constexpr int kWidth = 700, kHeight = 500;
    FakeHost host;
    VisualPluginData record{};
};
} // namespace

TEST_F(RenderThreads, TwoRenderersAndAWriterNeverInterleave) {
    for (int i = 0; i < 50; ++i)
        add(concerts, ("Base " + std::to_string(i)).c_str(), 1 + i % 28, 5, 2009);
    constexpr int kFrames = 25;
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        for (int i = 0; writing; ++i) {
            add(concerts, ("New " + std::to_string(i)).c_str(), 1 + i % 28, 5, 2009);
            add(friendShows, ("Friend " + std::to_string(i)).c_str(), 1 + i % 28, 5, 2009);
            state.setUpdatingProgress(i % 100);
            state.setUpdatingConcerts(i % 2 == 0);
            std::this_thread::yield();
        }
    });
    auto renderer = [&](int tab) {
        for (int i = 0; i < kFrames; ++i) {
            if (tab) state.setCurCalTab(i % 3);
            renderCalendarFrame(data);
        }
    };
    std::thread a(renderer, 0), b(renderer, 1);
    a.join();
    b.join();
    writing = false;
    writer.join();

    EXPECT_EQ(host.repaints.load(), 2 * kFrames);
    // The port holds the last frame exactly as it was drawn off screen.
    std::lock_guard<std::mutex> guard(host.lock);
    EXPECT_EQ(host.pixels, record.offscreen->pixels);
    EXPECT_EQ(host.pixels[5 * kWidth + 5] & 0xFFFFFFu, 0xFFFFFFu); // the cleared white corner
}

TEST_F(RenderThreads, NoPortOrWorldMeansNoFrame) {
    record.destPort = nullptr;
    renderCalendarFrame(data);
    EXPECT_EQ(host.repaints.load(), 0);
    record.destPort = &host.port;
    GWorldPtr world = record.offscreen;
    record.offscreen = nullptr;
    renderCalendarFrame(data);
    EXPECT_EQ(host.repaints.load(), 0);
    record.offscreen = world;
    CalVis::visualPluginData = nullptr;
    renderCalendarFrame(data);
    EXPECT_EQ(host.repaints.load(), 0);
    CalVis::visualPluginData = &record;
    renderCalendarFrame(data);
    EXPECT_EQ(host.repaints.load(), 1);
}

TEST_F(RenderThreads, FrameLandsAtThePaneInsideTheHostPort) {
    // A pane that starts 20 pixels into the port: the frame's top-left goes there, the rest of
    // the port is left alone.
    record.destRect = Rect{20, 30, 20 + 300, 30 + 400};
    DisposeGWorld(record.offscreen);
    ASSERT_EQ(NewGWorld(&record.offscreen, 32, &record.destRect, 0), noErr);
    renderCalendarFrame(data);
    std::lock_guard<std::mutex> guard(host.lock);
    EXPECT_EQ(host.pixels[static_cast<std::size_t>(19) * kWidth + 30], 0u);
    EXPECT_EQ(host.pixels[static_cast<std::size_t>(20) * kWidth + 29], 0u);
    EXPECT_EQ(host.pixels[static_cast<std::size_t>(20) * kWidth + 30], record.offscreen->pixels[0]);
    EXPECT_EQ(host.pixels[static_cast<std::size_t>(319) * kWidth + 429], record.offscreen->pixels.back());
}
