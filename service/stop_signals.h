#pragma once
// The process's end, whatever it is doing: SIGTERM, SIGINT and SIGHUP are taken by one thread with
// sigwait, so no handler runs inside the servers. During the start a signal ends the process at
// once (nothing is served yet, and the stores survive a kill), and a start that has not finished
// by its deadline ends it with a message naming what it was doing. Once serving, the first signal
// stops the servers cleanly and a second one ends the process at once.
#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <mutex>
#include <thread>

namespace vxs {

class StopSignals {
  public:
    // Blocks the signals in this thread (and so in every thread it starts later): make it first.
    explicit StopSignals(std::chrono::seconds startLimit);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // What the start is doing now, for the message when it runs out of time (a literal).
    void stage(const char* what) { stage_ = what; }
    // The start is over; a signal from now on calls stop.
    void serving(std::function<void()> stop);
    // Serving is over: no signal calls stop any more.
    void done();

  private:
    void wait();

    enum Phase { starting, serving_, ended };
    sigset_t signals_{};
    std::chrono::steady_clock::time_point startDeadline_;
    std::chrono::seconds startLimit_;
    std::atomic<const char*> stage_{"starting"};
    std::mutex mutex_;
    Phase phase_ = starting;
    std::function<void()> stop_;
    std::thread waiter_;
};

} // namespace vxs
