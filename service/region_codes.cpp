#include "service/region_codes.h"

#include "common/region_rows.h"
#include "service/text_keys.h"

#include <array>
#include <cstring>
#include <initializer_list>
#include <span>

namespace vxs {
namespace {

using vx::regions::RegionRow;
using Rows = std::initializer_list<std::span<const RegionRow>>;

// Canadian rows the plug-in's tables lack: the search table lacks Nunavut, the location table
// the provinces and territories below (their postal codes clash with none of its codes).
const RegionRow kSearchProvincesBeyond[] = {
    {"nunavut", "NU", "NU"},
};
const RegionRow kLocationProvincesBeyond[] = {
    {"newbrunswick", "NB", "NB"},         {"novascotia", "NS", "NS"}, {"princeedwardisland", "PE", "PE"},
    {"northwestterritories", "NT", "NT"}, {"nunavut", "NU", "NU"},    {"newfoundlandandlabrador", "NL", "NL"},
};

// Codes first, over every part, then names: a code and a name never clash across the parts.
template <typename Make>
std::optional<RegionRef> findIn(Rows parts, const std::string& key, const std::string& upper, Make make) {
    for (auto part : parts)
        for (const RegionRow& r : part)
            if (upper == r.code) return make(r);
    for (auto part : parts)
        for (const RegionRow& r : part)
            if (key == r.key) return make(r);
    return std::nullopt;
}

std::optional<RegionRef> findInTable(const std::string& key, const std::string& upper, RegionTable table) {
    namespace rows = vx::regions;
    auto state = [](const RegionRow& r) { return RegionRef{"US", r.place}; };
    auto province = [](const RegionRow& r) { return RegionRef{"CA", r.place}; };
    auto country = [](const RegionRow& r) { return RegionRef{r.place, ""}; };
    if (auto ref = findIn({rows::kUsStates}, key, upper, state)) return ref;
    if (table == RegionTable::Search) {
        if (auto ref = findIn({rows::kSearchCanada, kSearchProvincesBeyond}, key, upper, province))
            return ref;
        return findIn({rows::kSearchCountries}, key, upper, country);
    }
    if (auto ref = findIn({rows::kLocationCanada, kLocationProvincesBeyond}, key, upper, province))
        return ref;
    return findIn({rows::kLocationCountries}, key, upper, country);
}

} // namespace

std::optional<RegionRef> resolveRegion(std::string_view text, RegionTable table) {
    std::string key = placeKey(text);
    if (key.empty()) return std::nullopt;
    std::string upper = upperAscii(key);
    if (auto ref = findInTable(key, upper, table)) return ref;
    // A name that the caller's table lacks may still be in the other one (typed
    // "korea" reaches the search endpoints unconverted); names only, never codes.
    auto byName = [&](RegionTable other) { return findInTable(key, std::string(), other); };
    return byName(table == RegionTable::Search ? RegionTable::Location : RegionTable::Search);
}

std::string regionDisplay(const RegionRef& ref) {
    if (!ref.region.empty()) return ref.region;
    return countryName(ref.country);
}

std::string countryName(std::string_view iso2) {
    struct Name {
        const char* iso;
        const char* name;
    };
    static const Name names[] = {
        {"US", "United States"},
        {"CA", "Canada"},
        {"AR", "Argentina"},
        {"AU", "Australia"},
        {"AT", "Austria"},
        {"BS", "Bahamas"},
        {"BE", "Belgium"},
        {"BM", "Bermuda"},
        {"BR", "Brazil"},
        {"CL", "Chile"},
        {"CN", "China"},
        {"CR", "Costa Rica"},
        {"CZ", "Czech Republic"},
        {"DK", "Denmark"},
        {"DO", "Dominican Republic"},
        {"EE", "Estonia"},
        {"ET", "Ethiopia"},
        {"FI", "Finland"},
        {"FR", "France"},
        {"DE", "Germany"},
        {"GH", "Ghana"},
        {"GR", "Greece"},
        {"HU", "Hungary"},
        {"IS", "Iceland"},
        {"IN", "India"},
        {"ID", "Indonesia"},
        {"IE", "Ireland"},
        {"IL", "Israel"},
        {"IT", "Italy"},
        {"JM", "Jamaica"},
        {"JP", "Japan"},
        {"LV", "Latvia"},
        {"LI", "Liechtenstein"},
        {"LT", "Lithuania"},
        {"LU", "Luxembourg"},
        {"MY", "Malaysia"},
        {"MX", "Mexico"},
        {"NL", "Netherlands"},
        {"NZ", "New Zealand"},
        {"NG", "Nigeria"},
        {"NO", "Norway"},
        {"PE", "Peru"},
        {"PL", "Poland"},
        {"PT", "Portugal"},
        {"PR", "Puerto Rico"},
        {"RU", "Russia"},
        {"SG", "Singapore"},
        {"SK", "Slovak Republic"},
        {"ZA", "South Africa"},
        {"KR", "South Korea"},
        {"ES", "Spain"},
        {"SE", "Sweden"},
        {"CH", "Switzerland"},
        {"TH", "Thailand"},
        {"TR", "Turkey"},
        {"AE", "United Arab Emirates"},
        {"GB", "United Kingdom"},
        {"VI", "Virgin Islands"},
        {"DZ", "Algeria"},
        {"BZ", "Belize"},
        {"BJ", "Benin"},
        {"BF", "Burkina Faso"},
        {"KH", "Cambodia"},
        {"CV", "Cape Verde"},
        {"CY", "Cyprus"},
        {"SV", "El Salvador"},
        {"GM", "Gambia"},
        {"GN", "Guinea"},
        {"GY", "Guyana"},
        {"HN", "Honduras"},
        {"CI", "Ivory Coast"},
        {"LA", "Laos"},
        {"LR", "Liberia"},
        {"MO", "Macau"},
        {"ML", "Mali"},
        {"MA", "Morocco"},
        {"NE", "Niger"},
        {"PY", "Paraguay"},
        {"PH", "Philippines"},
        {"SN", "Senegal"},
        {"SL", "Sierra Leone"},
        {"SR", "Suriname"},
        {"TG", "Togo"},
        {"TN", "Tunisia"},
        {"VE", "Venezuela"},
    };
    for (const Name& n : names)
        if (iso2 == n.iso) return n.name;
    return std::string(iso2);
}

} // namespace vxs
