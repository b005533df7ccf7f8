#include "service/phone_app_shows.h"

#include "service/concert_sources.h"
#include "service/text_keys.h"

#include <cmath>
#include <cstdio>
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
        const City* city = venues[e.venue].city;
        if (distanceMiles(centre.lat, centre.lon, city->lat, city->lon) > static_cast<double>(radius))
            continue;
        addShowsOf(e, wanted, data, host, nullptr, &list);
    }
    return list;
}

std::optional<AppShow> showByKey(const std::string& key, ServiceData& data, const std::string& host) {
    const std::size_t dash = key.find('-');
    if (dash != 16) return std::nullopt;
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
