#include "player/script_runner.h"

#include "player/control_driving.h"

#include "player/output.h"

#include <QDateTime>
#include <cmath>
#include <cstdio>

namespace vx::player {

namespace {
// How often wait-file looks at the file, and how soon a busy session is tried again.
constexpr int kPollMs = 20;
constexpr int kBusyRetryMs = 10;

qint64 nowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

std::string windowLine(const vx::InterfaceWindowInfo& w) {
    char opacity[16];
    std::snprintf(opacity, sizeof opacity, "%.2f", w.opacity);
    return "window: " + w.name + " " + std::to_string(w.geometry.x()) + " " + std::to_string(w.geometry.y()) +
           " " + std::to_string(w.geometry.width()) + " " + std::to_string(w.geometry.height()) + " " +
           opacity + " " + (w.visible ? "1" : "0");
}
} // namespace

ScriptRunner::ScriptRunner(PlayerSession& session, std::function<void(int)> finish)
    : session_(session), finish_(std::move(finish)) {
    hooks_.show = [this](int w, int h) { session_.show(w, h); };
    hooks_.resize = [this](int w, int h) { session_.resize(w, h); };
    hooks_.hide = [this] { session_.hide(); };
    waitTimer_.setInterval(kPollMs);
    QObject::connect(&waitTimer_, &QTimer::timeout, &context_, [this] { pollWaitFile(); });
}

void ScriptRunner::addLine(std::string line) {
    if (finished_) return;
    lines_.push_back(std::move(line));
    schedule();
}

void ScriptRunner::endOfInput() {
    endOfInput_ = true;
    schedule();
}

void ScriptRunner::schedule(int delayMs) {
    if (scheduled_ || finished_) return;
    scheduled_ = true;
    QTimer::singleShot(delayMs, &context_, [this] {
        scheduled_ = false;
        step();
    });
}

void ScriptRunner::step() {
    if (finished_ || waiting_) return;
    if (session_.busy()) {
        schedule(kBusyRetryMs);
        return;
    }
    if (lines_.empty()) {
        if (endOfInput_) stop(0);
        return;
    }
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    ++lineNumber_;
    ParsedLine parsed = parseScriptLine(line);
    if (parsed.outcome == ParsedLine::Outcome::Error) {
        printNote("script line " + std::to_string(lineNumber_) + ": " + parsed.error + ": " + line);
        stop(2);
        return;
    }
    if (parsed.outcome == ParsedLine::Outcome::Command && !execute(parsed.command)) return;
    schedule();
}

bool ScriptRunner::execute(const ScriptCommand& c) {
    using K = ScriptCommand::Kind;
    switch (c.kind) {
    case K::Show:
        hooks_.show(c.width, c.height);
        break;
    case K::Resize:
        hooks_.resize(c.width, c.height);
        break;
    case K::Hide:
        hooks_.hide();
        break;
    case K::Idle:
        session_.idle(c.count);
        break;
    case K::Config:
        if (!session_.configure()) printNote("config: the visualizer has no options");
        break;
    case K::Quit:
        stop(0);
        return false;
    case K::Keys:
        for (uint8_t k : c.keys)
            session_.key(k, keyDown, c.keyModifiers);
        break;
    case K::Play:
        session_.play(c.text, c.album);
        break;
    case K::PlayCurrent:
        if (const LibraryTrack* t = session_.currentTrack())
            session_.play(t->artist, t->album);
        else if (!session_.library().tracks.empty())
            session_.playTrack(0);
        else
            printNote("play: the library has no tracks");
        break;
    case K::Next:
        if (!session_.next()) printNote("next: the library has no tracks");
        break;
    case K::Pause:
        session_.pause();
        break;
    case K::Unpause:
        session_.unpause();
        break;
    case K::Mouse: {
        auto at = [&](uint32_t kind, uint16_t button, int32_t delta = 0) {
            session_.mouse(kind, c.x, c.y, button, 0, delta);
        };
        switch (c.mouse) {
        case MouseAction::Down:
            at(kEventMouseDown, kEventMouseButtonPrimary);
            break;
        case MouseAction::Up:
            at(kEventMouseUp, kEventMouseButtonPrimary);
            break;
        case MouseAction::Click:
            // The pointer reaches X Y before it presses there, as a real click's does, so the
            // link or field under it is the one that acts.
            at(kEventMouseMoved, 0);
            at(kEventMouseDown, kEventMouseButtonPrimary);
            at(kEventMouseUp, kEventMouseButtonPrimary);
            break;
        case MouseAction::SecondaryClick:
            at(kEventMouseMoved, 0);
            at(kEventMouseDown, kEventMouseButtonSecondary);
            at(kEventMouseUp, kEventMouseButtonSecondary);
            break;
        case MouseAction::Move:
            at(kEventMouseMoved, 0);
            break;
        case MouseAction::Drag:
            at(kEventMouseDragged, kEventMouseButtonPrimary);
            break;
        case MouseAction::Wheel:
            at(kEventMouseWheelMoved, 0, c.delta);
            break;
        }
        break;
    }
    case K::Sleep:
        waiting_ = true;
        QTimer::singleShot(c.count, &context_, [this] {
            waiting_ = false;
            schedule();
        });
        return false;
    case K::WaitFile:
        waiting_ = true;
        waitPath_ = c.text;
        waitStart_ = fileState(c.text);
        waitDeadlineMs_ = nowMs() + static_cast<qint64>(std::llround(c.seconds * 1000));
        waitTimer_.start();
        pollWaitFile();
        return false;
    case K::WaitIdle:
        waiting_ = true;
        waitPath_.clear();
        waitIdleSeconds_ = c.seconds;
        waitDeadlineMs_ = nowMs() + static_cast<qint64>(std::llround(c.seconds * 1000));
        waitTimer_.start();
        pollWaitFile();
        return false;
    case K::Snapshot:
        if (session_.snapshot(c.text))
            printLine("snapshot: " + c.text);
        else
            printLine("snapshot-error: " + c.text);
        break;
    case K::Answer:
        session_.dialogs().answers.alertButton = c.text;
        break;
    case K::AnswerFile:
        session_.dialogs().answers.file = c.text;
        break;
    case K::Windows:
        for (const vx::InterfaceWindowInfo& w : session_.interfaceWindows().windows())
            printLine(windowLine(w));
        break;
    case K::WindowSnapshot:
        if (session_.interfaceWindows().snapshot(c.window, c.text))
            printLine("window-snapshot: " + c.text);
        else
            printLine("window-snapshot-error: " + c.text);
        break;
    case K::WindowTexts:
        if (!session_.interfaceWindows().widgetNamed(c.window)) printNote("no window named " + c.window);
        for (const auto& [control, text] : session_.interfaceWindows().controlTexts(c.window))
            printLine("window-text: " + control + " " + oneLine(text));
        break;
    case K::WindowClick:
    case K::WindowHover: {
        // The window's handler calls into the plug-in: the session is busy meanwhile.
        vx::InterfaceWindows& windows = session_.interfaceWindows();
        const bool found =
            c.kind == K::WindowClick ? windows.click(c.window, c.x, c.y) : windows.hover(c.window, c.x, c.y);
        if (!found) printNote("no window named " + c.window);
        break;
    }
    case K::Control:
    case K::Press: {
        // The control's handler calls into the plug-in: the session is busy meanwhile.
        const bool set = c.kind == K::Control;
        const std::string why = set ? setControl(session_.interfaceWindows(), c.window, c.text)
                                    : pressControl(session_.interfaceWindows(), c.window);
        const std::string command = set ? "control" : "press";
        printLine(why.empty() ? command + ": " + c.window : command + "-error: " + c.window + " " + why);
        break;
    }
    }
    return true;
}

ScriptRunner::FileState ScriptRunner::fileState(const std::string& path) {
    FileState s;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        s.exists = true;
        s.mtime = st.st_mtim;
        s.size = st.st_size;
    }
    return s;
}

void ScriptRunner::pollWaitIdle() {
    const bool idle = session_.pluginIdle();
    if (!idle && nowMs() < waitDeadlineMs_) return;
    waitTimer_.stop();
    waiting_ = false;
    if (idle) {
        printLine("wait-idle: ok");
    } else {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", waitIdleSeconds_);
        printLine(std::string("wait-idle: timeout: the plug-in was still busy after ") + seconds + " s");
    }
    waitIdleSeconds_ = -1;
    schedule();
}

void ScriptRunner::pollWaitFile() {
    if (!waiting_ || finished_) return;
    if (waitIdleSeconds_ >= 0) return pollWaitIdle();
    FileState now = fileState(waitPath_);
    bool written = now.exists && (!waitStart_.exists || now.size != waitStart_.size ||
                                  now.mtime.tv_sec != waitStart_.mtime.tv_sec ||
                                  now.mtime.tv_nsec != waitStart_.mtime.tv_nsec);
    bool timedOut = !written && nowMs() >= waitDeadlineMs_;
    if (!written && !timedOut) return;
    waitTimer_.stop();
    waiting_ = false;
    printLine(std::string(written ? "wait-file: ok " : "wait-file: timeout ") + waitPath_);
    schedule();
}

void ScriptRunner::stop(int status) {
    if (finished_) return;
    finished_ = true;
    waitTimer_.stop();
    finish_(status);
}

} // namespace vx::player
