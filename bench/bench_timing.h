#pragma once
// What the timed-command benchmarks share: a clock, milliseconds since a start, a median, and
// the generated library artists' names.
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace vx::bench {

using Clock = std::chrono::steady_clock;

inline double millisecondsOf(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline std::string libraryName(int i) {
    return "The Band Number " + std::to_string(i);
}

} // namespace vx::bench
