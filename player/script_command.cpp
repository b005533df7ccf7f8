#include "player/script_command.h"

#include "common/mac_roman.h"
#include "platform/visual_plugin_api.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace vx::player {

namespace {

std::string_view trim(std::string_view s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        size_t b = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t')
            ++i;
        if (i > b) out.push_back(s.substr(b, i - b));
    }
    return out;
}

std::optional<int> toInt(std::string_view s, int lo, int hi) {
    int v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi) return std::nullopt;
    return v;
}

// Mouse positions are kept within what a 16-bit port coordinate holds after the pane offset.
constexpr int kCoordLimit = 30000;

ParsedLine error(std::string what) {
    ParsedLine p;
    p.outcome = ParsedLine::Outcome::Error;
    p.error = std::move(what);
    return p;
}

// The characters of UTF-8 text as the key codes the host sends: ASCII as it is, other letters
// as their Mac OS Roman codes. Nothing when the text is not UTF-8 or holds a character that
// set lacks.
std::optional<std::vector<uint8_t>> keyCodesForText(std::string_view text) {
    std::vector<uint8_t> codes;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80             ? 1
                                   : (lead & 0xE0) == 0xC0 ? 2
                                   : (lead & 0xF0) == 0xE0 ? 3
                                                           : 0;
        if (length == 0 || i + length > text.size()) return std::nullopt;
        char32_t c = length == 1 ? lead : length == 2 ? (lead & 0x1F) : (lead & 0x0F);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            c = (c << 6) | (next & 0x3F);
        }
        const uint8_t code = vx::unicodeToMacRoman(c);
        if (code == 0) return std::nullopt;
        codes.push_back(code);
        i += length;
    }
    return codes;
}

} // namespace

std::optional<uint8_t> keyCodeForName(std::string_view name) {
    static constexpr std::pair<std::string_view, uint8_t> named[] = {
        {"return", 13}, {"tab", 9}, {"backspace", 8}, {"left", 28},
        {"right", 29},  {"up", 30}, {"down", 31},     {"space", 32}};
    for (const auto& [n, code] : named) {
        if (name == n) return code;
    }
    const auto codes = keyCodesForText(name);
    if (codes && codes->size() == 1) return codes->front();
    return std::nullopt;
}

ParsedLine parseScriptLine(std::string_view raw) {
    std::string_view line = trim(raw);
    if (line.empty() || line.front() == '#') return {};
    std::vector<std::string_view> w = words(line);
    std::string_view name = w[0];
    std::string_view rest = trim(line.substr(name.size()));
    ParsedLine p;
    p.outcome = ParsedLine::Outcome::Command;
    ScriptCommand& c = p.command;
    using K = ScriptCommand::Kind;

    auto expectArgs = [&](size_t n) { return w.size() == n + 1; };

    if (name == "show" || name == "resize") {
        c.kind = name == "show" ? K::Show : K::Resize;
        if (!expectArgs(2)) return error("expects a width and a height");
        auto wd = toInt(w[1], 1, kMaxPaneSide), ht = toInt(w[2], 1, kMaxPaneSide);
        if (!wd || !ht) return error("width and height must be 1 to " + std::to_string(kMaxPaneSide));
        c.width = *wd;
        c.height = *ht;
    } else if (name == "hide" || name == "config" || name == "quit" || name == "next" || name == "pause" ||
               name == "unpause") {
        if (!expectArgs(0)) return error("takes no arguments");
        c.kind = name == "hide"     ? K::Hide
                 : name == "config" ? K::Config
                 : name == "quit"   ? K::Quit
                 : name == "next"   ? K::Next
                 : name == "pause"  ? K::Pause
                                    : K::Unpause;
    } else if (name == "idle" || name == "sleep") {
        c.kind = name == "idle" ? K::Idle : K::Sleep;
        if (!expectArgs(1)) return error("expects one count");
        auto n = toInt(w[1], 0, name == "idle" ? 100000 : 3600000);
        if (!n) return error("the count must be a whole number in range");
        c.count = *n;
    } else if (name == "key") {
        c.kind = K::Keys;
        if (!expectArgs(1)) return error("expects one key name");
        // "ctrl+A": the letter with Control held, sent as a classic event sends it (code 1 to 26).
        const std::string_view key = w[1];
        if (key.size() == 6 && key.substr(0, 5) == "ctrl+" &&
            std::isalpha(static_cast<unsigned char>(key[5]))) {
            c.keys.push_back(
                static_cast<uint8_t>(std::toupper(static_cast<unsigned char>(key[5])) - 'A' + 1));
            c.keyModifiers = controlKey;
            return p;
        }
        auto code = keyCodeForName(key);
        if (!code) return error("unknown key name");
        c.keys.push_back(*code);
    } else if (name == "type") {
        c.kind = K::Keys;
        if (rest.empty()) return error("expects text");
        auto codes = keyCodesForText(rest);
        if (!codes) return error("types only UTF-8 text of the Mac OS Roman characters");
        c.keys = std::move(*codes);
    } else if (name == "play") {
        if (rest.empty()) {
            c.kind = K::PlayCurrent;
        } else {
            c.kind = K::Play;
            size_t bar = rest.find('|');
            c.text = std::string(trim(rest.substr(0, bar)));
            if (bar != std::string_view::npos) c.album = std::string(trim(rest.substr(bar + 1)));
        }
    } else if (name == "down" || name == "up" || name == "click" || name == "rclick" || name == "move" ||
               name == "drag" || name == "wheel") {
        c.kind = K::Mouse;
        bool wheel = name == "wheel";
        c.mouse = name == "down"     ? MouseAction::Down
                  : name == "up"     ? MouseAction::Up
                  : name == "click"  ? MouseAction::Click
                  : name == "rclick" ? MouseAction::SecondaryClick
                  : name == "move"   ? MouseAction::Move
                  : name == "drag"   ? MouseAction::Drag
                                     : MouseAction::Wheel;
        if (!expectArgs(wheel ? 3 : 2)) return error(wheel ? "expects X Y DELTA" : "expects X Y");
        auto x = toInt(w[1], -kCoordLimit, kCoordLimit), y = toInt(w[2], -kCoordLimit, kCoordLimit);
        if (!x || !y) return error("coordinates must be whole numbers in range");
        c.x = *x;
        c.y = *y;
        if (wheel) {
            auto d = toInt(w[3], -1000000, 1000000);
            if (!d) return error("the wheel delta must be a whole number");
            c.delta = *d;
        }
    } else if (name == "wait-file") {
        c.kind = K::WaitFile;
        if (w.size() < 3) return error("expects PATH SECONDS");
        std::string_view secs = w.back();
        std::string s(secs);
        char* end = nullptr;
        double v = std::strtod(s.c_str(), &end);
        if (end != s.c_str() + s.size() || !std::isfinite(v) || v < 0 || v > 3600)
            return error("SECONDS must be a number from 0 to 3600");
        c.seconds = v;
        c.text = std::string(trim(rest.substr(0, rest.size() - secs.size())));
    } else if (name == "wait-idle") {
        c.kind = K::WaitIdle;
        if (!expectArgs(1)) return error("expects SECONDS");
        std::string s(w[1]);
        char* end = nullptr;
        double v = std::strtod(s.c_str(), &end);
        if (end != s.c_str() + s.size() || !std::isfinite(v) || v < 0 || v > 3600)
            return error("SECONDS must be a number from 0 to 3600");
        c.seconds = v;
    } else if (name == "snapshot" || name == "answer" || name == "answer-file") {
        c.kind = name == "snapshot" ? K::Snapshot : name == "answer" ? K::Answer : K::AnswerFile;
        if (rest.empty()) return error("expects an argument");
        c.text = std::string(rest);
    } else if (name == "windows") {
        if (!expectArgs(0)) return error("takes no arguments");
        c.kind = K::Windows;
    } else if (name == "window-snapshot") {
        c.kind = K::WindowSnapshot;
        if (w.size() < 3) return error("expects NAME FILE.png");
        c.window = std::string(w[1]);
        c.text = std::string(trim(rest.substr(w[1].size())));
    } else if (name == "window-texts") {
        c.kind = K::WindowTexts;
        if (!expectArgs(1)) return error("expects NAME");
        c.window = std::string(w[1]);
    } else if (name == "window-click" || name == "window-hover") {
        c.kind = name == "window-click" ? K::WindowClick : K::WindowHover;
        if (!expectArgs(3)) return error("expects NAME X Y");
        auto x = toInt(w[2], -kCoordLimit, kCoordLimit), y = toInt(w[3], -kCoordLimit, kCoordLimit);
        if (!x || !y) return error("coordinates must be whole numbers in range");
        c.window = std::string(w[1]);
        c.x = *x;
        c.y = *y;
    } else if (name == "control") {
        c.kind = K::Control;
        if (w.size() < 2) return error("expects NAME VALUE");
        c.window = std::string(w[1]);
        c.text = std::string(trim(rest.substr(w[1].size())));
    } else if (name == "press") {
        c.kind = K::Press;
        if (!expectArgs(1)) return error("expects NAME");
        c.window = std::string(w[1]);
    } else {
        return error("unknown command");
    }
    return p;
}

} // namespace vx::player
