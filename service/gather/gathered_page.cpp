#include "service/gather/gathered_page.h"

#include <cstdio>

namespace vxs {

std::string pageField(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '<' || c == '>') continue;
        out += (c == '\n' || c == '\r' || c == '\t' || c == '\0') ? ' ' : c;
    }
    return out;
}

int appendGatheredShows(bool ticketSource, const City& centre, long radius,
                        const std::vector<ServedShow>& shows, std::string* body) {
    int count = 0;
    for (const ServedShow& served : shows) {
        const GatheredEvent& e = served.show.event;
        if (e.ticketUrl.empty() == ticketSource) continue;
        if (distanceMiles(centre.lat, centre.lon, served.show.lat, served.show.lon) >
            static_cast<double>(radius))
            continue;
        *body += "<event>\n";
        for (const std::string& performer : e.performers)
            *body += "<artist>" + pageField(performer) + "</artist>\n";
        char date[48];
        std::snprintf(date, sizeof date, "%d/%d/%d", e.date.month, e.date.day, e.date.year);
        *body += std::string("<event_date>") + date + "</event_date>\n";
        if (!e.time.empty()) *body += "<event_time>" + pageField(e.time) + "</event_time>\n";
        *body += "<venue_name>" + pageField(e.venue) + "</venue_name>\n";
        *body += "<venue_city>" + pageField(served.show.venueCity) + "</venue_city>\n";
        *body += "<venue_state>" + pageField(served.show.venueRegion) + "</venue_state>\n";
        if (!e.zone.empty()) *body += "<venue_timezone>" + pageField(e.zone) + "</venue_timezone>\n";
        *body += "<event_url>" + pageField(served.links.front()) + "</event_url>\n";
        *body += "</event>\n";
        ++count;
    }
    return count;
}

} // namespace vxs
