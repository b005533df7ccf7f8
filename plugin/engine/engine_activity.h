#pragma once
// Whether the engine still works on something the user or the host asked for: user actions on
// the action queue, or a refresh. The host hears each change, so a script can wait until the
// plug-in is idle rather than sleep and hope.
#include <functional>
#include <mutex>

class EngineActivity {
  public:
    explicit EngineActivity(std::function<void(bool idle)> tell) : tell_(std::move(tell)) {}

    void setActionsBusy(bool busy) { set(actionsBusy_, busy); }
    void setSharesBusy(bool busy) { set(sharesBusy_, busy); }
    void setRefreshing(bool refreshing) { set(refreshing_, refreshing); }

  private:
    void set(bool& part, bool value) {
        std::lock_guard<std::mutex> lock(mutex_);
        part = value;
        const bool idle = !actionsBusy_ && !sharesBusy_ && !refreshing_;
        if (idle == toldIdle_) return;
        toldIdle_ = idle;
        if (tell_) tell_(idle);
    }

    const std::function<void(bool)> tell_;
    std::mutex mutex_;
    bool actionsBusy_ = false;
    bool sharesBusy_ = false;
    bool refreshing_ = false;
    bool toldIdle_ = true;
};
