#pragma once
// Slows guessing: after a few failed sign-ins under one key (an account, or a client address)
// that key must wait before it may try again, and each further failure doubles the wait up to
// a ceiling. A refused try costs the service no hash, so a flood of guesses costs it little.
// Keys unused for an hour are forgotten, and the table has a fixed size.
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace vxs {

struct ThrottleRules {
    int freeFailures = 5; // failures before the first wait
    std::chrono::milliseconds firstWait{1000};
    std::chrono::milliseconds longestWait{60000};
    std::size_t maxKeys = 100000;
};

class FailureThrottle {
  public:
    using Clock = std::chrono::steady_clock;
    explicit FailureThrottle(ThrottleRules rules = {}) : rules_(rules) {}

    // Whether key may try now.
    bool mayTry(const std::string& key, Clock::time_point now = Clock::now());
    void failed(const std::string& key, Clock::time_point now = Clock::now());
    // A success forgets the key's failures.
    void succeeded(const std::string& key);

  private:
    struct Failures {
        int count = 0;
        Clock::time_point notBefore{};
        Clock::time_point last{};
    };
    void forgetOld(Clock::time_point now);

    ThrottleRules rules_;
    std::mutex mutex_;
    std::unordered_map<std::string, Failures> keys_;
};

// Counts events per key in fixed one-minute windows: at most a given number per window.
class RateLimit {
  public:
    using Clock = std::chrono::steady_clock;
    explicit RateLimit(int perMinute, std::size_t maxKeys = 100000)
        : perMinute_(perMinute), maxKeys_(maxKeys) {}

    // Counts one event for key; false (and nothing counted) when its minute is full.
    bool take(const std::string& key, Clock::time_point now = Clock::now());

  private:
    struct Window {
        Clock::time_point start{};
        int count = 0;
    };
    int perMinute_;
    std::size_t maxKeys_;
    std::mutex mutex_;
    std::unordered_map<std::string, Window> keys_;
};

} // namespace vxs
