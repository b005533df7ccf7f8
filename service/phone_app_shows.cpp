#include "service/phone_app_shows.h"

#include "service/concert_sources.h"
#include "service/feed_token.h"
#include "service/gather/gathered_page.h"
#include "service/text_keys.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>
#include <unordered_set>

namespace vxs {
namespace {

constexpr std::size_t kMaxPlaceBytes = 200;
constexpr long kMaxRadiusMiles = 500;

std::string trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return std::string(text);
}

std::string hex64(std::uint64_t v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

std::string placeName(const City& city) {
    const bool byRegion = city.country == "US" || city.country == "CA";
    return city.name + ", " + regionDisplay(RegionRef{city.country, byRegion ? city.region : std::string()});
}

// The first source listing the event (the ticket seller first), as the plug-in meets them; -1 for none.
int firstSource(const Event& e) {
    for (int s = 0; s < kSourceCount; ++s)
        if (listedBySource(e, s)) return s;
    return -1;
}

// One show per performer whose key the account holds, as the plug-in's search makes them.
void addShowsOf(const Event& e, const std::unordered_set<std::string>& wanted, const ServiceData& data,
                const std::string& host, const std::string* onlyKey, std::vector<AppShow>* out) {
    const int source = firstSource(e);
    if (source < 0) return;
    const auto& artists = data.catalogue.artists();
    const Venue& v = data.venues->venues()[e.venue];
    for (std::size_t p : e.performers) {
        const std::string& key = artists[p].key;
        const std::string showKey = hex64(e.id) + "-" + key;
        if (onlyKey ? *onlyKey != showKey : !wanted.count(key)) continue;
        AppShow show;
        show.key = showKey;
        show.show.year = e.date.year, show.show.month = e.date.month, show.show.day = e.date.day;
        show.show.artist = artists[p].name;
        show.show.venue = v.name;
        show.show.location = placeName(*v.city);
        show.show.url = "http://" + host + "/" + sourceInfo(source).name + "/event/" + hex64(e.id) + ".html";
        show.show.tickets = sourceInfo(source).ticketsForSale;
        for (std::size_t o : e.performers) {
            if (artists[o].key == key) continue;
            if (!show.show.otherArtists.empty()) show.show.otherArtists += ", ";
            show.show.otherArtists += artists[o].name;
        }
        out->push_back(std::move(show));
    }
}

// A gathered show's part of its keys: the first source listing it and its id there, so that the key
// stays while that source lists it and never looks like a generated event's hex id.
std::string gatheredKeyPrefix(const GatheredEvent& e) {
    return "g" + sha256Hex(e.sourceUrl + "\n" + e.sourceId).substr(0, 16);
}

// The gathered show's entries for the performers the account holds, with the texts its source page
// gives; a show the pages leave out (a field that cleaning emptied) is left out here too.
void addGatheredShowsOf(const ServedShow& served, const std::unordered_set<std::string>& wanted,
                        const std::string* onlyKey, std::vector<AppShow>* out) {
    const GatheredEvent& e = served.show.event;
    const std::string prefix = gatheredKeyPrefix(e);
    if (onlyKey && onlyKey->compare(0, prefix.size() + 1, prefix + "-") != 0) return;
    std::vector<std::string> performers;
    for (const std::string& performer : e.performers)
        if (std::string name = pageField(performer); !name.empty()) performers.push_back(std::move(name));
    const std::string venue = pageField(e.venue), city = pageField(served.show.venueCity),
                      region = pageField(served.show.venueRegion), link = pageField(served.links.front());
    if (performers.empty() || venue.empty() || city.empty() || region.empty() || link.empty()) return;
    std::unordered_set<std::string> listed; // a bill naming one act twice lists it once
    for (const std::string& performer : performers) {
        const std::string key = artistKey(performer);
        const std::string showKey = prefix + "-" + key;
        if (key.empty() || (onlyKey ? *onlyKey != showKey : !wanted.count(key)) || !listed.insert(key).second)
            continue;
        AppShow show;
        show.key = showKey;
        show.time = e.time;
        show.show.year = e.date.year, show.show.month = e.date.month, show.show.day = e.date.day;
        show.show.artist = performer;
        show.show.venue = venue;
        show.show.location = city + ", " + region;
        show.show.url = link;
        show.show.tickets = !e.ticketUrl.empty();
        for (const std::string& other : performers) {
            if (artistKey(other) == key) continue;
            if (!show.show.otherArtists.empty()) show.show.otherArtists += ", ";
            show.show.otherArtists += other;
        }
        boundShowTexts(&show.show); // the feed and the plug-in hold shows of bounded texts
        out->push_back(std::move(show));
        if (onlyKey) return;
    }
}

} // namespace

std::optional<PlaceCentre> typedPlace(std::string_view text, const CityTable& cities) {
    if (text.size() > kMaxPlaceBytes) return std::nullopt;
    const std::size_t comma = text.rfind(',');
    if (comma == std::string_view::npos) return std::nullopt;
    const std::string city = trimmed(text.substr(0, comma));
    const std::string region = trimmed(text.substr(comma + 1));
    const std::optional<RegionRef> where = resolveRegion(region, RegionTable::Search);
    const City* found = where && !city.empty() ? cities.find(city, *where) : nullptr;
    if (!found) return std::nullopt;
    return PlaceCentre{found->lat, found->lon, placeName(*found)};
}

std::optional<PlaceCentre> locatedPlace(double lat, double lon, const CityTable& cities) {
    if (!std::isfinite(lat) || !std::isfinite(lon) || std::fabs(lat) > 90 || std::fabs(lon) > 180)
        return std::nullopt;
    const City* nearest = nullptr;
    double best = 0;
    for (const City& c : cities.cities()) {
        const double d = distanceMiles(lat, lon, c.lat, c.lon);
        if (!nearest || d < best) nearest = &c, best = d;
    }
    if (!nearest) return std::nullopt;
    return PlaceCentre{lat, lon, placeName(*nearest)};
}

std::vector<AppShow> showsNear(const PlaceCentre& centre, long radiusMiles,
                               const std::vector<std::string>& artists, ServiceData& data,
                               const std::string& host) {
    std::unordered_set<std::string> wanted;
    for (const std::string& a : artists)
        if (std::string key = artistKey(a); !key.empty()) wanted.insert(std::move(key));
    const long radius = std::min(std::max(radiusMiles, 0L), kMaxRadiusMiles);
    std::vector<AppShow> list;
    if (wanted.empty()) return list;
    const auto events = data.events->events();
    const auto& venues = data.venues->venues();
    for (const Event& e : *events) {
        if (!data.generatedShows) break;
        const City* city = venues[e.venue].city;
        if (distanceMiles(centre.lat, centre.lon, city->lat, city->lon) > static_cast<double>(radius))
            continue;
        addShowsOf(e, wanted, data, host, nullptr, &list);
    }
    if (data.gathered) {
        const auto served = data.gathered->served();
        for (const ServedShow& s : *served)
            if (distanceMiles(centre.lat, centre.lon, s.show.lat, s.show.lon) <= static_cast<double>(radius))
                addGatheredShowsOf(s, wanted, nullptr, &list);
    }
    // The page groups the list by month as it comes: by day, and within a day by time (day-only
    // shows first); generated and gathered shows keep their own order beside that.
    std::stable_sort(list.begin(), list.end(), [](const AppShow& a, const AppShow& b) {
        return std::tie(a.show.year, a.show.month, a.show.day, a.time) <
               std::tie(b.show.year, b.show.month, b.show.day, b.time);
    });
    return list;
}

std::optional<AppShow> showByKey(const std::string& key, ServiceData& data, const std::string& host) {
    const std::size_t dash = key.find('-');
    if (dash == 17 && key[0] == 'g') {
        if (!data.gathered) return std::nullopt;
        const auto served = data.gathered->served();
        std::vector<AppShow> found;
        for (const ServedShow& s : *served) {
            addGatheredShowsOf(s, {}, &key, &found);
            if (!found.empty()) return found.front();
        }
        return std::nullopt;
    }
    if (dash != 16 || !data.generatedShows) return std::nullopt;
    const auto events = data.events->events();
    for (const Event& e : *events) {
        if (hex64(e.id) != key.substr(0, dash)) continue;
        std::vector<AppShow> found;
        addShowsOf(e, {}, data, host, &key, &found);
        if (!found.empty()) return found.front();
    }
    return std::nullopt;
}

} // namespace vxs
