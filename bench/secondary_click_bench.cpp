// A secondary click on "My Shows" with 5,000 shows and export on, while another thread exports
// the list over and over as a refresh does: how long each click keeps the host thread, against
// how long one export holds the export lock; and how long a frame waits for a preferences save.
#include "bench/bench_timing.h"
#include "plugin/export/ical_file.h"
#include "tests/view/test_mouse_fixture.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

using namespace vx::bench;

namespace {

constexpr int kShows = 5000;
constexpr int kClicks = 40;

// The view's fixture outside a test run: its set-up and mouse events are what the bench needs.
class ClickBench : public MouseFixture {
  public:
    void TestBody() override {}

    int run() {
        addManyShows(kShows);
        // Chosen shows are the ones exported.
        for (SHOWENTRY* e = root->concerts->head; e; e = e->next)
            e->selected = true;
        root->state.setExportTo_iCal(true);
        root->state.setExportAllShows(false);
        render();
        SHOWENTRY* show = root->concerts->head;
        const mouse_test::Point2 row = mouse_test::centre(show->rowRect);

        // For scale: the same clicks with no export running.
        std::vector<double> quiet;
        for (int i = 0; i < kClicks; ++i) {
            const Clock::time_point start = Clock::now();
            secondaryClick(row);
            quiet.push_back(millisecondsOf(start));
        }
        root->engine.actions.drain();

        std::atomic<bool> exporting{true};
        std::vector<double> exports;
        std::thread refresh([&] {
            while (exporting) {
                const Clock::time_point start = Clock::now();
                performExportTo_iCal(root.get(), kServiceHost);
                exports.push_back(millisecondsOf(start));
            }
        });
        std::vector<double> clicks;
        for (int i = 0; i < kClicks; ++i) {
            const Clock::time_point start = Clock::now();
            secondaryClick(row);
            clicks.push_back(millisecondsOf(start));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        exporting = false;
        refresh.join();
        root->engine.actions.drain();

        // A click's frames wait for the render lock that a save holds while it copies the lists.
        std::vector<double> alone, whileSaving;
        for (int i = 0; i < kClicks; ++i)
            alone.push_back(frameMilliseconds());
        std::atomic<bool> saving{true};
        std::thread saver([&] {
            while (saving)
                root->engine.genPref();
        });
        for (int i = 0; i < kClicks; ++i) {
            whileSaving.push_back(frameMilliseconds());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        saving = false;
        saver.join();
        std::printf(
            "one export of %d shows (the refresh's, holding the export lock): %.1f ms (median of %zu)\n",
            kShows, median(exports), exports.size());
        std::printf("secondary click with export on, nothing else exporting: min %.2f ms, median %.2f ms "
                    "(%d clicks)\n",
                    *std::min_element(quiet.begin(), quiet.end()), median(quiet), kClicks);
        std::printf("secondary click with export on while a refresh exports: min %.2f ms, median %.2f ms, "
                    "longest %.2f ms (%d clicks)\n",
                    *std::min_element(clicks.begin(), clicks.end()), median(clicks),
                    *std::max_element(clicks.begin(), clicks.end()), kClicks);
        std::printf("one frame of %d shows: median %.2f ms, longest %.2f ms; while the preferences are saved "
                    "over and over: median %.2f ms, longest %.2f ms (%d frames)\n",
                    kShows, median(alone), *std::max_element(alone.begin(), alone.end()), median(whileSaving),
                    *std::max_element(whileSaving.begin(), whileSaving.end()), kClicks);
        return 0;
    }

  private:
    double frameMilliseconds() {
        const Clock::time_point start = Clock::now();
        render();
        return millisecondsOf(start);
    }
};

} // namespace

int main() {
    ClickBench bench;
    return bench.run();
}
