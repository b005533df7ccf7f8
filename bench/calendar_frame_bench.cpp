// One full frame of the calendar screen at 1280 x 800: drawn off screen and copied to a host
// port, with 500 concerts over the visible months and the other two tabs filled as well.
// Prints the median and the 90th percentile of 300 frames per tab.
#include "common/fixed_text.h"
#include "plugin/view/render_frame.h"
#include "plugin/view/ticket_icons.h"
#include "plugin/view/visual_plugin_data.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace {
constexpr int kWidth = 1280, kHeight = 800, kFrames = 300;

void fill(SHOWLIST& list, int count, int month, int year, const char* prefix, bool labels) {
    for (int i = 0; i < count; ++i) {
        auto* e = new SHOWENTRY;
        vx::copyText(e->artist, (std::string(prefix) + " " + std::to_string(i)).c_str());
        vx::copyText(e->venue, "Paradise Rock Club");
        vx::copyText(e->location, "Boston, MA");
        vx::copyText(e->otherArtists, "The Openers");
        int m = month + i % 3, y = year; // three months from the visible one
        if (m > 12) m -= 12, ++y;
        e->day = 1 + (i * 7) % 28;
        e->month = m;
        e->year = y;
        e->ticketsAvailable = i % 4 == 0;
        e->selected = i % 6 == 0;
        if (labels) {
            e->nameList->add(new FRIENDNAME("alice"));
            e->nameList->add(new FRIENDNAME("CD"));
        }
        list.addShow(e, nullptr);
    }
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * (v.size() - 1))];
}
} // namespace

int main(int argc, char** argv) {
    if (argc > 1) setTicketIconFolder(argv[1]); // the bundle's Resources, when not run from it
    CalVis view(nullptr, nullptr);
    ProtectedData state;
    SHOWLIST concerts, friendShows, albumReleases;
    FRIENDLIST friends;
    setFormatFilterStore(&state);
    const CalendarData data{&view, &state, &concerts, &friendShows, &albumReleases, &friends};
    fill(concerts, 500, view.curVisMonth, view.curVisYear, "Artist", false);
    fill(friendShows, 200, view.curVisMonth, view.curVisYear, "Friend Band", true);
    fill(albumReleases, 200, view.curVisMonth, view.curVisYear, "Release", true);
    friends.add(new FRIENDNAME("alice"));
    state.addFormatFilter("Vinyl");
    state.setCurCityDisplay("Boston");
    state.setCurStateDisplay("MA");
    state.setLastSearch_y(2024);

    std::vector<uint32_t> portPixels(static_cast<std::size_t>(kWidth) * kHeight);
    VxHostPort port{};
    port.pixels = portPixels.data();
    port.width = kWidth;
    port.height = kHeight;
    port.rowBytes = kWidth * 4;
    VisualPluginData record{};
    record.destPort = &port;
    record.destRect = Rect{0, 0, kHeight, kWidth};
    if (NewGWorld(&record.offscreen, 32, &record.destRect, 0) != noErr) return 1;
    CalVis::visualPluginData = &record;

    std::printf("calendar frame, %d x %d, 500 concerts / 200 friends' shows / 200 releases\n", kWidth,
                kHeight);
    for (int tab = 0; tab < 3; ++tab) {
        state.setCurCalTab(tab);
        for (int i = 0; i < 10; ++i)
            renderCalendarFrame(data); // warm the font and glyph caches
        std::vector<double> ms;
        for (int i = 0; i < kFrames; ++i) {
            const auto start = std::chrono::steady_clock::now();
            renderCalendarFrame(data);
            ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
        std::printf("  tab %d: median %.2f ms, p90 %.2f ms over %d frames\n", tab, percentile(ms, 0.5),
                    percentile(ms, 0.9), kFrames);
    }
    CalVis::visualPluginData = nullptr;
    DisposeGWorld(record.offscreen);
    setFormatFilterStore(nullptr);
    return 0;
}
