#include "service/gather/show_placing.h"

#include "service/gather/region_zones.h"

#include <libical/ical.h>

#include <cstdio>

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

// A start fixed as an instant, read on the venue's clock.
void moveToZone(GatheredEvent* event, const std::string& zone) {
    icaltimezone* tz = icaltimezone_get_builtin_timezone(zone.c_str());
    if (!tz || event->time.empty()) return;
    const icaltimetype local = icaltime_from_timet_with_zone(static_cast<time_t>(*event->instant), 0, tz);
    event->date = CivilDate{local.year, local.month, local.day};
    char clock[8];
    std::snprintf(clock, sizeof clock, "%02d:%02d", local.hour, local.minute);
    event->time = clock;
    event->zone = zone;
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
        const std::string venueZone = regionZone(cityRegion(*city));
        if (event.instant && !venueZone.empty() && venueZone != event.zone) {
            moveToZone(&event, venueZone);
        } else if (event.zone.empty()) {
            event.zone = venueZone;
        }
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
