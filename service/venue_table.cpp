#include "service/venue_table.h"

#include "service/stable_random.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace vxs {
namespace {

const std::array kVenueWords = {
    "Paradise", "Orpheum", "Bluebird", "Lantern",   "Roxy",    "Majestic", "Crescent", "Lyric",   "Fillmore",
    "Echo",     "Anchor",  "Beacon",   "Crystal",   "Granada", "Meridian", "Palomino", "Riviera", "Starlight",
    "Tivoli",   "Variety", "Wiltern",  "Ironworks", "Foundry", "Mercury",  "Pinewood", "Harbor",  "Sunset",
};

const std::array kVenuePatterns = {
    "The %w Room", "%c Music Hall",   "%w Theatre",  "The %w",  "%c Arena",        "%w Ballroom",
    "Club %w",     "%c Civic Center", "The %w & %v", "%w Hall", "%c Amphitheater", "The %w Lounge",
};

std::string fillPattern(std::string pattern, const std::string& city, const std::string& w,
                        const std::string& v) {
    for (auto [tag, value] :
         {std::pair<const char*, const std::string*>{"%c", &city}, {"%w", &w}, {"%v", &v}}) {
        std::size_t pos = pattern.find(tag);
        if (pos != std::string::npos) pattern.replace(pos, 2, *value);
    }
    return pattern;
}

void addToPool(VenuePool& pool, std::size_t venue, double weight) {
    pool.venues.push_back(venue);
    pool.cumulative.push_back((pool.cumulative.empty() ? 0 : pool.cumulative.back()) + weight);
}

// US and Canadian towns of this size have a stage; elsewhere the largest few cities per country.
constexpr long kNorthAmericaMinPopulation = 60000;
constexpr std::size_t kCitiesPerOtherCountry = 8;

} // namespace

std::size_t VenuePool::pick(double u) const {
    if (venues.empty()) return 0;
    double target = u * cumulative.back();
    auto it = std::upper_bound(cumulative.begin(), cumulative.end(), target);
    std::size_t i =
        std::min<std::size_t>(static_cast<std::size_t>(it - cumulative.begin()), venues.size() - 1);
    return venues[i];
}

VenueTable::VenueTable(const CityTable& cities) {
    std::map<std::string, std::vector<const City*>> others;
    std::vector<const City*> chosen;
    for (const City& c : cities.cities()) {
        if (c.country == "US" || c.country == "CA") {
            if (c.population >= kNorthAmericaMinPopulation) chosen.push_back(&c);
        } else {
            others[c.country].push_back(&c);
        }
    }
    for (auto& [country, list] : others) {
        std::stable_sort(list.begin(), list.end(),
                         [](const City* a, const City* b) { return a->population > b->population; });
        for (std::size_t i = 0; i < list.size() && i < kCitiesPerOtherCountry; ++i)
            chosen.push_back(list[i]);
    }
    for (const City* c : chosen) {
        int count = 1 + (c->population > 300000) + (c->population > 1000000) + (c->population > 3000000);
        StableRandom rng(stableHash(c->name + "/" + c->region + "/" + c->country));
        double weight = std::sqrt(static_cast<double>(std::max(1000L, c->population))) / count;
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) {
            std::string name;
            for (int attempt = 0;
                 attempt < 20 && (name.empty() || std::count(names.begin(), names.end(), name)); ++attempt) {
                std::string w = kVenueWords[rng.below(kVenueWords.size())];
                std::string v = kVenueWords[rng.below(kVenueWords.size())];
                if (w == v) continue;
                name = fillPattern(kVenuePatterns[rng.below(kVenuePatterns.size())], c->name, w, v);
            }
            if (name.empty()) continue;
            names.push_back(name);
            std::size_t index = venues_.size();
            venues_.push_back(Venue{name, c, weight});
            addToPool(all_, index, weight);
            addToPool(byCountry_[c->country], index, weight);
        }
    }
}

const VenuePool& VenueTable::inCountry(const std::string& iso2) const {
    static const VenuePool empty;
    auto it = byCountry_.find(iso2);
    return it == byCountry_.end() ? empty : it->second;
}

VenuePool VenueTable::near(double lat, double lon, double radiusMiles) const {
    VenuePool pool;
    for (std::size_t i = 0; i < venues_.size(); ++i)
        if (distanceMiles(lat, lon, venues_[i].city->lat, venues_[i].city->lon) <= radiusMiles)
            addToPool(pool, i, venues_[i].weight);
    return pool;
}

} // namespace vxs
