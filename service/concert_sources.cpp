#include "service/concert_sources.h"

#include "service/gather/gathered_page.h"
#include "service/regular_file_text.h"
#include "service/text_keys.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace vxs {
namespace {

const SourceInfo kSources[kSourceCount] = {
    {"ticketline", "/sources/ticketline.php", true},
    {"gigwire", "/sources/gigwire.php", false},
};

constexpr long kMaxRadiusMiles = 12500; // half way round the earth
constexpr std::size_t kMaxScriptedPage = 16u << 20;

// A radius as the plug-in writes it ("%d"); negative, huge or non-numeric ones are refused.
bool parseRadius(const std::string* text, long* miles) {
    if (!text || text->empty() || text->size() > 9) return false;
    char* end = nullptr;
    long v = std::strtol(text->c_str(), &end, 10);
    if (*end != '\0' || v < 0) return false;
    *miles = std::min(v, kMaxRadiusMiles);
    return true;
}

// Field text that cannot end a field or a line early: no tag brackets, no line breaks.
std::string fieldText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '<' || c == '>') continue;
        out += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
    }
    return out;
}

std::string hex64(std::uint64_t v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

} // namespace

const SourceInfo& sourceInfo(int source) {
    return kSources[source < 0 || source >= kSourceCount ? 0 : source];
}

Reply directoryReply(const Query& query, const ServiceData& data, const std::string& host) {
    const std::string* todo = query.get("TODO");
    if (!todo || *todo != "GETSITES") return errorReply(400, "unknown TODO for the source directory");
    const std::string* city = query.get("CITY");
    const std::string* state = query.get("STATE");
    long radius = 0;
    if (!city || !state) return errorReply(400, "CITY and STATE are required");
    if (const std::string* r = query.get("RADIUS"); r && !parseRadius(r, &radius))
        return errorReply(400, "RADIUS must be a whole number of miles");

    std::optional<RegionRef> region = resolveRegion(*state, RegionTable::Search);
    const City* centre = region ? data.cities.find(*city, *region) : nullptr;
    Reply reply;
    if (!centre) {
        reply.body = "No concert sources cover that place.\n";
        return reply;
    }
    for (int s = 0; s < kSourceCount; ++s) {
        const SourceInfo& info = kSources[s];
        reply.body += std::string("<site ticket=") + (info.ticketsForSale ? "1" : "0") + " name=\"" +
                      info.name + "\">http://" + host + info.path + "?feed=events</site>\n";
    }
    return reply;
}

std::optional<Reply> readSourcePageRequest(int source, const Query& query, const ServiceData& data,
                                           SourcePageRequest* request) {
    const std::string* city = query.get("city");
    const std::string* state = query.get("state");
    if (!city || !state) return errorReply(400, "city and state are required");
    if (!parseRadius(query.get("radius"), &request->radius))
        return errorReply(400, "radius must be a whole number of miles");

    const SourceInfo& info = sourceInfo(source);
    if (!data.sourcePages.empty()) {
        // A page is a few hundred kilobytes at most; anything else at the name is an outage.
        Reply scripted;
        std::string why;
        if (!readRegularFile(data.sourcePages + "/" + info.name + ".txt", kMaxScriptedPage, &scripted.body,
                             &why))
            return errorReply(503, std::string(info.name) + " is down");
        return scripted;
    }
    std::optional<RegionRef> region = resolveRegion(*state, RegionTable::Search);
    request->centre = region ? data.cities.find(*city, *region) : nullptr;
    if (!request->centre) {
        Reply reply;
        reply.body = std::string("# ") + sourceInfo(source).name + ": no such place\n";
        return reply;
    }
    return std::nullopt;
}

Reply sourceReply(int source, const Query& query, ServiceData& data, const std::string& host) {
    SourcePageRequest request;
    if (std::optional<Reply> early = readSourcePageRequest(source, query, data, &request)) return *early;
    return buildSourcePage(source, request, *data.events->events(), data, host);
}

Reply buildSourcePage(int source, const SourcePageRequest& request, const std::vector<Event>& events,
                      const ServiceData& data, const std::string& host) {
    const SourceInfo& info = sourceInfo(source);
    const City* centre = request.centre;
    const long radius = request.radius;
    const auto& artists = data.catalogue.artists();
    const auto& venues = data.venues->venues();
    std::string body;
    int count = 0;
    for (const Event& e : events) {
        if (!data.generatedShows) break;
        if (!listedBySource(e, source)) continue;
        const Venue& v = venues[e.venue];
        if (distanceMiles(centre->lat, centre->lon, v.city->lat, v.city->lon) > static_cast<double>(radius))
            continue;
        body += "<event>\n";
        for (std::size_t p : e.performers)
            body += "<artist>" + fieldText(artists[p].name) + "</artist>\n";
        char date[48];
        std::snprintf(date, sizeof date, "%d/%d/%d", e.date.month, e.date.day, e.date.year);
        body += std::string("<event_date>") + date + "</event_date>\n";
        body += "<venue_name>" + fieldText(v.name) + "</venue_name>\n";
        body += "<venue_city>" + fieldText(v.city->name) + "</venue_city>\n";
        body += "<venue_state>" +
                fieldText(regionDisplay(RegionRef{
                    v.city->country,
                    v.city->country == "US" || v.city->country == "CA" ? v.city->region : std::string()})) +
                "</venue_state>\n";
        body +=
            "<event_url>http://" + host + "/" + info.name + "/event/" + hex64(e.id) + ".html</event_url>\n";
        body += "</event>\n";
        ++count;
    }
    if (data.gathered)
        count += appendGatheredShows(info.ticketsForSale, *centre, radius, *data.gathered->served(), &body);
    char head[512];
    std::snprintf(head, sizeof head, "# %s: %d events within %ld miles of %s, %s\n", info.name, count, radius,
                  centre->name.c_str(), centre->region.c_str());
    Reply reply;
    reply.body = head + body;
    return reply;
}

} // namespace vxs
