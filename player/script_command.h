#pragma once
// One line of a player script, parsed.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::player {

enum class MouseAction { Down, Up, Click, SecondaryClick, Move, Drag, Wheel };

struct ScriptCommand {
    enum class Kind {
        Show,
        Resize,
        Hide,
        Idle,
        Config,
        Quit,
        Keys, // "key" and "type": one key event per code
        Play,
        PlayCurrent, // "play" without arguments
        Next,
        Pause,
        Unpause,
        Mouse,
        Sleep,
        WaitFile,
        WaitIdle, // seconds
        Snapshot,
        Answer,
        AnswerFile,
        Windows,        // one "window:" line per window of the plug-ins
        WindowSnapshot, // name, path
        WindowTexts,    // name
        WindowClick,    // name, x, y in window coordinates
        WindowHover,
        Control, // name (window), value (text)
        Press    // name (window)
    };
    Kind kind = Kind::Quit;
    int width = 0, height = 0;   // show, resize
    int x = 0, y = 0, delta = 0; // mouse, in pane coordinates
    MouseAction mouse = MouseAction::Click;
    int count = 0;             // idle N, sleep MS
    double seconds = 0;        // wait-file, wait-idle
    std::string text;          // path, button, artist
    std::string window;        // window-snapshot, window-click, window-hover
    std::string album;         // play
    std::vector<uint8_t> keys; // key, type
    uint16_t keyModifiers = 0; // key: held with the keys (ctrl+A holds controlKey)
};

struct ParsedLine {
    enum class Outcome { Command, Skip, Error };
    Outcome outcome = Outcome::Skip;
    ScriptCommand command;
    std::string error; // what is wrong, for Error
};

// Blank lines and "#" comments are skipped; surrounding blanks and a trailing CR are ignored.
ParsedLine parseScriptLine(std::string_view line);

// The classic character code of a key name: return 13, tab 9, backspace 8, left 28, right 29,
// up 30, down 31, space 32, or the one character itself (UTF-8), as its Mac OS Roman code.
std::optional<uint8_t> keyCodeForName(std::string_view name);

// The largest pane side the player accepts.
constexpr int kMaxPaneSide = 4096;

} // namespace vx::player
