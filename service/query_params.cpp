#include "service/query_params.h"

#include "common/hex_digit.h"

namespace vxs {

std::string decodeQueryText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && vx::hexDigitValue(text[i + 1]) >= 0 &&
                   vx::hexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(vx::hexDigitValue(text[i + 1]) * 16 + vx::hexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

bool Query::parse(std::string_view target, const QueryLimits& limits, std::string* error) {
    pairs_.clear();
    std::size_t q = target.find('?');
    if (q == std::string_view::npos) return true;
    std::string_view query = target.substr(q + 1);
    std::size_t hash = query.find('#');
    if (hash != std::string_view::npos) query = query.substr(0, hash);
    if (query.size() > limits.maxQueryBytes) {
        if (error) *error = "query longer than " + std::to_string(limits.maxQueryBytes) + " bytes";
        return false;
    }
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t amp = query.find('&', start);
        std::string_view item =
            query.substr(start, amp == std::string_view::npos ? std::string_view::npos : amp - start);
        if (!item.empty()) {
            if (pairs_.size() >= limits.maxParams) {
                pairs_.clear();
                if (error) *error = "more than " + std::to_string(limits.maxParams) + " query parameters";
                return false;
            }
            std::size_t eq = item.find('=');
            std::string key = decodeQueryText(item.substr(0, eq));
            std::string value =
                eq == std::string_view::npos ? std::string() : decodeQueryText(item.substr(eq + 1));
            if (value.size() > limits.maxValueBytes || key.size() > limits.maxValueBytes) {
                pairs_.clear();
                if (error)
                    *error = "query value longer than " + std::to_string(limits.maxValueBytes) + " bytes";
                return false;
            }
            pairs_.emplace_back(std::move(key), std::move(value));
        }
        if (amp == std::string_view::npos) break;
        start = amp + 1;
    }
    return true;
}

const std::string* Query::get(std::string_view key) const {
    for (const auto& [k, v] : pairs_)
        if (k == key) return &v;
    return nullptr;
}

} // namespace vxs
