#include "plugin/net/concert_search_place.h"

#include "common/fixed_text.h"
#include "plugin/net/clean_city.h"
#include "plugin/net/region_tables.h"
#include "plugin/net/web_fetch.h"

#include <cstdio>

ConcertSearchPlace concertSearchPlace(const char* city, const char* region, int radius) {
    ConcertSearchPlace place;
    vx::copyText(place.city, city);
    cleanCity(place.city);
    escapeQueryValue(place.city, sizeof place.city);
    vx::copyText(place.region, region);
    // An unknown region goes out as the function left it: lower case, letters and digits.
    stateAbbrev_generic(place.region);
    escapeQueryValue(place.region, sizeof place.region);
    place.radius = radius;
    return place;
}

void sourceDirectoryURL(char* url, std::size_t capacity, const char* serviceHost,
                        const ConcertSearchPlace& place) {
    char query[1024];
    std::snprintf(query, sizeof query,
                  "/datasources/datasources.php?TODO=GETSITES&CITY=%s&STATE=%s&RADIUS=%d&VERSION=%d.%d",
                  place.city, place.region, place.radius, kProgramMajorVersion, kProgramMinorVersion);
    webServiceURL(url, capacity, serviceHost, query);
}

void sourceRequestURL(char* url, std::size_t capacity, const char* sourceURL,
                      const ConcertSearchPlace& place) {
    std::snprintf(url, capacity, "%s&city=%s&state=%s&radius=%d", sourceURL, place.city, place.region,
                  place.radius);
}
