#pragma once
// The bundled city table (service/data/cities.tsv): the places the geographic
// look-up knows and where the generated venues stand.
#include "service/region_codes.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vxs {

struct City {
    std::string name;    // as GeoNames spells it, UTF-8
    std::string ascii;   // the same without accents
    std::string region;  // postal code (US, CA) or admin code
    std::string country; // ISO 3166 alpha-2
    double lat = 0;
    double lon = 0;
    long population = 0;
};

class CityTable {
  public:
    // Reads the tab-separated table; false with a reason when it is missing or
    // holds no valid row. Malformed rows are skipped.
    bool load(const std::string& path, std::string* error);

    // The most populous city of that name in the region (or the country, for a
    // country-wide region), compared by placeKey; "Saint" and "St." are one word.
    const City* find(std::string_view cityName, const RegionRef& where) const;

    const std::vector<City>& cities() const { return cities_; }

  private:
    void index(const std::string& key, std::size_t row);

    std::vector<City> cities_;
    std::unordered_map<std::string, std::vector<std::size_t>> byKey_;
};

// Great-circle distance in statute miles.
double distanceMiles(double lat1, double lon1, double lat2, double lon2);

} // namespace vxs
