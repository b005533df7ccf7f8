#pragma once
// Where the search is centred: the latitude and longitude of the typed place from the web
// service, and the place itself from the IP-location page. The readers here take any bytes.
#include "plugin/net/web_session.h"

#include <cstddef>

enum class LatLongReply { found, notFound, unreadable };

// A reply holding "<NOTFOUND>" is notFound; otherwise found only when "<LAT>" and "<LON>" each
// enclose a finite number up to their closing tag.
LatLongReply readLatLongReply(const char* page, float* latitude, float* longitude);

// "http://" host "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=<city>&STATE=<region>"; the city
// is brought to canonical form with its blanks as '+'.
void latLongRequestURL(char* url, std::size_t capacity, const char* serviceHost, const char* city,
                       const char* regionCode);

struct IpPlace {
    char city[256];   // canonical form
    char region[256]; // the location region code, or the stripped name when there is none
};

// The place in an IP-location page: the first country marker (searched in a fixed order), the
// region up to the next comma, the city from there up to "</span>". False when none is found.
bool readIpLocationPage(const char* page, IpPlace* place);

// Locates the user by IP address into the current and shown city and region; 0 when a place was
// found and stored. -1 leaves them as they were: no place, or one the user typed meanwhile.
int ipLoc(WebSession& web);
// Resolves curLat/curLon for curCity/curState: 0 when found; 1 when the service does not know the
// place (0, 0 stay), so the refresh can end instead of searching nowhere; -1 when the region is
// not in the location table, the request failed or the reply is unreadable.
int latLongLoc(WebSession& web);
