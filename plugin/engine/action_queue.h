#pragma once
// What user actions leave to do once they changed the user's data (saves, exports, sharing
// requests) runs here, on one thread, in the order asked: the host thread never waits for a file
// or for the web lock a refresh holds. A save or an export does its work as things are when it
// runs, so one still waiting covers a later one of its kind; every sharing request is sent.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class ActionQueue {
  public:
    enum class Kind { Save, Export, Share };
    using Task = std::function<void()>;

    // idleChanged(true) once the last task asked for has run, idleChanged(false) when a task is
    // asked for while none waits; called in that order, with the queue's lock held.
    explicit ActionQueue(std::function<void(bool idle)> idleChanged = {});
    ~ActionQueue() { stop(); }
    ActionQueue(const ActionQueue&) = delete;
    ActionQueue& operator=(const ActionQueue&) = delete;

    // Asks for task after those already asked for. A save or an export asked for while one of its
    // kind still waits takes that one's turn instead.
    void post(Kind kind, Task task);
    // Waits until every task asked for has run.
    void drain();
    // What a close dropped that the user asked for and would lose: the caller does it itself.
    struct Dropped {
        bool save = false;
        bool exportAsked = false;
    };
    // At shutdown: drops what waits and takes no more posts; waits for a save or export under
    // way, so the caller's own cannot run beside it.
    Dropped closeKeepingWrites();
    // A task under way is finished and the thread joined; what waits is dropped, and so are
    // later posts until start.
    void stop();
    // At init, every time: takes posts again after a stop (the host may clean up and start the
    // plug-in again in one process).
    void start();

  private:
    struct Entry {
        Kind kind = Kind::Share;
        Task task;
    };
    void run();
    // Tells idleChanged when idleness changed; called with the lock held.
    void tellIdle();

    const std::function<void(bool)> idleChanged_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Entry> waiting_;
    bool busy_ = false;
    bool toldIdle_ = true;
    Kind running_ = Kind::Share;
    bool closed_ = false;
    bool stopping_ = false;
    std::thread worker_; // started at the first post
};
