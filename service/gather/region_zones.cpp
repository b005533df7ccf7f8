#include "service/gather/region_zones.h"

#include <string_view>

namespace vxs {
namespace {

struct ZoneOf {
    std::string_view code;
    std::string_view zone;
};

constexpr ZoneOf kUsStates[] = {
    {"AL", "America/Chicago"},     {"AK", "America/Anchorage"},   {"AZ", "America/Phoenix"},
    {"AR", "America/Chicago"},     {"CA", "America/Los_Angeles"}, {"CO", "America/Denver"},
    {"CT", "America/New_York"},    {"DE", "America/New_York"},    {"DC", "America/New_York"},
    {"FL", "America/New_York"},    {"GA", "America/New_York"},    {"HI", "Pacific/Honolulu"},
    {"ID", "America/Boise"},       {"IL", "America/Chicago"},     {"IN", "America/Indiana/Indianapolis"},
    {"IA", "America/Chicago"},     {"KS", "America/Chicago"},     {"KY", "America/New_York"},
    {"LA", "America/Chicago"},     {"ME", "America/New_York"},    {"MD", "America/New_York"},
    {"MA", "America/New_York"},    {"MI", "America/Detroit"},     {"MN", "America/Chicago"},
    {"MS", "America/Chicago"},     {"MO", "America/Chicago"},     {"MT", "America/Denver"},
    {"NE", "America/Chicago"},     {"NV", "America/Los_Angeles"}, {"NH", "America/New_York"},
    {"NJ", "America/New_York"},    {"NM", "America/Denver"},      {"NY", "America/New_York"},
    {"NC", "America/New_York"},    {"ND", "America/Chicago"},     {"OH", "America/New_York"},
    {"OK", "America/Chicago"},     {"OR", "America/Los_Angeles"}, {"PA", "America/New_York"},
    {"RI", "America/New_York"},    {"SC", "America/New_York"},    {"SD", "America/Chicago"},
    {"TN", "America/Chicago"},     {"TX", "America/Chicago"},     {"UT", "America/Denver"},
    {"VT", "America/New_York"},    {"VA", "America/New_York"},    {"WA", "America/Los_Angeles"},
    {"WV", "America/New_York"},    {"WI", "America/Chicago"},     {"WY", "America/Denver"},
    {"PR", "America/Puerto_Rico"},
};

constexpr ZoneOf kCaProvinces[] = {
    {"AB", "America/Edmonton"},    {"BC", "America/Vancouver"}, {"MB", "America/Winnipeg"},
    {"NB", "America/Moncton"},     {"NL", "America/St_Johns"},  {"NS", "America/Halifax"},
    {"NT", "America/Yellowknife"}, {"NU", "America/Iqaluit"},   {"ON", "America/Toronto"},
    {"PE", "America/Halifax"},     {"QC", "America/Toronto"},   {"SK", "America/Regina"},
    {"YT", "America/Whitehorse"},
};

constexpr ZoneOf kCountries[] = {
    {"AR", "America/Argentina/Buenos_Aires"},
    {"AT", "Europe/Vienna"},
    {"BE", "Europe/Brussels"},
    {"BG", "Europe/Sofia"},
    {"CH", "Europe/Zurich"},
    {"CL", "America/Santiago"},
    {"CO", "America/Bogota"},
    {"CZ", "Europe/Prague"},
    {"DE", "Europe/Berlin"},
    {"DK", "Europe/Copenhagen"},
    {"EE", "Europe/Tallinn"},
    {"ES", "Europe/Madrid"},
    {"FI", "Europe/Helsinki"},
    {"FR", "Europe/Paris"},
    {"GB", "Europe/London"},
    {"GR", "Europe/Athens"},
    {"HR", "Europe/Zagreb"},
    {"HU", "Europe/Budapest"},
    {"IE", "Europe/Dublin"},
    {"IL", "Asia/Jerusalem"},
    {"IN", "Asia/Kolkata"},
    {"IS", "Atlantic/Reykjavik"},
    {"IT", "Europe/Rome"},
    {"JP", "Asia/Tokyo"},
    {"KR", "Asia/Seoul"},
    {"LT", "Europe/Vilnius"},
    {"LU", "Europe/Luxembourg"},
    {"LV", "Europe/Riga"},
    {"NL", "Europe/Amsterdam"},
    {"NO", "Europe/Oslo"},
    {"NZ", "Pacific/Auckland"},
    {"PE", "America/Lima"},
    {"PL", "Europe/Warsaw"},
    {"PT", "Europe/Lisbon"},
    {"RO", "Europe/Bucharest"},
    {"RS", "Europe/Belgrade"},
    {"SE", "Europe/Stockholm"},
    {"SG", "Asia/Singapore"},
    {"SI", "Europe/Ljubljana"},
    {"SK", "Europe/Bratislava"},
    {"TR", "Europe/Istanbul"},
    {"UA", "Europe/Kyiv"},
    {"ZA", "Africa/Johannesburg"},
    {"AE", "Asia/Dubai"},
    {"JM", "America/Jamaica"},
};

template <std::size_t N> std::string find(const ZoneOf (&table)[N], std::string_view code) {
    for (const ZoneOf& z : table)
        if (z.code == code) return std::string(z.zone);
    return {};
}

} // namespace

std::string regionZone(const RegionRef& place) {
    if (place.country == "US") return find(kUsStates, place.region);
    if (place.country == "CA") return find(kCaProvinces, place.region);
    return find(kCountries, place.country);
}

} // namespace vxs
