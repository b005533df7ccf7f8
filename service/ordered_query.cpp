#include "service/ordered_query.h"

namespace vxs {

bool parseOrderedQuery(std::string_view target, const std::vector<std::string>& keys,
                       const QueryLimits& limits, std::map<std::string, std::string>* values,
                       std::string* error) {
    values->clear();
    std::size_t q = target.find('?');
    if (q == std::string_view::npos) {
        *error = "no query";
        return false;
    }
    std::string_view query = target.substr(q + 1);
    if (query.size() > limits.maxQueryBytes) {
        *error = "query longer than " + std::to_string(limits.maxQueryBytes) + " bytes";
        return false;
    }
    std::vector<std::size_t> starts; // where each key's value begins
    std::vector<std::size_t> ends;   // where the "&" before the next key stands
    std::size_t pos = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        std::string marker = (i == 0 ? "" : "&") + keys[i] + "=";
        std::size_t at = i == 0 ? (query.compare(0, marker.size(), marker) == 0 ? 0 : std::string_view::npos)
                                : query.find(marker, pos);
        if (at == std::string_view::npos) {
            values->clear();
            *error = keys[i] + " is missing or out of order";
            return false;
        }
        if (i > 0) ends.push_back(at);
        starts.push_back(at + marker.size());
        pos = at + marker.size();
    }
    ends.push_back(query.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        std::string value = decodeQueryText(query.substr(starts[i], ends[i] - starts[i]));
        if (value.size() > limits.maxValueBytes) {
            values->clear();
            *error = keys[i] + " longer than " + std::to_string(limits.maxValueBytes) + " bytes";
            return false;
        }
        (*values)[keys[i]] = std::move(value);
    }
    return true;
}

} // namespace vxs
