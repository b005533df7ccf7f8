#include "service/place_replies.h"

#include "service/text_keys.h"

#include <cctype>
#include <cstdio>

namespace vxs {

Reply latLonReply(const Query& query, const CityTable& cities) {
    const std::string* todo = query.get("TODO");
    if (!todo || *todo != "GETLATLON") return errorReply(400, "unknown TODO for the place look-up");
    const std::string* city = query.get("CITY");
    const std::string* state = query.get("STATE");
    if (!city || !state) return errorReply(400, "CITY and STATE are required");
    std::optional<RegionRef> region = resolveRegion(*state, RegionTable::Location);
    const City* found = region ? cities.find(*city, *region) : nullptr;
    Reply reply;
    if (!found) {
        reply.body = "<NOTFOUND>\n";
        return reply;
    }
    char buf[128];
    std::snprintf(buf, sizeof buf, "<LAT>%.5f</LAT><LON>%.5f</LON>\n", found->lat, found->lon);
    reply.body = buf;
    return reply;
}

bool validIpPlaceText(const std::string& text) {
    if (text.empty() || text.size() > 100) return false;
    for (char c : text)
        if (c == ',' || c == '<' || c == '>' || c == '&' || c == '\n' || c == '\r') return false;
    return true;
}

Reply ipLocationPage(const IpPlace& place, const std::string& remoteAddress) {
    std::string address;
    for (char c : remoteAddress)
        if (std::isxdigit(static_cast<unsigned char>(c)) || c == '.' || c == ':') address += c;
    Reply reply;
    reply.contentType = "text/html";
    reply.body = "<html><head><title>Where is my address</title></head><body>\n"
                 "<table>\n"
                 "<tr><td>Address</td><td><span class=\"addr\">" +
                 address +
                 "</span></td></tr>\n"
                 "<tr><td>Location</td><td><span class=\"loc\">" +
                 upperAscii(place.country) + ", " + upperAscii(place.region) + ", " + upperAscii(place.city) +
                 "</span></td></tr>\n"
                 "</table>\n"
                 "</body></html>\n";
    return reply;
}

} // namespace vxs
