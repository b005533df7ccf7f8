#include "service/city_table.h"

#include "service/regular_file_text.h"
#include "service/text_keys.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vxs {
namespace {

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

bool parseDouble(const std::string& text, double lo, double hi, double* out) {
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(v >= lo && v <= hi)) return false;
    *out = v;
    return true;
}

// Keys under which a name is also found: "Saint Paul" answers to "St. Paul" and back.
std::vector<std::string> keyVariants(const std::string& key) {
    std::vector<std::string> keys{key};
    if (key.rfind("saint", 0) == 0 && key.size() > 5) keys.push_back("st" + key.substr(5));
    if (key.rfind("st", 0) == 0 && key.rfind("saint", 0) != 0 && key.size() > 2)
        keys.push_back("saint" + key.substr(2));
    return keys;
}

} // namespace

bool CityTable::load(const std::string& path, std::string* error) {
    FileLines in;
    std::string reason;
    if (!in.open(path, "city table", &reason)) {
        if (error) *error = reason;
        return false;
    }
    cities_.clear();
    byKey_.clear();
    std::string line;
    while (in.next(&line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f = splitTabs(line);
        if (f.size() != 7 || f[0].empty() || f[3].size() != 2) continue;
        City c;
        c.name = f[0];
        c.ascii = f[1].empty() ? f[0] : f[1];
        c.region = f[2];
        c.country = f[3];
        if (!parseDouble(f[4], -90, 90, &c.lat) || !parseDouble(f[5], -180, 180, &c.lon)) continue;
        c.population = std::strtol(f[6].c_str(), nullptr, 10);
        cities_.push_back(std::move(c));
    }
    if (cities_.empty()) {
        if (error) *error = "no cities in " + path;
        return false;
    }
    for (std::size_t i = 0; i < cities_.size(); ++i) {
        index(placeKey(cities_[i].name), i);
        if (cities_[i].ascii != cities_[i].name) index(placeKey(cities_[i].ascii), i);
    }
    return true;
}

void CityTable::index(const std::string& key, std::size_t row) {
    if (key.empty()) return;
    for (const std::string& k : keyVariants(key)) {
        auto& rows = byKey_[k];
        if (rows.empty() || rows.back() != row) rows.push_back(row);
    }
}

const City* CityTable::find(std::string_view cityName, const RegionRef& where) const {
    auto it = byKey_.find(placeKey(cityName));
    if (it == byKey_.end()) return nullptr;
    const City* best = nullptr;
    for (std::size_t row : it->second) {
        const City& c = cities_[row];
        if (c.country != where.country) continue;
        if (!where.region.empty() && c.region != where.region) continue;
        if (!best || c.population > best->population) best = &c;
    }
    return best;
}

double distanceMiles(double lat1, double lon1, double lat2, double lon2) {
    constexpr double kEarthRadiusMiles = 3958.8;
    constexpr double kRad = 3.14159265358979323846 / 180.0;
    double dlat = (lat2 - lat1) * kRad;
    double dlon = (lon2 - lon1) * kRad;
    double a = std::sin(dlat / 2) * std::sin(dlat / 2) +
               std::cos(lat1 * kRad) * std::cos(lat2 * kRad) * std::sin(dlon / 2) * std::sin(dlon / 2);
    return 2 * kEarthRadiusMiles * std::asin(std::sqrt(std::min(1.0, a)));
}

} // namespace vxs
