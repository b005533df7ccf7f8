#pragma once
// Runs the calendar exports that secondary clicks ask for on a thread of its own: an export
// waits for the export lock while a refresh's export holds it, and the host thread must never.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class ClickExportQueue {
  public:
    ClickExportQueue() = default;
    ~ClickExportQueue() { stop(); }
    ClickExportQueue(const ClickExportQueue&) = delete;
    ClickExportQueue& operator=(const ClickExportQueue&) = delete;

    // Asks for exportShows to run. One asked for while an earlier one still waits replaces it:
    // each writes the chosen shows as they are when it runs, so the later covers both.
    void post(std::function<void()> exportShows);
    // Waits until the export asked for has run.
    void drain();
    // At shutdown: an export still waiting is dropped (the saved choices reach the calendar at
    // the next refresh), one under way is finished and the thread is joined. Later posts are
    // dropped.
    void stop();

  private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> pending_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread worker_; // started at the first post
};
