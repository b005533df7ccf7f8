#pragma once
// Runs what user actions ask for (a click's export, a preferences save) on a thread of its own,
// so the host thread never waits for a file or for a lock a refresh holds. Each task does its
// work as things are when it runs, so only the latest one asked for needs to wait.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class LatestTaskQueue {
  public:
    explicit LatestTaskQueue(std::string threadName) : threadName_(std::move(threadName)) {}
    ~LatestTaskQueue() { stop(); }
    LatestTaskQueue(const LatestTaskQueue&) = delete;
    LatestTaskQueue& operator=(const LatestTaskQueue&) = delete;

    // Asks for task to run after the one under way, if any. One asked for while an earlier one
    // still waits replaces it: the later covers both.
    void post(std::function<void()> task);
    // Waits until the task asked for has run.
    void drain();
    // At shutdown: a task still waiting is dropped, one under way is finished and the thread
    // is joined. Later posts are dropped.
    void stop();
    // After a stop: takes posts again (the host may clean up and start the plug-in again).
    void restart();

  private:
    void run();

    const std::string threadName_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> pending_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread worker_; // started at the first post
};
