#pragma once
// Everything the endpoints read. Built once at start-up; after that only the
// event store (when the day changes) and the sharing store change, each under
// its own lock.
#include "service/catalogue.h"
#include "service/city_table.h"
#include "service/event_store.h"
#include "service/feed_store.h"
#include "service/gather/gathered_shows.h"
#include "service/phone_app_store.h"
#include "service/service_database.h"
#include "service/sharing_store.h"
#include "service/venue_table.h"

#include <memory>
#include <string>

namespace vxs {

// The version the version check announces as the newest one, and its message.
struct VersionAnnouncement {
    int major = 2;
    int minor = 9;
    std::string message;
};

// The place the IP-location page reports, as it prints it (upper case).
struct IpPlace {
    std::string country = "UNITED STATES";
    std::string region = "MASSACHUSETTS";
    std::string city = "BOSTON";
    // How long the page takes to answer, as a slow outside site would.
    int delayMs = 0;
};

struct ServiceData {
    CityTable cities;
    Catalogue catalogue;
    std::unique_ptr<VenueTable> venues;
    std::unique_ptr<EventStore> events;
    VersionAnnouncement version;
    IpPlace ipPlace;
    // When set, the folder whose NAME.txt each concert source answers with, read at each request.
    std::string sourcePages;
    ServiceDatabase db;
    std::unique_ptr<SharingStore> sharing;
    std::unique_ptr<FeedStore> feeds;
    // Shows gathered from the sources a user listed (--sources), when there are any; the
    // generated ones are listed beside them unless generatedShows is off.
    std::unique_ptr<GatheredShows> gathered;
    bool generatedShows = true;
    std::unique_ptr<PhoneAppStore> phoneApp;
};

} // namespace vxs
