#include "plugin/net/clean_city.h"

#include "common/fixed_text.h"

#include <cctype>
#include <string>

namespace {

constexpr std::size_t kCityCapacity = 256;

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

void cleanCity(char* city) {
    if (!city) return;
    std::string text(city);
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // Only a blank separates words: after '-', '.' or '\'' the letter stays lower case.
    for (std::size_t i = 1; i < text.size(); ++i)
        if (text[i - 1] == ' ') text[i] = upperAscii(text[i]);
    std::string words;
    for (char c : text) {
        if (c == ' ' && (words.empty() || words.back() == ' ')) continue;
        words.push_back(c);
    }
    if (!words.empty() && words.back() == ' ') words.pop_back();
    if (!words.empty()) words[0] = upperAscii(words[0]);
    vx::copyText(city, kCityCapacity, words.c_str());
}
