#pragma once
// The view's root in a temporary home with a pane shown at an offset in a small host port, so
// that a frame records its rectangles; mouse events go in through MonitorHandler as the host
// window would deliver them.
#include "common/fixed_text.h"
#include "platform/graphics/gui_application.h"
#include "platform/host_services.h"
#include "plugin/view/mouse_hit_test.h"
#include "plugin/view/mouse_input.h"
#include "plugin/view/visual_plugin_data.h"
#include "tests/support/temp_home.h"
#include "tests/view/view_root.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace mouse_test {

// Every address handed to the host's URL opener.
inline std::vector<std::string>& openedURLs() {
    static std::vector<std::string> urls;
    return urls;
}
inline OSStatus recordURL(void*, const char* url) {
    openedURLs().emplace_back(url ? url : "");
    return noErr;
}

struct Point2 {
    int x;
    int y;
};
inline Point2 centre(const Rect& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

} // namespace mouse_test

class MouseFixture : public ::testing::Test {
  protected:
    static constexpr int kWidth = 800, kHeight = 480;
    // The pane's corner in the host port: events arrive in port coordinates.
    static constexpr int kLeft = 20, kTop = 30;
    static constexpr const char* kServiceHost = "127.0.0.1:1";

    MouseFixture() : portPixels(static_cast<std::size_t>(kWidth + 2 * kLeft) * (kHeight + 2 * kTop), 0) {
        vx::ensureGuiApplication();
        mouse_test::openedURLs().clear();
        services.size = sizeof services;
        services.version = kVxHostServicesVersion;
        services.openURL = mouse_test::recordURL;
        vx::setHostServicesForTesting(&services);
        // Nothing listens on port 1: the start-up version check fails at once.
        home.write("Library/Application Support/Voxtrail/VoxtrailServices",
                   std::string(kServiceHost) + "\n" + kServiceHost + "\n");
        root = std::make_unique<ViewRoot>();
        ProtectedData& st = root->state;
        st.setValid_internet_connection(true);
        st.setVoxtrail_version_update(false);
        st.setiTunesVersion(11.1f);
        setPlace("Boston", "MA", "75");
        root->engine.stepHookForTesting = [this](uint32_t bit) {
            std::lock_guard<std::mutex> l(stepsLock);
            steps.push_back(bit);
            return 0;
        };

        port.pixels = portPixels.data();
        port.width = kWidth + 2 * kLeft;
        port.height = kHeight + 2 * kTop;
        port.rowBytes = port.width * 4;
        record.destPort = &port;
        record.destRect = Rect{kTop, kLeft, kTop + kHeight, kLeft + kWidth};
        EXPECT_EQ(NewGWorld(&record.offscreen, 32, &record.destRect, 0), noErr);
        CalVis::visualPluginData = &record;
        showMonth(3, 2031);
    }

    ~MouseFixture() override {
        joinRefresh();
        CalVis::visualPluginData = nullptr;
        root.reset();
        vx::setHostServicesForTesting(nullptr);
        DisposeGWorld(record.offscreen);
    }

    void showMonth(int month, int year) {
        root->view.curVisMonth = month;
        root->view.curVisYear = year;
    }
    // The place of the last search and the one in the fields.
    void setPlace(const char* city, const char* state, const char* radius) {
        ProtectedData& st = root->state;
        st.setCurCity(city);
        st.setCurState(state);
        st.setCurSearchRadius(std::atoi(radius));
        st.setCurCityDisplay(city);
        st.setCurStateDisplay(state);
        st.setCurSearchRadiusDisplay(radius);
    }

    SHOWENTRY* addShow(SHOWLIST* list, const char* artist, int day, int month = 3, int year = 2031,
                       const char* url = "http://tickets.example/show") {
        auto* e = new SHOWENTRY;
        vx::copyText(e->artist, artist);
        vx::copyText(e->venue, "The Hall");
        vx::copyText(e->url, url);
        e->day = day;
        e->month = month;
        e->year = year;
        list->addShow(e, nullptr);
        return list->findShow(artist);
    }
    // Shows on n days of March 2031, one a day from the 1st, so the list is taller than its area.
    void addManyShows(int n) {
        for (int i = 0; i < n; ++i)
            addShow(root->concerts, ("Band " + std::to_string(i)).c_str(), 1 + i % 28);
    }

    void render() { root->view.Render(); }

    // Pane coordinates in, port coordinates out, as the host delivers them.
    void send(uint32_t kind, int x, int y, uint16_t button = kEventMouseButtonPrimary, uint32_t modifiers = 0,
              int32_t delta = 0) {
        VxMouseEvent ev{};
        ev.kind = kind;
        ev.location.h = static_cast<int16_t>(x + kLeft);
        ev.location.v = static_cast<int16_t>(y + kTop);
        ev.button = button;
        ev.modifiers = modifiers;
        ev.wheelDelta = delta;
        EXPECT_EQ(MonitorHandler(&ev, &root->view), eventNotHandledErr);
    }
    void moveTo(mouse_test::Point2 p) { send(kEventMouseMoved, p.x, p.y, 0); }
    void click(mouse_test::Point2 p) {
        moveTo(p);
        send(kEventMouseDown, p.x, p.y);
        send(kEventMouseUp, p.x, p.y);
    }
    void secondaryClick(mouse_test::Point2 p) {
        send(kEventMouseDown, p.x, p.y, kEventMouseButtonSecondary);
        send(kEventMouseUp, p.x, p.y, kEventMouseButtonSecondary);
    }
    void wheel(mouse_test::Point2 p, int32_t delta) { send(kEventMouseWheelMoved, p.x, p.y, 0, 0, delta); }

    // Whether a refresh was started since the last look; waits for it to end.
    bool refreshStarted() { return joinRefresh(); }
    bool joinRefresh() {
        if (!root || !root->engine.updateThreadHandle.joinable()) return false;
        root->engine.updateThreadHandle.join();
        return true;
    }
    std::vector<uint32_t> stepsRun() {
        std::lock_guard<std::mutex> l(stepsLock);
        return steps;
    }

    std::string text(void (ProtectedData::*get)(char*)) {
        char buf[256];
        (root->state.*get)(buf);
        return buf;
    }
    std::string prefsFile() const {
        if (root) root->engine.actions.drain();
        std::ifstream in(home.supportFolder() + "VoxtrailPref");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string address(const std::string& path) const {
        return std::string("http://") + kServiceHost + path;
    }

    // The offscreen frame's pixel in pane coordinates, as 0xRRGGBB.
    uint32_t pixel(int x, int y) const {
        return record.offscreen->pixels[static_cast<std::size_t>(y) * record.offscreen->width + x] &
               0xFFFFFFu;
    }
    int inked(int x0, int y0, int x1, int y1) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += pixel(x, y) != 0xFFFFFFu;
        return n;
    }

    TempHome home;
    VxHostServices services{};
    std::unique_ptr<ViewRoot> root;
    std::vector<uint32_t> portPixels;
    VxHostPort port{};
    VisualPluginData record{};
    std::mutex stepsLock;
    std::vector<uint32_t> steps;
};
