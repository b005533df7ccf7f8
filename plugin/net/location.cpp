#include "plugin/net/location.h"

#include "common/fixed_text.h"
#include "plugin/model/text_helpers.h"
#include "plugin/net/clean_city.h"
#include "plugin/net/region_tables.h"
#include "plugin/net/web_exchange.h"
#include "plugin/net/web_fetch.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The text between open and close (the first of each from the page's start) as a finite number.
bool readTagNumber(const char* page, const char* open, const char* close, float* value) {
    const int start = strFind(page, open, 0);
    const int end = strFind(page, close, 0);
    const int from = start + static_cast<int>(std::strlen(open));
    if (start < 0 || end < 0 || end < from) return false;
    char text[256];
    const int length = end - from < 255 ? end - from : 255;
    std::memcpy(text, page + from, static_cast<std::size_t>(length));
    text[length] = '\0';
    char* after = nullptr;
    const float number = std::strtof(text, &after);
    if (after == text || !std::isfinite(number)) return false;
    *value = number;
    return true;
}

struct CountryMarker {
    const char* marker;
    const char* fixedRegion; // null: the page's own region text
};

constexpr CountryMarker kCountryMarkers[] = {
    {">UNITED STATES,", nullptr}, {">UNITED KINGDOM,", "UK"}, {">GERMANY,", "Germany"},
    {">CANADA,", nullptr},        {">ITALY,", "Italy"},
};

void copyPart(char (&dst)[256], const char* from, int length) {
    const int n = length < 255 ? length : 255;
    std::memcpy(dst, from, static_cast<std::size_t>(n));
    dst[n] = '\0';
}

} // namespace

LatLongReply readLatLongReply(const char* page, float* latitude, float* longitude) {
    if (!page) return LatLongReply::unreadable;
    if (strFind(page, "<NOTFOUND>", 0) >= 0) return LatLongReply::notFound;
    float lat = 0.0f, lon = 0.0f;
    if (!readTagNumber(page, "<LAT>", "</LAT>", &lat) || !readTagNumber(page, "<LON>", "</LON>", &lon))
        return LatLongReply::unreadable;
    *latitude = lat;
    *longitude = lon;
    return LatLongReply::found;
}

void latLongRequestURL(char* url, std::size_t capacity, const char* serviceHost, const char* city,
                       const char* regionCode) {
    char canonical[256];
    vx::copyText(canonical, city);
    cleanCity(canonical);
    escapeQueryValue(canonical, sizeof canonical);
    char code[256];
    vx::copyText(code, regionCode);
    escapeQueryValue(code, sizeof code);
    char query[1024];
    std::snprintf(query, sizeof query, "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=%s&STATE=%s", canonical,
                  code);
    webServiceURL(url, capacity, serviceHost, query);
}

bool readIpLocationPage(const char* page, IpPlace* place) {
    if (!page) return false;
    const CountryMarker* found = nullptr;
    int at = -1;
    for (const CountryMarker& m : kCountryMarkers) {
        at = strFind(page, m.marker, 0);
        if (at >= 0) {
            found = &m;
            break;
        }
    }
    if (!found) return false;
    const int regionStart = at + static_cast<int>(std::strlen(found->marker));
    const int comma = strFind(page, ",", regionStart);
    const int spanEnd = strFind(page, "</span>", at);
    if (comma < 0 || spanEnd < 0 || comma > spanEnd) return false;

    if (found->fixedRegion)
        vx::copyText(place->region, found->fixedRegion);
    else
        copyPart(place->region, page + regionStart, comma - regionStart);
    copyPart(place->city, page + comma + 1, spanEnd - comma - 1);
    // An unknown region keeps the stripped lower-case text the table left.
    latLongStateAbbrev(place->region);
    cleanCity(place->city);
    return true;
}

int latLongLoc(WebSession& engine) {
    ProtectedData& st = engine.root->state;
    st.setCurLat(0.0);
    st.setCurLon(0.0);
    char region[256];
    st.getCurState(region);
    if (latLongStateAbbrev(region) != 0) return -1;

    WebExchange web(engine);
    char city[256];
    st.getCurCity(city);
    char url[kFetchURLCapacity];
    latLongRequestURL(url, sizeof url, engine.services.webServiceHost, city, region);
    if (web.fetch(url) != 0) return -1;
    float lat = 0.0f, lon = 0.0f;
    switch (readLatLongReply(web.page(), &lat, &lon)) {
    case LatLongReply::notFound:
        return 1;
    case LatLongReply::unreadable:
        return -1;
    case LatLongReply::found:
        break;
    }
    st.setCurLat(lat);
    st.setCurLon(lon);
    return 0;
}

int ipLoc(WebSession& engine) {
    ProtectedData& st = engine.root->state;
    WebExchange web(engine);
    char url[kFetchURLCapacity];
    webServiceURL(url, sizeof url, engine.services.ipLocationHost, "/");
    if (web.fetch(url) != 0) return -1;
    IpPlace place;
    if (!readIpLocationPage(web.page(), &place)) return -1;
    // A place the user typed while the page was on its way is the one to search.
    return st.storeLocatedPlace(place.city, place.region) ? 0 : -1;
}
