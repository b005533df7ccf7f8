#include "service/secret_redaction.h"

#include "service/query_params.h"
#include "service/text_keys.h"

namespace vxs {
namespace {

bool keyChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '%' || c == '-' || c == '.';
}

// Whether text at pos starts a new pair: a run of key characters and "=".
bool startsPair(std::string_view text, std::size_t pos) {
    std::size_t i = pos;
    while (i < text.size() && keyChar(text[i]))
        ++i;
    return i > pos && i < text.size() && text[i] == '=';
}

// The end of the value that starts at pos: the next "&" before a pair, or the end.
std::size_t valueEnd(std::string_view query, std::size_t pos) {
    for (std::size_t amp = query.find('&', pos); amp != std::string_view::npos;
         amp = query.find('&', amp + 1))
        if (startsPair(query, amp + 1)) return amp;
    return query.size();
}

} // namespace

bool isSecretKey(std::string_view key) {
    const std::string name = upperAscii(decodeQueryText(key));
    if (name == "PWD" || name == "UUID") return true;
    for (const char* word : {"TOKEN", "PASSWORD", "SECRET"})
        if (name.find(word) != std::string::npos) return true;
    return false;
}

std::string withoutSecrets(std::string_view target) {
    const std::size_t q = target.find('?');
    if (q == std::string_view::npos) return std::string(target);
    std::string out(target.substr(0, q + 1));
    const std::string_view query = target.substr(q + 1);
    std::size_t pos = 0;
    while (pos <= query.size()) {
        const std::size_t eq = query.find('=', pos);
        const std::size_t amp = query.find('&', pos);
        if (eq == std::string_view::npos || (amp != std::string_view::npos && amp < eq)) {
            // A pair without a value: kept up to its "&".
            const std::size_t end = amp == std::string_view::npos ? query.size() : amp;
            out += query.substr(pos, end - pos);
            if (end == query.size()) break;
            out += '&';
            pos = end + 1;
            continue;
        }
        const std::string_view key = query.substr(pos, eq - pos);
        const std::size_t end = valueEnd(query, eq + 1);
        out += key;
        out += '=';
        if (isSecretKey(key)) {
            if (end > eq + 1) out += '*';
        } else {
            out += query.substr(eq + 1, end - eq - 1);
        }
        if (end == query.size()) break;
        out += '&';
        pos = end + 1;
    }
    return out;
}

} // namespace vxs
