#include "platform/growl_script.h"

#include <vector>

namespace vx {

namespace {

struct Token {
    bool quoted = false;
    std::string text;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Words and quoted texts; nothing when a quoted text is not closed.
std::optional<std::vector<Token>> tokenize(std::string_view s) {
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < s.size()) {
        if (isBlank(s[i])) {
            ++i;
            continue;
        }
        Token t;
        if (s[i] == '"') {
            t.quoted = true;
            ++i;
            bool closed = false;
            while (i < s.size()) {
                const char c = s[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < s.size()) {
                    const char e = s[i++];
                    t.text += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
                    continue;
                }
                t.text += c;
            }
            if (!closed) return std::nullopt;
        } else {
            while (i < s.size() && !isBlank(s[i]) && s[i] != '"')
                t.text += s[i++];
        }
        out.push_back(std::move(t));
    }
    return out;
}

// Template tokens: a quoted "@N" captures any quoted text into slot N; the word "@*" matches any
// run of tokens (the enabled-notifications list, which the preferences decide).
bool match(const std::vector<Token>& pattern, std::size_t p, const std::vector<Token>& tokens, std::size_t t,
           std::vector<std::string>& slots) {
    for (; p < pattern.size(); ++p, ++t) {
        const Token& want = pattern[p];
        if (!want.quoted && want.text == "@*") {
            for (std::size_t skip = t; skip <= tokens.size(); ++skip)
                if (match(pattern, p + 1, tokens, skip, slots)) return true;
            return false;
        }
        if (t >= tokens.size()) return false;
        const Token& got = tokens[t];
        if (want.quoted && want.text.size() == 2 && want.text[0] == '@') {
            if (!got.quoted) return false;
            slots[static_cast<std::size_t>(want.text[1] - '0')] = got.text;
            continue;
        }
        if (got.quoted != want.quoted || got.text != want.text) return false;
    }
    return t == tokens.size();
}

constexpr std::string_view kPrologue = "tell application \"System Events\"\n"
                                       "set bGrowlIsRunning to (count of (every process whose name is "
                                       "\"GrowlHelperApp\")) > 0\n"
                                       "if bGrowlIsRunning is true then\n"
                                       "tell application \"GrowlHelperApp\"\n";
constexpr std::string_view kEpilogue = "end tell\nend if\nend tell";

constexpr std::string_view kNotice = "notify with name \"@0\" title \"@1\" description \"@2\" "
                                     "application name \"@3\" image from location \"@4\"\n";
constexpr std::string_view kRegistration =
    "set the allNotificationsList to {\"Upcoming Concert\", \"Upcoming Album Release\"}\n"
    "set the enabledNotificationsList to @* register as application \"Voxtrail\" all notifications "
    "allNotificationsList default notifications enabledNotificationsList icon of application "
    "\"Voxtrail_Installer.app\"\n";

const std::vector<Token>& pattern(bool notice) {
    static const std::vector<Token> n =
        *tokenize(std::string(kPrologue) + std::string(kNotice) + std::string(kEpilogue));
    static const std::vector<Token> r =
        *tokenize(std::string(kPrologue) + std::string(kRegistration) + std::string(kEpilogue));
    return notice ? n : r;
}

} // namespace

std::optional<GrowlScript> recognizeGrowlScript(std::string_view text) {
    const auto tokens = tokenize(text);
    if (!tokens) return std::nullopt;
    std::vector<std::string> slots(5);
    GrowlScript s;
    if (match(pattern(true), 0, *tokens, 0, slots)) {
        s.kind = GrowlScript::Kind::Notification;
        s.name = slots[0];
        s.title = slots[1];
        s.description = slots[2];
        s.applicationName = slots[3];
        s.imageLocation = slots[4];
        return s;
    }
    if (match(pattern(false), 0, *tokens, 0, slots)) return s;
    return std::nullopt;
}

std::string appleScriptStringContent(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    }
    return out;
}

} // namespace vx
