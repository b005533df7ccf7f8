#include "service/stop_signals.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <pthread.h>
#include <unistd.h>

namespace vxs {

StopSignals::StopSignals(std::chrono::seconds startLimit)
    : startDeadline_(std::chrono::steady_clock::now() + startLimit), startLimit_(startLimit) {
    sigemptyset(&signals_);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals_, s);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    waiter_ = std::thread([this] { wait(); });
}

StopSignals::~StopSignals() {
    done();
    // Wakes the waiter, which sees the end and returns.
    pthread_kill(waiter_.native_handle(), SIGTERM);
    waiter_.join();
}

void StopSignals::done() {
    std::lock_guard<std::mutex> lock(mutex_);
    phase_ = ended;
}

void StopSignals::serving(std::function<void()> stop) {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = std::move(stop);
    phase_ = serving_;
}

void StopSignals::wait() {
    bool stopAsked = false;
    for (;;) {
        Phase phase;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            phase = phase_;
        }
        int signal = 0;
        if (phase == starting) {
            const auto left = startDeadline_ - std::chrono::steady_clock::now();
            if (left <= std::chrono::steady_clock::duration::zero()) {
                std::lock_guard<std::mutex> lock(mutex_);
                if (phase_ != starting) continue;
                std::fprintf(stderr,
                             "voxtrail-service: the start did not finish within %lld s (%s); ending\n",
                             static_cast<long long>(startLimit_.count()), stage_.load());
                _exit(1);
            }
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            const timespec wait{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
            signal = sigtimedwait(&signals_, nullptr, &wait);
            if (signal < 0) continue; // the deadline, or an interruption: looked at again
        } else if (sigwait(&signals_, &signal) != 0) {
            continue;
        }
        // Under the lock: once done() has returned, what stop_ names may go.
        std::lock_guard<std::mutex> lock(mutex_);
        if (phase_ == ended) return;
        if (phase_ == starting) {
            std::fprintf(stderr, "voxtrail-service: stopped by signal %d while %s\n", signal, stage_.load());
            _exit(128 + signal);
        }
        if (stopAsked) _exit(128 + signal); // asked again while stopping: at once
        stopAsked = true;
        stop_();
    }
}

} // namespace vxs
