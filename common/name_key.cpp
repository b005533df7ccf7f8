#include "common/name_key.h"

#include <utf8proc.h>

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vx {
namespace {

constexpr std::string_view kEntity = "&#38;";

bool isDigitOrLower(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
}

struct StringOut {
    std::string& text;
    void push(char c) { text.push_back(c); }
    void append(const char* bytes, std::size_t n) { text.append(bytes, n); }
    std::size_t size() const { return text.size(); }
    void resize(std::size_t n) { text.resize(n); }
};

// What the ASCII pass does with each byte, and its lower case.
enum ByteKind : std::uint8_t { kSkip, kKept, kBlank, kEntityByte, kEnd, kBeyondAscii };
struct ByteTable {
    ByteKind kind[256]{};
    char lower[256]{};
};
constexpr ByteTable makeByteTable() {
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
    t.kind[static_cast<unsigned char>(' ')] = kBlank;
    t.kind[static_cast<unsigned char>('&')] = t.kind[static_cast<unsigned char>('#')] =
        t.kind[static_cast<unsigned char>(';')] = kEntityByte;
    t.kind[0] = kEnd;
    return t;
}
constexpr ByteTable kBytes = makeByteTable();

// Most names on a source page are a few words of ASCII letters and digits: those are told, and
// lower-cased, sixteen bytes at a time, and their words then copied whole, short of a dropped
// article or conjunction. False, having decided nothing, for any other name.
bool plainWordsKey(std::string_view name, char* out, std::size_t& length) {
#if defined(__SSE2__)
    constexpr std::size_t kMost = 32;
    const std::size_t size = name.size();
    if (size == 0 || size > kMost) return false;
    alignas(16) char bytes[kMost] = {};
    std::memcpy(bytes, name.data(), size);
    std::uint32_t blanks = 0, kept = 0;
    for (std::size_t half = 0; half < kMost; half += 16) {
        auto* at = reinterpret_cast<__m128i*>(bytes + half);
        const __m128i v = _mm_load_si128(at);
        auto within = [&v](char low, char high) {
            return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(low - 1))),
                                 _mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(high + 1))));
        };
        const __m128i upper = within('A', 'Z');
        const __m128i letterOrDigit = _mm_or_si128(_mm_or_si128(upper, within('a', 'z')), within('0', '9'));
        _mm_store_si128(at, _mm_or_si128(v, _mm_and_si128(upper, _mm_set1_epi8(0x20))));
        blanks |= static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(' '))))
                  << half;
        kept |= static_cast<std::uint32_t>(_mm_movemask_epi8(letterOrDigit)) << half;
    }
    const std::uint32_t whole = size == kMost ? ~0u : (1u << size) - 1;
    if (((blanks | kept) & whole) != whole) return false;
    std::size_t n = 0;
    for (std::size_t at = 0; at < size;) {
        const std::uint32_t ahead = blanks & whole & (~0u << at);
        const std::size_t end = ahead ? static_cast<std::size_t>(__builtin_ctz(ahead)) : size;
        const std::string_view word(bytes + at, end - at);
        // A word is dropped only when a blank follows it, as the lists have always stored names.
        if (end == size || (word != "a" && word != "the" && word != "and")) {
            std::memcpy(out + n, word.data(), word.size());
            n += word.size();
        }
        at = end + 1;
    }
    length = n;
    return true;
#else
    (void)name;
    (void)out;
    (void)length;
    return false;
#endif
}

// The pass for a name of ASCII, by a table of what each byte is: a source page names a hundred
// thousand performers, most cleaned only to be found not wanted. Stops at a NUL; false at the
// first byte beyond ASCII, which the wider pass then takes from the start. It writes no more
// bytes than it reads.
bool asciiKey(std::string_view name, char* out, std::size_t& length) {
    if (plainWordsKey(name, out, length)) return true;
    std::size_t n = 0, wordStart = 0, wordLength = 0, entityMatched = 0;
    char word[4] = {}; // the word's first kept bytes, to spot a dropped one
    for (const char byte : name) {
        const auto b = static_cast<unsigned char>(byte);
        const ByteKind kind = kBytes.kind[b];
        if (kind == kKept && entityMatched == 0) { // most bytes: a letter or digit of a word
            const char c = kBytes.lower[b];
            if (wordLength < sizeof word) word[wordLength] = c;
            ++wordLength;
            out[n++] = c;
            continue;
        }
        if (kind == kSkip) continue;
        if (kind == kEnd) break;
        if (kind == kBeyondAscii) return false;
        if (kind == kBlank) {
            const std::string_view kept(word, wordLength < sizeof word ? wordLength : sizeof word);
            if (wordLength <= 3 && (kept == "and" || kept == "the" || kept == "a")) n = wordStart;
            wordStart = n;
            wordLength = entityMatched = 0;
            continue;
        }
        // A byte of a possible "&#38;", or a letter or digit inside one.
        const char c = kBytes.lower[b];
        if (wordLength < sizeof word) word[wordLength] = c;
        ++wordLength;
        if (c == kEntity[entityMatched])
            ++entityMatched;
        else
            entityMatched = c == '&' ? 1 : 0;
        if (kind == kKept) out[n++] = c;
        if (entityMatched == kEntity.size()) {
            n -= 2; // the entity's digits
            entityMatched = 0;
        }
    }
    length = n;
    return true;
}

// Calls take(code point, its bytes) for each well-formed character of name, in order; a byte
// that starts none is passed over.
template <typename Take> void forEachCharacter(std::string_view name, Take take) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(name.data());
    for (std::size_t at = 0; at < name.size();) {
        if (bytes[at] < 0x80) {
            take(static_cast<std::int32_t>(bytes[at]), name.substr(at, 1));
            ++at;
            continue;
        }
        std::int32_t cp = 0;
        const utf8proc_ssize_t n =
            utf8proc_iterate(bytes + at, static_cast<utf8proc_ssize_t>(name.size() - at), &cp);
        if (n <= 0) {
            ++at;
            continue;
        }
        take(cp, name.substr(at, static_cast<std::size_t>(n)));
        at += static_cast<std::size_t>(n);
    }
}

bool hasAsciiLetterOrDigit(std::string_view name) {
    for (const char c : name) {
        if (c == '\0') return false;
        if (isDigitOrLower(static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c))) return true;
    }
    return false;
}

// One pass over a name, word by word: words are split at blanks, so a dropped word never joins
// its neighbours into a new one.
template <typename Out> class Cleaner {
  public:
    explicit Cleaner(Out& out) : out_(out) {}

    void ascii(unsigned char c) {
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
        if (c == ' ') {
            blank();
            return;
        }
        const bool alnum = isDigitOrLower(c);
        if (!alnum && c != '&' && c != '#' && c != ';') return;
        note(static_cast<char>(c));
        if (c == static_cast<unsigned char>(kEntity[entityMatched_]))
            ++entityMatched_;
        else
            entityMatched_ = c == '&' ? 1 : 0;
        if (alnum) {
            out_.push(static_cast<char>(c));
            kept_ = true;
        }
        if (entityMatched_ == kEntity.size()) {
            out_.resize(out_.size() - 2); // the entity's digits
            entityMatched_ = 0;
        }
    }

    // A letter or digit beyond ASCII, already folded, as UTF-8.
    void wide(const char* bytes, std::size_t n) {
        note('\x80');
        entityMatched_ = 0;
        out_.append(bytes, n);
        kept_ = true;
    }

    void blank() {
        const std::string_view word(word_, wordLength_ < sizeof word_ ? wordLength_ : sizeof word_);
        if (wordLength_ <= 3 && (word == "and" || word == "the" || word == "a")) out_.resize(wordStart_);
        wordStart_ = out_.size();
        wordLength_ = entityMatched_ = 0;
    }

    bool keptAny() const { return kept_; }

  private:
    void note(char c) {
        if (wordLength_ < sizeof word_) word_[wordLength_] = c;
        ++wordLength_;
    }

    Out& out_;
    std::size_t wordStart_ = 0; // where the current word's letters and digits begin in the output
    char word_[4] = {};         // the word's first kept characters, to spot a dropped one
    std::size_t wordLength_ = 0;
    std::size_t entityMatched_ = 0; // characters of "&#38;" matched at the word's end so far
    bool kept_ = false;
};

// The accents Latin, Greek and Cyrillic letters carry once decomposed; the marks of other
// scripts (vowel signs, kana voicing) are part of their letters and stay.
bool isAccent(std::int32_t cp) {
    return (cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x1AB0 && cp <= 0x1AFF) ||
           (cp >= 0x1DC0 && cp <= 0x1DFF) || (cp >= 0x20D0 && cp <= 0x20FF) || (cp >= 0xFE20 && cp <= 0xFE2F);
}

bool isLetterMarkOrNumber(std::int32_t cp) {
    switch (utf8proc_category(cp)) {
    case UTF8PROC_CATEGORY_LU:
    case UTF8PROC_CATEGORY_LL:
    case UTF8PROC_CATEGORY_LT:
    case UTF8PROC_CATEGORY_LM:
    case UTF8PROC_CATEGORY_LO:
    case UTF8PROC_CATEGORY_MN:
    case UTF8PROC_CATEGORY_MC:
    case UTF8PROC_CATEGORY_ME:
    case UTF8PROC_CATEGORY_ND:
    case UTF8PROC_CATEGORY_NL:
    case UTF8PROC_CATEGORY_NO:
        return true;
    default:
        return false;
    }
}

// Folds the characters beyond ASCII (compatibility forms and case folded, accents dropped) and
// hands what is left to the cleaner: ASCII as ASCII, the rest recomposed, so that a kana and its
// voicing mark written apart give the one letter they compose.
class WideFolder {
  public:
    explicit WideFolder(Cleaner<StringOut>& cleaner) : cleaner_(cleaner) {}
    ~WideFolder() { flush(); }
    WideFolder(const WideFolder&) = delete;
    WideFolder& operator=(const WideFolder&) = delete;

    void ascii(unsigned char c) {
        flush();
        cleaner_.ascii(c);
    }

    void blank() {
        flush();
        cleaner_.blank();
    }

    void fold(std::int32_t cp) {
        std::int32_t parts[kParts];
        int boundClass = 0;
        const utf8proc_ssize_t count = utf8proc_decompose_char(
            cp, parts, kParts,
            static_cast<utf8proc_option_t>(UTF8PROC_DECOMPOSE | UTF8PROC_COMPAT | UTF8PROC_CASEFOLD),
            &boundClass);
        if (count <= 0 || count > kParts) return;
        for (utf8proc_ssize_t i = 0; i < count; ++i) {
            const std::int32_t part = parts[i];
            if (part < 0x80) {
                ascii(static_cast<unsigned char>(part));
            } else if (!isAccent(part) && isLetterMarkOrNumber(part)) {
                if (waiting_ == kPending) flush();
                pending_[waiting_++] = part;
            }
        }
    }

    void flush() {
        if (waiting_ == 0) return;
        const utf8proc_ssize_t n = utf8proc_normalize_utf32(pending_, waiting_, UTF8PROC_COMPOSE);
        for (utf8proc_ssize_t i = 0; i < n; ++i) {
            std::uint8_t bytes[4];
            const utf8proc_ssize_t length = utf8proc_encode_char(pending_[i], bytes);
            if (length > 0)
                cleaner_.wide(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
        }
        waiting_ = 0;
    }

  private:
    static constexpr utf8proc_ssize_t kParts = 32;
    static constexpr utf8proc_ssize_t kPending = 64;
    Cleaner<StringOut>& cleaner_;
    std::int32_t pending_[kPending];
    utf8proc_ssize_t waiting_ = 0;
};

// The form of a name that holds a byte beyond ASCII; broken UTF-8 bytes are no characters.
bool wideKey(std::string_view name, std::string& out) {
    StringOut text{out};
    Cleaner<StringOut> cleaner(text);
    {
        WideFolder folder(cleaner);
        forEachCharacter(name, [&](std::int32_t cp, std::string_view) {
            if (cp < 0x80)
                folder.ascii(static_cast<unsigned char>(cp));
            else if (utf8proc_category(cp) == UTF8PROC_CATEGORY_ZS)
                folder.blank();
            else
                folder.fold(cp);
        });
    }
    return cleaner.keptAny();
}

// The name itself, for one without letters or digits: its well-formed characters, the blanks and
// control characters at either end left out.
std::string ownText(std::string_view name) {
    std::string text;
    forEachCharacter(name, [&](std::int32_t cp, std::string_view bytes) {
        if (cp > ' ' || !text.empty()) text.append(bytes);
    });
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.pop_back();
    return text;
}

// The longest prefix of at most limit bytes that ends before a whole character.
std::size_t wholeCharacters(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    std::size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

std::size_t writeCut(std::string_view form, char* out, std::size_t capacity, bool lowerAscii) {
    const std::size_t n = wholeCharacters(form, capacity - 1);
    for (std::size_t i = 0; i < n; ++i) {
        char c = form[i];
        if (lowerAscii && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        out[i] = c;
    }
    out[n] = '\0';
    return n;
}

std::string_view examinedPart(std::string_view name, std::size_t examined) {
    name = name.substr(0, examined);
    return name.substr(0, name.find('\0'));
}

} // namespace

std::size_t writeNameKey(std::string_view name, std::size_t examined, char* out, std::size_t capacity) {
    if (!out || capacity == 0) return 0;
    const std::size_t end = name.size() < examined ? name.size() : examined;
    // ASCII names take this pass alone, as fast as the ASCII-only rule was.
    if (std::size_t length = 0; end < capacity && asciiKey(name.substr(0, end), out, length)) {
        out[length] = '\0';
        if (length > 0 || hasAsciiLetterOrDigit(name.substr(0, end))) return length;
        return writeCut(ownText(examinedPart(name, end)), out, capacity, true);
    }
    std::string form;
    const std::string_view part = examinedPart(name, examined);
    if (!wideKey(part, form) && form.empty()) return writeCut(ownText(part), out, capacity, true);
    return writeCut(form, out, capacity, false);
}

std::string nameKey(std::string_view name) {
    std::string form;
    const std::string_view part = examinedPart(name, std::string_view::npos);
    if (!wideKey(part, form) && form.empty()) {
        form.assign(ownText(part));
        for (char& c : form)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return form;
}

} // namespace vx
