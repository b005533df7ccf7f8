#include "plugin/model/ascii_name_rule.h"

#include <array>
#include <cstdint>

namespace {

enum Kind : std::uint8_t { kSkip, kKept, kBlank, kEntityByte, kEnd, kBeyondAscii };

struct ByteTable {
    std::array<Kind, 256> kind{};
    std::array<char, 256> lower{};
};

constexpr ByteTable makeTable() {
    ByteTable t;
    for (int c = 0; c < 256; ++c) {
        t.kind[c] = c >= 0x80 ? kBeyondAscii : kSkip;
        t.lower[c] = static_cast<char>(c);
    }
    for (int c = '0'; c <= '9'; ++c)
        t.kind[c] = kKept;
    for (int c = 'a'; c <= 'z'; ++c)
        t.kind[c] = kKept;
    for (int c = 'A'; c <= 'Z'; ++c) {
        t.kind[c] = kKept;
        t.lower[c] = static_cast<char>(c - 'A' + 'a');
    }
    t.kind[' '] = kBlank;
    t.kind['&'] = t.kind['#'] = t.kind[';'] = kEntityByte;
    t.kind[0] = kEnd;
    return t;
}

constexpr ByteTable kTable = makeTable();
constexpr std::string_view kEntity = "&#38;";

} // namespace

bool cleanAsciiArtist(std::string_view name, char (&out)[256]) {
    const std::size_t n = name.size() < sizeof out - 1 ? name.size() : sizeof out - 1;
    std::size_t length = 0, wordStart = 0, wordLength = 0, entityMatched = 0;
    char word[4] = {}; // the word's first kept bytes, to spot a dropped one
    for (std::size_t i = 0; i < n; ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        const Kind kind = kTable.kind[byte];
        if (kind == kKept && entityMatched == 0) { // the common case: a letter or digit of a word
            const char c = kTable.lower[byte];
            if (wordLength < sizeof word) word[wordLength] = c;
            ++wordLength;
            out[length++] = c;
            continue;
        }
        if (kind == kSkip) continue;
        if (kind == kEnd) break;
        if (kind == kBeyondAscii) return false;
        if (kind == kBlank) {
            const std::string_view kept(word, wordLength < sizeof word ? wordLength : sizeof word);
            if (wordLength <= 3 && (kept == "and" || kept == "the" || kept == "a")) length = wordStart;
            wordStart = length;
            wordLength = entityMatched = 0;
            continue;
        }
        // A letter or digit inside a possible "&#38;", or one of its other bytes.
        const char c = kTable.lower[byte];
        if (wordLength < sizeof word) word[wordLength] = c;
        ++wordLength;
        if (c == kEntity[entityMatched])
            ++entityMatched;
        else
            entityMatched = c == '&' ? 1 : 0;
        if (kind == kKept) out[length++] = c;
        if (entityMatched == kEntity.size()) {
            length -= 2; // the entity's digits
            entityMatched = 0;
        }
    }
    out[length] = '\0';
    return true;
}
