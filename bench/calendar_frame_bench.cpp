// One full frame of the calendar screen at 1280 x 800: drawn off screen and copied to a host
// port, with 500 concerts over the visible months and the other two tabs filled as well.
// Prints the fastest, the median and the 90th percentile of 300 frames per tab, and of "My Shows"
// with the panel about a hovered show open, and with the hover moving between two shows every frame, each
// frame paired with the floor (the world cleared and copied to the port) and the ratio of the two. Given a
// folder as its second argument, it also writes each case's last frame there as raw 32-bit pixels, to compare
// frames byte for byte.
#include "common/fixed_text.h"
#include "plugin/view/render_frame.h"
#include "plugin/view/ticket_icons.h"
#include "plugin/view/visual_plugin_data.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
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

// Time the drawing thread ran: on a shared machine, wall time also counts other processes' turns.
double threadCpuMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The floor a frame is held to: every pixel of a world of its own cleared, then copied to the port.
void clearAndCopy(VisualPluginData& host, GWorldPtr world) {
    PaintGWorld(world, 0xFFFFFFFFu);
    const Rect& r = host.destRect;
    const Rect source{0, 0, static_cast<int16_t>(r.bottom - r.top), static_cast<int16_t>(r.right - r.left)};
    CopyBits(world, &source, host.destPort, &r);
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
    GWorldPtr floorWorld = nullptr;
    if (NewGWorld(&record.offscreen, 32, &record.destRect, 0) != noErr ||
        NewGWorld(&floorWorld, 32, &record.destRect, 0) != noErr)
        return 1;
    CalVis::visualPluginData = &record;

    std::printf("calendar frame, %d x %d, 500 concerts / 200 friends' shows / 200 releases\n", kWidth,
                kHeight);
    const char* const names[] = {"tab 0", "tab 1", "tab 2", "tab 0 hovered",
                                 "tab 0, the hover moving every frame"};
    for (int run = 0; run < 5; ++run) {
        const int tab = run < 3 ? run : 0;
        state.setCurCalTab(tab);
        // The earliest show is on the visible month; hovering it opens its panel.
        concerts.head->hovered = run >= 3;
        for (int i = 0; i < 10; ++i)
            renderCalendarFrame(data); // warm the font and glyph caches
        std::vector<double> ms, cpu, floor;
        for (int i = 0; i < kFrames; ++i) {
            // Paired with its floor, so both see the same share of a loaded machine.
            const auto floorStart = std::chrono::steady_clock::now();
            clearAndCopy(record, floorWorld);
            floor.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - floorStart)
                    .count());
            const double cpuStart = threadCpuMilliseconds();
            const auto start = std::chrono::steady_clock::now();
            if (run == 4) { // from the first show to the second and back: no frame is the one before
                concerts.head->hovered = !concerts.head->hovered;
                concerts.head->next->hovered = !concerts.head->hovered;
            }
            renderCalendarFrame(data);
            ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            cpu.push_back(threadCpuMilliseconds() - cpuStart);
        }
        std::printf("  %s: min %.2f ms, median %.2f ms, p90 %.2f ms over %d frames (p90 of the thread's CPU "
                    "time %.2f ms)\n",
                    names[run], percentile(ms, 0.0), percentile(ms, 0.5), percentile(ms, 0.9), kFrames,
                    percentile(cpu, 0.9));
        std::printf(
            "    floor (clear and copy): min %.2f ms, median %.2f ms, p90 %.2f ms; frame p90 / floor p90 "
            "%.2f, median / median %.2f\n",
            percentile(floor, 0.0), percentile(floor, 0.5), percentile(floor, 0.9),
            percentile(ms, 0.9) / percentile(floor, 0.9), percentile(ms, 0.5) / percentile(floor, 0.5));
        if (argc > 2) {
            std::ofstream out(std::string(argv[2]) + "/frame-" + std::to_string(run) + ".raw",
                              std::ios::binary);
            out.write(reinterpret_cast<const char*>(portPixels.data()),
                      static_cast<std::streamsize>(portPixels.size() * sizeof(uint32_t)));
        }
    }
    CalVis::visualPluginData = nullptr;
    DisposeGWorld(record.offscreen);
    DisposeGWorld(floorWorld);
    setFormatFilterStore(nullptr);
    return 0;
}
