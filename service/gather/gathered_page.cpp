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
        // A field that markup alone filled would be empty on the page, and a page with an empty
        // field is not a whole answer to the plug-in: such a show is left out.
        std::vector<std::string> performers, ids;
        for (std::size_t i = 0; i < e.performers.size(); ++i)
            if (std::string name = pageField(e.performers[i]); !name.empty()) {
                performers.push_back(std::move(name));
                ids.push_back(pageField(performerId(e, i)));
            }
        const std::string venue = pageField(e.venue), city = pageField(served.show.venueCity),
                          region = pageField(served.show.venueRegion), link = pageField(served.links.front());
        if (performers.empty() || venue.empty() || city.empty() || region.empty() || link.empty()) continue;
        *body += "<event>\n";
        // A performer's id stands on its line, where plug-ins that know no ids pass it over.
        for (std::size_t i = 0; i < performers.size(); ++i)
            *body += "<artist>" + performers[i] + "</artist>" +
                     (ids[i].empty() ? "" : "<artist_mbid>" + ids[i] + "</artist_mbid>") + "\n";
        char date[48];
        std::snprintf(date, sizeof date, "%d/%d/%d", e.date.month, e.date.day, e.date.year);
        *body += std::string("<event_date>") + date + "</event_date>\n";
        if (!e.time.empty()) *body += "<event_time>" + pageField(e.time) + "</event_time>\n";
        *body += "<venue_name>" + venue + "</venue_name>\n";
        *body += "<venue_city>" + city + "</venue_city>\n";
        *body += "<venue_state>" + region + "</venue_state>\n";
        if (!e.zone.empty()) *body += "<venue_timezone>" + pageField(e.zone) + "</venue_timezone>\n";
        *body += "<event_url>" + link + "</event_url>\n";
        *body += "</event>\n";
        ++count;
    }
    return count;
}

} // namespace vxs
