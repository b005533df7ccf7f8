#include "plugin/prefs/name_rules.h"

#include "common/person_names.h"
#include "plugin/model/text_helpers.h"

#include <vector>

namespace vx::prefs {

namespace {
bool letterOrDigit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}
} // namespace

std::string cutField(const std::string& text, std::size_t capacity) {
    std::string cut = text.substr(0, capacity - 1);
    // A NUL inside would end the text in every fixed buffer it goes to.
    return cut.substr(0, cut.find('\0'));
}

std::string trimmedField(const std::string& text, std::size_t capacity) {
    const std::string cut = cutField(text, capacity);
    std::vector<char> buffer(cut.begin(), cut.end());
    buffer.push_back('\0');
    strRemoveTrailingSpaces(buffer.data());
    strRemoveLeadingSpaces(buffer.data());
    return buffer.data();
}

bool lettersDigitsBlanks(const std::string& text) {
    for (char c : text)
        if (!letterOrDigit(c) && c != ' ') return false;
    return true;
}

std::string refusedInPersonName(const std::string& name) {
    const auto refused = vx::firstRefusedNameCharacter(name);
    return refused ? vx::describeNameCharacter(name, *refused) : "";
}

bool lettersDigits(const std::string& text) {
    for (char c : text)
        if (!letterOrDigit(c)) return false;
    return true;
}

} // namespace vx::prefs
