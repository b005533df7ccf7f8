#pragma once
// Puts a gathered show on the map: the city it names (or its source's configured place) found in
// the city table, its own point when it gives one, and the zone of that place when it has none.
#include "service/city_table.h"
#include "service/gather/gathered_event.h"
#include "service/gather/source_list.h"

#include <optional>
#include <string>

namespace vxs {

struct PlacedShow {
    GatheredEvent event;
    double lat = 0, lon = 0;
    std::string venueCity, venueRegion; // as the source page writes them
};

// The configured place of a source in the city table, or nullptr.
const City* configuredCity(const GatherSource& source, const CityTable& cities);

// The zone of the source's configured place, empty when it has none or no place.
std::string configuredZone(const GatherSource& source, const CityTable& cities);

std::optional<PlacedShow> placeShow(GatheredEvent event, const GatherSource& source, const CityTable& cities,
                                    std::string* reason);

} // namespace vxs
