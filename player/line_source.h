#pragma once
// Feeds script lines to a runner: a whole file at once, or standard input line by line as the
// lines arrive (so a test can drive the player step by step).
#include <QSocketNotifier>
#include <functional>
#include <memory>
#include <string>

namespace vx::player {

class StdinLineSource {
  public:
    // onLine for every complete line (the last one may lack its line break), then onEnd once.
    StdinLineSource(std::function<void(std::string)> onLine, std::function<void()> onEnd);
    StdinLineSource(const StdinLineSource&) = delete;
    StdinLineSource& operator=(const StdinLineSource&) = delete;

  private:
    void readSome();
    void finish();

    std::function<void(std::string)> onLine_;
    std::function<void()> onEnd_;
    QObject context_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::string partial_;
    bool ended_ = false;
};

// Every line of the file; false when it cannot be read.
bool readLines(const std::string& path, const std::function<void(std::string)>& onLine);

} // namespace vx::player
