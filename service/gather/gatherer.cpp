#include "service/gather/gatherer.h"

#include <algorithm>

namespace vxs {

Gatherer::Gatherer(std::vector<GatherSource> sources, const CityTable& cities, GatheredShows& shows,
                   GatherSchedule schedule, FetchLimits limits, Today today, LogLine log)
    : cities_(cities), shows_(shows), schedule_(schedule), limits_(std::move(limits)),
      today_(std::move(today)), log_(std::move(log)) {
    const Clock::time_point now = Clock::now();
    for (GatherSource& source : sources)
        states_.push_back(SourceState{std::move(source), {}, 0, now, false});
    random_ ^= static_cast<std::uint64_t>(now.time_since_epoch().count());
}

Gatherer::~Gatherer() {
    stop();
}

void Gatherer::start() {
    if (!thread_.joinable() && !states_.empty()) thread_ = std::thread([this] { run(); });
}

void Gatherer::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

int Gatherer::roundsDone() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return roundsDone_;
}

bool Gatherer::waitForRounds(int n, std::chrono::milliseconds within) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, within, [&] { return roundsDone_ >= n; });
}

std::chrono::milliseconds Gatherer::jittered(std::chrono::milliseconds base) {
    random_ ^= random_ << 13;
    random_ ^= random_ >> 7;
    random_ ^= random_ << 17;
    const double u = static_cast<double>(random_ >> 11) / static_cast<double>(1ull << 53); // [0, 1)
    const double factor = 1 + schedule_.jitter * (2 * u - 1);
    return std::chrono::milliseconds(static_cast<long long>(static_cast<double>(base.count()) * factor));
}

bool Gatherer::waitUntil(Clock::time_point when) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_until(lock, when, [this] { return stopping_.load(); });
    return !stopping_;
}

namespace {

long long unixSeconds(std::chrono::milliseconds from = {}) {
    const auto at = std::chrono::system_clock::now() + from;
    return std::chrono::duration_cast<std::chrono::seconds>(at.time_since_epoch()).count();
}

} // namespace

void Gatherer::gatherOne(SourceState& state) {
    const std::string name = std::string(sourceKindName(state.source.kind)) + " " + state.source.url;
    try {
        fetchAndStore(state, name);
    } catch (const StoreError& e) {
        // The answer is read again at the next turn; the store's transaction left nothing half done.
        const auto retry = jittered(schedule_.firstRetry);
        state.due = Clock::now() + retry;
        log_("gather: " + name + ": the store failed: " + e.what());
        if (state.claimed) {
            // Its turn is handed back for the retry, not held until the claim runs out.
            try {
                shows_.release(state.source.url, unixSeconds(retry), nullptr);
                state.claimed = false;
            } catch (const StoreError&) {
            }
        }
    }
}

void Gatherer::fetchAndStore(SourceState& state, const std::string& name) {
    const std::string host = urlHost(state.source.url);
    if (auto last = lastAsked_.find(host); last != lastAsked_.end())
        if (!waitUntil(last->second + schedule_.hostGap)) return;
    // The turn is taken for the deadline and a little more; the answer sets the next one.
    const auto hold = std::chrono::milliseconds(limits_.deadlineMs) + std::chrono::minutes(1);
    long long nextDue = 0;
    const long long now = unixSeconds();
    if (!shows_.claim(state.source.url, now, unixSeconds(hold), &state.validators, &nextDue)) {
        // Another process has its turn: asked again just after that turn ends (its shows come
        // with the round's reload meanwhile).
        state.due =
            Clock::now() + std::chrono::seconds(std::max(0ll, nextDue - now)) + jittered(schedule_.hostGap);
        return;
    }
    state.claimed = true;
    lastAsked_[host] = Clock::now();
    SourceRound round =
        gatherSource(state.source, state.validators, fetcher_, limits_, cities_, today_(), &stopping_);
    if (stopping_) {
        shows_.release(state.source.url, unixSeconds(), nullptr); // another process may ask at once
        state.claimed = false;
        return;
    }
    using Outcome = FetchResult::Outcome;
    if (round.fetch.outcome == Outcome::Failed) {
        ++state.failures;
        // Twice as long after each failure in a row, never longer than the interval.
        const auto wait = std::min<std::chrono::milliseconds>(
            schedule_.interval, schedule_.firstRetry * (1ll << std::min(state.failures - 1, 20)));
        const auto jitteredWait = jittered(wait);
        state.due = Clock::now() + jitteredWait;
        shows_.release(state.source.url, unixSeconds(jitteredWait), nullptr);
        state.claimed = false;
        log_("gather: " + name + ": failed (" + round.fetch.error + "), " + std::to_string(state.failures) +
             " in a row");
        return;
    }
    state.failures = 0;
    const auto wait = jittered(schedule_.interval);
    state.due = Clock::now() + wait;
    if (round.fetch.outcome == Outcome::NotModified) {
        shows_.release(state.source.url, unixSeconds(wait), nullptr);
        state.claimed = false;
        log_("gather: " + name + ": not modified");
        return;
    }
    state.validators = round.whole ? round.fetch.validators : Validators{};
    for (const SkippedEntry& s : round.skipped)
        log_("gather: " + name + ": skipped " + s.entry + ": " + s.reason);
    const std::size_t found = round.shows.size();
    if (round.whole) {
        shows_.sourceAnswered(state.source.url, std::move(round.shows));
    } else {
        // Not whole: its shows are added, none of the others is counted missing, and the next
        // answer is read again in full.
        shows_.sourceAdded(state.source.url, std::move(round.shows));
    }
    shows_.release(state.source.url, unixSeconds(wait), &state.validators);
    state.claimed = false;
    log_("gather: " + name + ": " + std::to_string(found) + " shows, " + std::to_string(round.skippedCount) +
         " skipped" + (round.whole ? "" : ", answer not whole"));
}

void Gatherer::run() {
    while (!stopping_) {
        // The first round asks every source once, in order; later ones whichever is due.
        for (SourceState& state : states_) {
            if (stopping_) return;
            if (state.due <= Clock::now()) gatherOne(state);
        }
        // What other processes on the store gathered meanwhile.
        try {
            shows_.reload();
        } catch (const StoreError& e) {
            log_(std::string("gather: cannot read the gathered shows: ") + e.what());
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++roundsDone_;
        }
        changed_.notify_all();
        const auto next =
            std::min_element(states_.begin(), states_.end(),
                             [](const SourceState& a, const SourceState& b) { return a.due < b.due; });
        if (!waitUntil(next->due)) return;
    }
}

} // namespace vxs
