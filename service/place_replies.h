#pragma once
// The two place look-ups: latitude and longitude of a city, and the page that
// tells a computer where its internet address is.
#include "service/city_table.h"
#include "service/query_params.h"
#include "service/reply.h"
#include "service/service_data.h"

#include <string>

namespace vxs {

// "/zipcodes/zipcodes.php?TODO=GETLATLON&CITY=..&STATE=..": "<LAT>..</LAT><LON>..</LON>",
// or "<NOTFOUND>" for a place it does not know.
Reply latLonReply(const Query& query, const CityTable& cities);

// The IP-location page: a table cell reading country, region and city separated
// by ", " right behind a ">" and closed by "</span>".
Reply ipLocationPage(const IpPlace& place, const std::string& remoteAddress);

// A place text the page can carry: no comma and no markup, or it would break the cell.
bool validIpPlaceText(const std::string& text);

} // namespace vxs
