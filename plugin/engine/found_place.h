#pragma once
// Where a show was found: the place of the search that listed it. A chosen show stays chosen
// wherever the user searches next; only a search of its own place may cancel it.
#include "plugin/model/plugin_data.h"
#include "plugin/model/show_identity.h"
#include "plugin/prefsfile/trip_rules.h"

#include <functional>
#include <string>
#include <vector>

namespace vx {

// A searched place as the user typed it, and its canonical form (city as cleanCity writes it,
// region as the location table codes it, radius) that tells two ways of typing one place apart.
struct SearchPlace {
    std::string city, region;
    int radius = 0;
    std::string key;
};

SearchPlace makeSearchPlace(const char* city, const char* region, int radius);
// The place in the state store's curCity, curState and curSearchRadius.
SearchPlace currentSearchPlace(ProtectedData& st);
// The place the show was found for; radius 0 when it is not known.
SearchPlace foundPlaceOf(const SHOWENTRY& show);

// Notes the place on the shows of the list (only on those that have none, with onlyUnknown) and
// takes their "found elsewhere" mark off. The caller holds the list.
void noteFoundPlace(SHOWLIST& list, const SearchPlace& place, bool onlyUnknown);

// The trips a refresh searches: those whose dates have not passed, one per place (the first).
std::vector<Trip> tripsToSearch(PluginData& root, DayDate today);
// Where each show was found against this refresh: home, a trip it searched, or elsewhere.
std::function<ChangeRules::Found(const SHOWENTRY&)> foundAtThisRefresh(PluginData& root);
// The trip of the user's list whose place the show was found for and whose dates hold it; null
// when none.
const Trip* tripOf(const SHOWENTRY& show, const std::vector<Trip>& trips);

// "Boston, MA"; the city alone when no region was typed.
std::string placeText(const char* city, const char* region);

} // namespace vx
