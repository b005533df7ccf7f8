#pragma once
// Invented concert venues in the real cities of the city table: bigger cities
// get more venues and draw more shows.
#include "service/city_table.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vxs {

struct Venue {
    std::string name;
    const City* city = nullptr;
    double weight = 1; // share of the shows it draws
};

// Weighted choice among a set of venues, by cumulative weight.
struct VenuePool {
    std::vector<std::size_t> venues;
    std::vector<double> cumulative;

    bool empty() const { return venues.empty(); }
    // u in [0, 1).
    std::size_t pick(double u) const;
};

class VenueTable {
  public:
    // The city table must outlive the venue table.
    explicit VenueTable(const CityTable& cities);

    const std::vector<Venue>& venues() const { return venues_; }
    const VenuePool& all() const { return all_; }
    // The venues of one country; an empty pool when it has none.
    const VenuePool& inCountry(const std::string& iso2) const;
    // The venues within radius miles of a point.
    VenuePool near(double lat, double lon, double radiusMiles) const;

  private:
    std::vector<Venue> venues_;
    VenuePool all_;
    std::unordered_map<std::string, VenuePool> byCountry_;
};

} // namespace vxs
