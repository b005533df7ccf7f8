#include "service/service_setup.h"

#include "service/library_artists.h"
#include "service/text_keys.h"

namespace vxs {

std::optional<FocusArea> focusArea(const ServiceOptions& options, const CityTable& cities) {
    if (!options.focus) return std::nullopt;
    std::string city = options.focusCity.empty() ? options.ipPlace.city : options.focusCity;
    std::optional<RegionRef> where;
    if (!options.focusRegion.empty()) {
        where = resolveRegion(options.focusRegion, RegionTable::Location);
    } else {
        // The page names a state or province for these two countries, the country elsewhere.
        std::string country = options.ipPlace.country;
        bool byRegion = placeKey(country) == "unitedstates" || placeKey(country) == "canada";
        where = resolveRegion(byRegion ? options.ipPlace.region : country, RegionTable::Location);
    }
    if (!where) return std::nullopt;
    const City* c = cities.find(city, *where);
    if (!c) return std::nullopt;
    return FocusArea{c->lat, c->lon, 75};
}

bool buildServiceData(const ServiceOptions& options, ServiceData* data, std::string* error) {
    if (!data->cities.load(options.dataDir + "/cities.tsv", error)) return false;
    data->catalogue = Catalogue::builtIn();
    for (const std::string& path : options.libraries) {
        std::vector<std::string> names;
        std::map<std::string, std::vector<std::string>> albums;
        if (!readLibraryArtists(path, &names, error, &albums)) return false;
        for (const std::string& name : names)
            data->catalogue.add(listingName(name), name, albums[name]);
    }
    data->venues = std::make_unique<VenueTable>(data->cities);
    data->events = std::make_unique<EventStore>(data->catalogue, *data->venues,
                                                focusArea(options, data->cities), options.today);
    if (!data->db.open(options.dbPath, error, options.postgres)) return false;
    try {
        data->sharing = std::make_unique<SharingStore>(data->db, options.accounts);
    } catch (const StoreError& e) {
        *error = std::string("cannot read the accounts: ") + e.what();
        return false;
    }
    // Every process on a PostgreSQL database must hold the same key, and no path beside the
    // database is there to find it: it is named.
    if (isPostgresTarget(options.dbPath) && options.feedKeyPath.empty()) {
        *error = "a PostgreSQL store needs --feed-key FILE, the one feed key of every service on it";
        return false;
    }
    std::string key = newFeedKey();
    const std::string keyPath = !options.feedKeyPath.empty() ? options.feedKeyPath
                                : options.dbPath.empty() || options.dbPath == ":memory:"
                                    ? ""
                                    : options.dbPath + ".feed-key";
    if (!keyPath.empty()) {
        std::optional<std::string> kept = loadOrCreateFeedKey(keyPath, error);
        if (!kept) return false;
        key = std::move(*kept);
    }
    data->phoneApp = std::make_unique<PhoneAppStore>(data->db, key);
    data->feeds = std::make_unique<FeedStore>(data->db, std::move(key));
    data->version = options.version;
    data->ipPlace = options.ipPlace;
    data->sourcePages = options.sourcePages;
    if (!options.gather.sourcesPath.empty()) {
        try {
            data->gathered = std::make_unique<GatheredShows>(&data->db.engine());
        } catch (const StoreError& e) {
            *error = std::string("cannot read the gathered shows: ") + e.what();
            return false;
        }
        data->generatedShows = !options.gather.gatheredOnly;
    }
    return true;
}

} // namespace vxs
