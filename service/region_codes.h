#pragma once
// The region codes that the plug-in sends. It turns a typed region into a code
// with one of two tables: the search table for the concert directory and the
// sources, the location table for the geographic look-up. The tables disagree
// ("AUS" is Austria in one and Australia in the other), so every endpoint names
// the table its callers use.
#include <optional>
#include <string>
#include <string_view>

namespace vxs {

enum class RegionTable { Search, Location };

// Where a region code points: a US state or Canadian province (country "US" or
// "CA" with its postal code), or a whole country (ISO 3166 alpha-2, region empty).
struct RegionRef {
    std::string country;
    std::string region;

    bool operator==(const RegionRef&) const = default;
};

// Resolves a code of the given table (any letter case), or a region name left
// unconverted by the plug-in (lower case, letters and digits only).
std::optional<RegionRef> resolveRegion(std::string_view text, RegionTable table);

// What a venue's region field shows: the postal code for the US and Canada, the
// country's English name elsewhere.
std::string regionDisplay(const RegionRef& ref);

// The English name of a country code ("GB" -> "United Kingdom"); the code itself when unknown.
std::string countryName(std::string_view iso2);

} // namespace vxs
