#pragma once
// Recognises the two kinds of script the plug-in hands to the notification service: the
// registration and a notice. A script is recognised only when it is, word for word, one the
// plug-in writes; its quoted texts are read as AppleScript reads them (\" a quote, \\ a
// backslash), so a quote inside a name stays inside that name.
#include <optional>
#include <string>
#include <string_view>

namespace vx {

struct GrowlScript {
    enum class Kind { Registration, Notification };
    Kind kind = Kind::Registration;
    // A notice's quoted texts as the script holds them, unescaped.
    std::string name, title, description, applicationName, imageLocation;
};

std::optional<GrowlScript> recognizeGrowlScript(std::string_view text);

// The texts of an AppleScript string literal: backslashes and quotes escaped, and control
// characters (which would end a line of the script) as blanks.
std::string appleScriptStringContent(std::string_view text);

} // namespace vx
