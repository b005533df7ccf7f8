#pragma once
// Sends the shows a secondary click adds to or withdraws from the shared ones, one after the
// other in click order, on a thread of its own: a refresh holds the web lock for whole fetches,
// and the host thread must never wait for it.
#include "plugin/model/show_list.h"
#include "plugin/net/web_session.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class SharingClickQueue {
  public:
    explicit SharingClickQueue(WebSession& web) : web_(web) {}
    ~SharingClickQueue() { stop(); }
    SharingClickQueue(const SharingClickQueue&) = delete;
    SharingClickQueue& operator=(const SharingClickQueue&) = delete;

    // Queues the show (a copy the queue keeps): added when selected, withdrawn otherwise.
    void post(std::unique_ptr<SHOWENTRY> show);
    // Waits until every queued show was sent or given up.
    void drain();
    // At shutdown: what is still queued is dropped, the send under way ends with the fetch the
    // shutdown stops, and the thread is joined. Later posts are dropped.
    void stop();
    // After a stop: takes posts again (the host may clean up and start the plug-in again).
    void restart();

  private:
    void run();
    void send(const SHOWENTRY& show);

    WebSession& web_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<SHOWENTRY>> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread worker_; // started at the first post
};
