#pragma once
// The shows the phone app lists: the concert sources' events near a place whose performers are the
// account's synced artists, matched by the same artist key as the plug-in's search, one show per
// matched performer, in date order. Gathered shows are listed as the source pages list them.
#include "service/service_data.h"
#include "service/sharing_store.h"

#include <optional>
#include <string>
#include <vector>

namespace vxs {

struct PlaceCentre {
    double lat = 0, lon = 0;
    std::string name; // "Boston, MA"
};

// "City, Region" as the plug-in's city and state fields take them; nullopt for a place the city
// table does not know (or a text no place has: over 200 bytes, no comma).
std::optional<PlaceCentre> typedPlace(std::string_view text, const CityTable& cities);
// The city of the table nearest to a point, named for the list's heading; nullopt off the globe.
std::optional<PlaceCentre> locatedPlace(double lat, double lon, const CityTable& cities);

struct AppShow {
    // Event id and performer's artist key, stable across days and restarts: "hex16-key" for a
    // generated event, "g" and a hash of its source and source id before the dash for a gathered one.
    std::string key;
    SharedShow show;  // date, artist, venue, "City, Region", link, other artists, tickets
    std::string time; // "HH:MM" at the venue, empty when only the day is known
};

std::vector<AppShow> showsNear(const PlaceCentre& centre, long radiusMiles,
                               const std::vector<std::string>& artists, ServiceData& data,
                               const std::string& host);

// The show of that key among the shows near nowhere in particular: found by its event wherever
// it is, so a star needs no place. nullopt when no such show is upcoming.
std::optional<AppShow> showByKey(const std::string& key, ServiceData& data, const std::string& host);

} // namespace vxs
