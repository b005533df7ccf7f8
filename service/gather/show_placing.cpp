#include "service/gather/show_placing.h"

#include "service/gather/region_zones.h"

namespace vxs {
namespace {

RegionRef cityRegion(const City& city) {
    return RegionRef{city.country,
                     city.country == "US" || city.country == "CA" ? city.region : std::string()};
}

const City* findCity(const std::string& name, const std::string& region, const std::string& country,
                     const CityTable& cities) {
    if (name.empty()) return nullptr;
    for (const std::string* where : {&region, &country}) {
        if (where->empty()) continue;
        if (std::optional<RegionRef> ref = resolveRegion(*where, RegionTable::Search))
            if (const City* c = cities.find(name, *ref)) return c;
    }
    return nullptr;
}

} // namespace

const City* configuredCity(const GatherSource& source, const CityTable& cities) {
    return findCity(source.city, source.region, std::string(), cities);
}

std::string configuredZone(const GatherSource& source, const CityTable& cities) {
    const City* c = configuredCity(source, cities);
    return c ? regionZone(cityRegion(*c)) : std::string();
}

std::optional<PlacedShow> placeShow(GatheredEvent event, const GatherSource& source, const CityTable& cities,
                                    std::string* reason) {
    const City* city = findCity(event.city, event.region, event.country, cities);
    if (!city && event.city.empty()) city = configuredCity(source, cities);
    PlacedShow placed;
    if (city) {
        placed.lat = city->lat;
        placed.lon = city->lon;
        placed.venueCity = city->name;
        placed.venueRegion = regionDisplay(cityRegion(*city));
        if (event.zone.empty()) event.zone = regionZone(cityRegion(*city));
    } else if (event.lat && event.lon && !event.city.empty()) {
        placed.venueCity = event.city;
        placed.venueRegion = !event.region.empty() ? event.region : event.country;
    } else {
        *reason = event.city.empty() ? "no place: the source names none and none is configured"
                                     : "the city \"" + event.city + "\" is not in the city table";
        return std::nullopt;
    }
    if (event.lat && event.lon) {
        placed.lat = *event.lat;
        placed.lon = *event.lon;
    }
    if (event.venue.empty()) {
        *reason = "no venue";
        return std::nullopt;
    }
    placed.event = std::move(event);
    return placed;
}

} // namespace vxs
