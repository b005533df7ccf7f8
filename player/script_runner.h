#pragma once
// Runs script lines against the session one at a time, returning to the event loop between
// lines so that repaints and posted work go on; sleep and wait-file keep the loop running.
#include "player/player_session.h"
#include "player/script_command.h"

#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <sys/stat.h>

namespace vx::player {

// How show, resize and hide reach the pane: straight to the session headless, through the
// window (which sizes itself to match) otherwise.
struct PaneHooks {
    std::function<void(int, int)> show;
    std::function<void(int, int)> resize;
    std::function<void()> hide;
};

class ScriptRunner {
  public:
    // finish(status) is called once: 0 at "quit" or the end of input, 2 after a bad line.
    ScriptRunner(PlayerSession& session, std::function<void(int)> finish);

    void setPaneHooks(PaneHooks hooks) { hooks_ = std::move(hooks); }

    void addLine(std::string line);
    void endOfInput();

  private:
    void schedule(int delayMs = 0);
    void step();
    // Runs one command; false when it continues asynchronously (and calls schedule() itself).
    bool execute(const ScriptCommand& c);
    // Polls for wait-file, or for wait-idle when waitIdleSeconds_ is set.
    void pollWaitFile();
    void pollWaitIdle();
    void stop(int status);

    struct FileState {
        bool exists = false;
        timespec mtime{};
        off_t size = 0;
    };
    static FileState fileState(const std::string& path);

    PlayerSession& session_;
    std::function<void(int)> finish_;
    PaneHooks hooks_;
    QObject context_;
    std::deque<std::string> lines_;
    long lineNumber_ = 0;
    bool endOfInput_ = false;
    bool scheduled_ = false;
    bool waiting_ = false;
    bool finished_ = false;
    QTimer waitTimer_;
    std::string waitPath_;
    FileState waitStart_;
    qint64 waitDeadlineMs_ = 0;
    double waitIdleSeconds_ = -1; // -1 while no wait-idle waits
};

} // namespace vx::player
