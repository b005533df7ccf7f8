#include "plugin/engine/side_by_side.h"

#include "platform/boundary_guard.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

// Joins the helpers on every way out, an exception of the calling thread's own items included.
struct JoinAll {
    std::vector<std::thread>& threads;
    ~JoinAll() {
        for (std::thread& t : threads)
            if (t.joinable()) t.join();
    }
};

} // namespace

void runSideBySide(std::size_t count, const std::function<void(std::size_t)>& work, std::size_t width) {
    std::atomic<std::size_t> next{0};
    auto takeItems = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            work(i);
    };
    if (width == 0) width = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t helpers = std::min(width, count) > 0 ? std::min(width, count) - 1 : 0;
    std::vector<std::thread> threads;
    const JoinAll joinAll{threads};
    for (std::size_t t = 0; t < helpers; ++t)
        threads.push_back(vx::startGuardedThread("side-by-side search", takeItems));
    takeItems();
}
