#include "player/plist_reader.h"

#include "common/utf8_append.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace vx::player {

namespace {

// Nesting deeper than any real property list stops the reader instead of the stack.
constexpr int kMaxDepth = 128;

struct Token {
    enum class Kind { Open, Close, Empty, Text, End };
    Kind kind = Kind::End;
    std::string_view name; // tag name, or the raw text
};

// Tokens of a whole text, or of one read a block at a time. Read in blocks, only the bytes from
// the token being scanned on are held: a token stays valid until the next one is scanned.
class Lexer {
  public:
    explicit Lexer(std::string_view s) : s_(s) {}
    explicit Lexer(const PlistBlockReader& read) : read_(&read) {}

    const Token& peek() {
        if (!havePeek_) {
            peeked_ = scan();
            havePeek_ = true;
        }
        return peeked_;
    }

    Token next() {
        Token t = peek();
        havePeek_ = false;
        return t;
    }

  private:
    Token scan() {
        for (;;) {
            dropScanned();
            ensure(9); // the longest opening looked for, "<![CDATA["
            if (pos_ >= s_.size()) return {};
            if (s_[pos_] != '<') {
                size_t end = find("<", pos_);
                if (end == std::string_view::npos) end = s_.size();
                Token t{Token::Kind::Text, s_.substr(pos_, end - pos_)};
                pos_ = end;
                return t;
            }
            std::string_view rest = s_.substr(pos_);
            if (rest.starts_with("<![CDATA[")) {
                size_t end = find("]]>", pos_ + 9);
                size_t stop = end == std::string_view::npos ? s_.size() : end;
                Token t{Token::Kind::Text, s_.substr(pos_ + 9, stop - (pos_ + 9))};
                pos_ = end == std::string_view::npos ? s_.size() : end + 3;
                return t;
            }
            if (rest.starts_with("<!--")) {
                skipPast("-->");
                continue;
            }
            if (rest.starts_with("<?")) {
                skipPast("?>");
                continue;
            }
            if (rest.starts_with("<!")) {
                skipPast(">");
                continue;
            }
            size_t end = find(">", pos_);
            if (end == std::string_view::npos) {
                pos_ = s_.size();
                return {};
            }
            std::string_view inner = s_.substr(pos_ + 1, end - pos_ - 1);
            pos_ = end + 1;
            Token t;
            t.kind = Token::Kind::Open;
            if (!inner.empty() && inner.front() == '/') {
                t.kind = Token::Kind::Close;
                inner.remove_prefix(1);
            } else if (!inner.empty() && inner.back() == '/') {
                t.kind = Token::Kind::Empty;
                inner.remove_suffix(1);
            }
            size_t nameEnd = inner.find_first_of(" \t\r\n/");
            t.name = inner.substr(0, nameEnd == std::string_view::npos ? inner.size() : nameEnd);
            return t;
        }
    }

    void skipPast(std::string_view marker) {
        size_t end = find(marker, pos_ + 1);
        pos_ = end == std::string_view::npos ? s_.size() : end + marker.size();
    }

    // The first `what` at or after `from`, reading on as long as there is more to read.
    size_t find(std::string_view what, size_t from) {
        for (;;) {
            const size_t at = s_.find(what, from);
            if (at != std::string_view::npos) return at;
            const size_t searched = s_.size() >= what.size() ? s_.size() - what.size() + 1 : 0;
            if (!readMore()) return std::string_view::npos;
            from = std::max(from, searched);
        }
    }

    void ensure(size_t bytes) {
        while (s_.size() - std::min(pos_, s_.size()) < bytes && readMore()) {
        }
    }

    // Appends the next block; false at the end of the input.
    bool readMore() {
        if (!read_ || ended_) return false;
        const size_t held = buffer_.size();
        buffer_.resize(held + kBlockBytes);
        const size_t n = (*read_)(buffer_.data() + held, kBlockBytes);
        buffer_.resize(held + n);
        ended_ = n == 0;
        s_ = buffer_;
        return n > 0;
    }

    // Forgets the bytes before the next token once they are the larger part of the buffer.
    void dropScanned() {
        if (!read_ || pos_ < kBlockBytes || pos_ * 2 < buffer_.size()) return;
        buffer_.erase(0, pos_);
        pos_ = 0;
        s_ = buffer_;
    }

    static constexpr size_t kBlockBytes = size_t{1} << 20;
    std::string_view s_;
    size_t pos_ = 0;
    const PlistBlockReader* read_ = nullptr;
    std::string buffer_; // what is held of a block-read input
    bool ended_ = false;
    Token peeked_;
    bool havePeek_ = false;
};

class Parser {
  public:
    explicit Parser(std::string_view xml, const PlistEntrySink* sink = nullptr) : lex_(xml), sink_(sink) {}
    Parser(const PlistBlockReader& read, const PlistEntrySink* sink) : lex_(read), sink_(sink) {}

    std::unique_ptr<PlistValue> document() {
        // Skip to the first element that makes a value; a <plist> wrapper is looked through.
        for (;;) {
            const Token& t = lex_.peek();
            if (t.kind == Token::Kind::End) return nullptr;
            if ((t.kind == Token::Kind::Open || t.kind == Token::Kind::Empty) && t.name != "plist") {
                return value(0);
            }
            lex_.next();
        }
    }

  private:
    // Reads one value starting at an Open or Empty token.
    std::unique_ptr<PlistValue> value(int depth) {
        Token t = lex_.next();
        auto v = std::make_unique<PlistValue>();
        v->tag = std::string(t.name);
        if (t.kind == Token::Kind::Empty) return v;
        if (depth >= kMaxDepth) {
            stopped_ = true;
            return v;
        }
        if (t.name == "dict") {
            v->kind = PlistValue::Kind::Dict;
            readDict(*v, depth);
        } else if (t.name == "array") {
            v->kind = PlistValue::Kind::Array;
            readArray(*v, depth);
        } else {
            std::optional<std::string> text = scalarText();
            if (!text) return nullptr; // cut off: a partial text would be a wrong one
            v->text = decodeXmlText(*text);
        }
        return v;
    }

    // Text up to the next tag, which must close the scalar (and is consumed); nothing when the
    // scalar is not closed.
    std::optional<std::string> scalarText() {
        std::string raw;
        while (lex_.peek().kind == Token::Kind::Text)
            raw += lex_.next().name;
        if (lex_.peek().kind != Token::Kind::Close) return std::nullopt;
        lex_.next();
        return raw;
    }

    void readDict(PlistValue& dict, int depth) {
        while (!stopped_) {
            const Token& t = lex_.peek();
            if (t.kind == Token::Kind::End) return;
            if (t.kind == Token::Kind::Close) {
                lex_.next();
                return;
            }
            if (t.kind == Token::Kind::Text) {
                lex_.next();
                continue;
            }
            if (t.kind == Token::Kind::Open && t.name == "key") {
                lex_.next();
                std::optional<std::string> key = scalarText();
                if (!key) continue;
                skipText();
                const Token& after = lex_.peek();
                // A key with no value (the next key or the end of the dict follows) is dropped.
                if (after.kind == Token::Kind::Open && after.name == "key") continue;
                if (after.kind != Token::Kind::Open && after.kind != Token::Kind::Empty) continue;
                std::string name = decodeXmlText(*key);
                path_.push_back(name);
                std::unique_ptr<PlistValue> v = value(depth + 1);
                path_.pop_back();
                if (v && sink_ && (*sink_)(path_, name, v)) continue;
                if (v) dict.entries.emplace_back(std::move(name), std::move(v));
                continue;
            }
            value(depth + 1); // a value without a key: read past it
        }
    }

    void readArray(PlistValue& array, int depth) {
        while (!stopped_) {
            const Token& t = lex_.peek();
            if (t.kind == Token::Kind::End) return;
            if (t.kind == Token::Kind::Close) {
                lex_.next();
                return;
            }
            if (t.kind == Token::Kind::Text) {
                lex_.next();
                continue;
            }
            path_.emplace_back();
            std::unique_ptr<PlistValue> v = value(depth + 1);
            path_.pop_back();
            if (v) array.items.push_back(std::move(v));
        }
    }

    void skipText() {
        while (lex_.peek().kind == Token::Kind::Text)
            lex_.next();
    }

    Lexer lex_;
    bool stopped_ = false;
    const PlistEntrySink* sink_ = nullptr;
    std::vector<std::string> path_; // keys from the top value to the dict being read
};

// Decodes one entity body ("amp", "#38", "#x26"); false when it is not one we know.
bool decodeEntity(std::string_view body, std::string& out) {
    static constexpr std::pair<std::string_view, char> named[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [name, ch] : named) {
        if (body == name) {
            out += ch;
            return true;
        }
    }
    if (body.size() < 2 || body[0] != '#') return false;
    bool hex = body[1] == 'x' || body[1] == 'X';
    std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) return false;
    uint32_t cp = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(d);
    }
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    appendUtf8(out, cp);
    return true;
}

} // namespace

const PlistValue* PlistValue::find(std::string_view key) const {
    for (const auto& [k, v] : entries) {
        if (k == key) return v.get();
    }
    return nullptr;
}

std::string PlistValue::textOf(std::string_view key) const {
    const PlistValue* v = find(key);
    return (v && v->kind == Kind::Scalar) ? v->text : std::string();
}

std::unique_ptr<PlistValue> parsePlist(std::string_view xml) {
    return Parser(xml).document();
}

std::unique_ptr<PlistValue> parsePlist(std::string_view xml, const PlistEntrySink& sink) {
    return Parser(xml, &sink).document();
}

std::unique_ptr<PlistValue> parsePlist(const PlistBlockReader& read, const PlistEntrySink& sink) {
    return Parser(read, &sink).document();
}

std::string decodeXmlText(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    size_t i = 0;
    while (i < raw.size()) {
        if (raw[i] == '&') {
            size_t semi = raw.find(';', i + 1);
            if (semi != std::string_view::npos && semi - i <= 12 &&
                decodeEntity(raw.substr(i + 1, semi - i - 1), out)) {
                i = semi + 1;
                continue;
            }
        }
        out += raw[i++];
    }
    return out;
}

} // namespace vx::player
