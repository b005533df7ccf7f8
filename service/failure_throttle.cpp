#include "service/failure_throttle.h"

#include <algorithm>

namespace vxs {

bool FailureThrottle::mayTry(const std::string& key, Clock::time_point now) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = keys_.find(key);
    return found == keys_.end() || now >= found->second.notBefore;
}

void FailureThrottle::failed(const std::string& key, Clock::time_point now) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (keys_.size() >= rules_.maxKeys) forgetOld(now);
    auto found = keys_.find(key);
    if (found == keys_.end()) {
        // Full of keys that are all in use: the newest key goes unwatched rather than an old one.
        if (keys_.size() >= rules_.maxKeys) return;
        found = keys_.emplace(key, Failures{}).first;
    }
    Failures& f = found->second;
    ++f.count;
    f.last = now;
    const int over = f.count - rules_.freeFailures;
    if (over <= 0) return;
    auto wait = rules_.firstWait;
    for (int i = 1; i < over && wait < rules_.longestWait; ++i)
        wait *= 2;
    f.notBefore = now + std::min(wait, rules_.longestWait);
}

void FailureThrottle::succeeded(const std::string& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    keys_.erase(key);
}

void FailureThrottle::forgetOld(Clock::time_point now) {
    const auto idle = std::max<Clock::duration>(std::chrono::hours(1), rules_.longestWait);
    std::erase_if(keys_, [&](const auto& entry) {
        return now >= entry.second.notBefore && now - entry.second.last > idle;
    });
}

bool RateLimit::take(const std::string& key, Clock::time_point now) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (keys_.size() >= maxKeys_)
        std::erase_if(keys_,
                      [&](const auto& entry) { return now - entry.second.start >= std::chrono::minutes(1); });
    auto found = keys_.find(key);
    if (found == keys_.end()) {
        // Every key still inside its minute: refuse rather than grow.
        if (keys_.size() >= maxKeys_) return false;
        found = keys_.emplace(key, Window{now, 0}).first;
    }
    Window& w = found->second;
    if (now - w.start >= std::chrono::minutes(1)) w = Window{now, 0};
    if (w.count >= perMinute_) return false;
    ++w.count;
    return true;
}

} // namespace vxs
