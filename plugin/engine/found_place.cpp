#include "plugin/engine/found_place.h"

#include "common/fixed_text.h"
#include "plugin/net/clean_city.h"
#include "plugin/net/region_tables.h"

#include <algorithm>
#include <ctime>
#include <memory>

namespace vx {

SearchPlace makeSearchPlace(const char* city, const char* region, int radius) {
    SearchPlace place;
    place.city = city ? city : "";
    place.region = region ? region : "";
    if (place.region == "-") place.region.clear();
    place.radius = radius;
    char canonicalCity[256], canonicalRegion[256];
    copyText(canonicalCity, place.city.c_str());
    copyText(canonicalRegion, place.region.c_str());
    cleanCity(canonicalCity);
    latLongStateAbbrev(canonicalRegion);
    place.key = std::string(canonicalCity) + '\x1f' + canonicalRegion + '\x1f' + std::to_string(radius);
    return place;
}

SearchPlace currentSearchPlace(ProtectedData& st) {
    char city[256], region[256];
    st.getCurCity(city);
    st.getCurState(region);
    return makeSearchPlace(city, region, st.getCurSearchRadius());
}

SearchPlace foundPlaceOf(const SHOWENTRY& show) {
    return makeSearchPlace(show.foundCity, show.foundState, show.foundRadius);
}

void noteFoundPlace(SHOWLIST& list, const SearchPlace& place, bool onlyUnknown) {
    for (SHOWENTRY* e = list.head; e; e = e->next) {
        if (onlyUnknown && e->foundRadius > 0) continue;
        copyText(e->foundCity, place.city.c_str());
        copyText(e->foundState, place.region.c_str());
        e->foundRadius = place.radius;
        e->elsewhere = false;
    }
}

std::vector<Trip> tripsToSearch(PluginData& root, DayDate today) {
    const SearchPlace home = currentSearchPlace(root.state);
    std::vector<std::string> keys{home.key};
    std::vector<Trip> out;
    for (const Trip& trip : root.trips.get()) {
        if (tripPassed(trip, today)) continue;
        const std::string key = makeSearchPlace(trip.city.c_str(), trip.region.c_str(), trip.radius).key;
        // One search per place: the shows of a place searched already are in the list.
        if (std::find(keys.begin(), keys.end(), key) != keys.end()) continue;
        keys.push_back(key);
        out.push_back(trip);
    }
    return out;
}

std::function<ChangeRules::Found(const SHOWENTRY&)> foundAtThisRefresh(PluginData& root) {
    auto keys = std::make_shared<std::vector<std::string>>();
    for (const Trip& trip : tripsToSearch(root, localToday()))
        keys->push_back(makeSearchPlace(trip.city.c_str(), trip.region.c_str(), trip.radius).key);
    return [home = currentSearchPlace(root.state).key, keys](const SHOWENTRY& show) {
        if (show.foundRadius <= 0) return ChangeRules::Found::Here;
        const std::string key = foundPlaceOf(show).key;
        if (key == home) return ChangeRules::Found::Here;
        return std::find(keys->begin(), keys->end(), key) != keys->end() ? ChangeRules::Found::OnTrip
                                                                         : ChangeRules::Found::Elsewhere;
    };
}

const Trip* tripOf(const SHOWENTRY& show, const std::vector<Trip>& trips) {
    const std::string key = foundPlaceOf(show).key;
    for (const Trip& trip : trips)
        if (makeSearchPlace(trip.city.c_str(), trip.region.c_str(), trip.radius).key == key &&
            tripCovers(trip, {show.year, show.month, show.day}))
            return &trip;
    return nullptr;
}

std::string placeText(const char* city, const char* region) {
    std::string text = city ? city : "";
    if (region && region[0] && std::string(region) != "-")
        text += (text.empty() ? "" : ", ") + std::string(region);
    return text;
}

} // namespace vx
