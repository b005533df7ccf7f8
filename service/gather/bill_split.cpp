#include "service/gather/bill_split.h"

#include "service/gather/clean_text.h"

#include <algorithm>
#include <cctype>

namespace vxs {
namespace {

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The first of the separators in text at or after from, compared without case.
std::size_t findFirst(const std::string& lower, std::initializer_list<std::string_view> separators,
                      std::size_t* length) {
    std::size_t best = std::string::npos;
    for (std::string_view s : separators) {
        const std::size_t at = lower.find(s);
        if (at != std::string::npos && at > 0 && at < best) {
            best = at;
            *length = s.size();
        }
    }
    return best;
}

void addPerformer(std::vector<std::string>& out, std::string_view name) {
    std::string clean = cleanField(name, 255);
    // Quotes and trailing punctuation bills put around names.
    while (!clean.empty() && (clean.back() == '.' || clean.back() == ',' || clean.back() == '!'))
        clean.pop_back();
    if (!clean.empty() && std::find(out.begin(), out.end(), clean) == out.end()) out.push_back(clean);
}

} // namespace

std::vector<std::string> splitBill(std::string_view summary, std::string* mark) {
    std::string text = cleanField(summary, 1024);
    for (std::string_view prefix : {"cancelled:", "canceled:", "postponed:", "cancelled -", "canceled -"}) {
        if (lowerAscii(text.substr(0, prefix.size())) == prefix) {
            if (mark) *mark = prefix.starts_with("post") ? "postponed" : "cancelled";
            text = cleanField(std::string_view(text).substr(prefix.size()));
            break;
        }
    }
    std::vector<std::string> performers;
    std::size_t length = 0;
    const std::string lower = lowerAscii(text);
    const std::size_t split =
        findFirst(lower, {" w/ ", " with ", " feat. ", " ft. ", " featuring ", " / ", ": "}, &length);
    if (split == std::string::npos) {
        addPerformer(performers, text);
        return performers;
    }
    addPerformer(performers, std::string_view(text).substr(0, split));
    std::string rest = text.substr(split + length);
    while (!rest.empty()) {
        const std::string restLower = lowerAscii(rest);
        const std::size_t at = findFirst(
            restLower, {", ", " + ", " w/ ", " with ", " feat. ", " ft. ", " featuring ", " / "}, &length);
        if (at == std::string::npos) {
            addPerformer(performers, rest);
            break;
        }
        addPerformer(performers, std::string_view(rest).substr(0, at));
        rest = rest.substr(at + length);
    }
    return performers;
}

} // namespace vxs
