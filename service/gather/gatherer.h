#pragma once
// The thread that gathers every source on its schedule: the first round at once, then each source
// again after the interval (with jitter, so that many services do not ask a host together), sooner
// with exponential back-off after a failure; at most one request a host per gap. Stops and joins
// when destroyed.
#include "service/city_table.h"
#include "service/gather/gathered_shows.h"
#include "service/gather/source_round.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <thread>

namespace vxs {

struct GatherSchedule {
    std::chrono::milliseconds interval = std::chrono::hours(6);
    double jitter = 0.1; // each wait is the interval give or take this share
    std::chrono::milliseconds firstRetry = std::chrono::minutes(1);
    std::chrono::milliseconds hostGap = std::chrono::seconds(1);
};

class Gatherer {
  public:
    using LogLine = std::function<void(const std::string&)>;
    using Today = std::function<CivilDate()>;

    // cities and shows must outlive the gatherer.
    Gatherer(std::vector<GatherSource> sources, const CityTable& cities, GatheredShows& shows,
             GatherSchedule schedule, FetchLimits limits, Today today, LogLine log);
    ~Gatherer();
    Gatherer(const Gatherer&) = delete;
    Gatherer& operator=(const Gatherer&) = delete;

    void start();
    void stop();

    // Rounds finished (every source asked once each), for tests and the log.
    int roundsDone() const;
    // Waits until n rounds are done or the time passes; whether they are.
    bool waitForRounds(int n, std::chrono::milliseconds within) const;

  private:
    using Clock = std::chrono::steady_clock;
    struct SourceState {
        GatherSource source;
        Validators validators;
        int failures = 0;
        Clock::time_point due;
        bool claimed = false; // its turn is taken in the store until released
    };
    void run();
    void gatherOne(SourceState& state);
    void fetchAndStore(SourceState& state, const std::string& name);
    std::chrono::milliseconds jittered(std::chrono::milliseconds base);
    bool waitUntil(Clock::time_point when); // false when stopped

    const CityTable& cities_;
    GatheredShows& shows_;
    const GatherSchedule schedule_;
    const FetchLimits limits_;
    Today today_;
    LogLine log_;
    std::vector<SourceState> states_;
    SourceFetcher fetcher_;                              // used by the thread alone
    std::map<std::string, Clock::time_point> lastAsked_; // by host
    std::uint64_t random_ = 0x9E3779B97F4A7C15ull;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::atomic<bool> stopping_{false};
    int roundsDone_ = 0;
    std::thread thread_;
};

} // namespace vxs
