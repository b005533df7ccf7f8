#include "service/gather/musicbrainz_reader.h"

#include "service/gather/clean_text.h"
#include "service/gather/jsonld_reader.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>

namespace vxs {
namespace {

using Json = nlohmann::json;

constexpr int kMaxDepth = 64;

std::string text(const Json& object, const char* name) {
    if (!object.is_object()) return {};
    const auto found = object.find(name);
    return found != object.end() && found->is_string() ? cleanField(found->get<std::string>(), 1024)
                                                       : std::string();
}

const Json* child(const Json& object, const char* name) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(name);
    return found == object.end() || found->is_null() ? nullptr : &*found;
}

std::optional<double> number(const Json* value) {
    if (value && value->is_number()) return value->get<double>();
    if (value && value->is_string()) {
        const std::string t = value->get<std::string>();
        char* end = nullptr;
        const double v = std::strtod(t.c_str(), &end);
        if (!t.empty() && *end == '\0') return v;
    }
    return std::nullopt;
}

void readEvent(const Json& e, const ReadContext& context, SourceReading* reading) {
    GatheredEvent show;
    show.sourceId = text(e, "id");
    const std::string entry = show.sourceId.empty() ? text(e, "name") : show.sourceId;
    if (show.sourceId.empty()) return reading->skip(entry, "no event id");
    if (reading->events.size() >= context.maxEvents) {
        reading->whole = false;
        return reading->skip(entry,
                             "more than " + std::to_string(context.maxEvents) + " events in one source");
    }
    const Json* span = child(e, "life-span");
    const std::string begin = span ? text(*span, "begin") : std::string();
    int y = 0, m = 0, d = 0;
    if (std::sscanf(begin.c_str(), "%4d-%2d-%2d", &y, &m, &d) != 3 || m < 1 || m > 12 || d < 1 || y < 1 ||
        d > daysInMonth(y, m))
        return reading->skip(entry, "no whole begin date");
    show.date = CivilDate{y, m, d};
    std::string why;
    if (!withinListedDays(show.date, context.today, &why)) return reading->skip(entry, why);
    int hh = 0, mm = 0;
    if (std::sscanf(text(e, "time").c_str(), "%2d:%2d", &hh, &mm) == 2 && hh >= 0 && hh < 24 && mm >= 0 &&
        mm < 60) {
        char t[8];
        std::snprintf(t, sizeof t, "%02d:%02d", hh, mm);
        show.time = t;
    }
    if (const Json* relations = child(e, "relations"); relations && relations->is_array()) {
        // The main performers first, then the support.
        for (const char* wanted :
             {"main performer", "headliner", "performer", "support act", "guest performer"})
            for (const Json& r : *relations) {
                const Json* artist = child(r, "artist");
                if (!artist || text(r, "type") != wanted) continue;
                addPerformer(show, cleanField(text(*artist, "name"), 255), text(*artist, "id"));
            }
        for (const Json& r : *relations) {
            const Json* place = child(r, "place");
            if (!place || !show.venue.empty()) continue;
            show.venue = text(*place, "name");
            if (const Json* area = child(*place, "area")) show.city = text(*area, "name");
            if (const Json* at = child(*place, "coordinates")) {
                const std::optional<double> lat = number(child(*at, "latitude"));
                const std::optional<double> lon = number(child(*at, "longitude"));
                if (lat && lon && *lat >= -90 && *lat <= 90 && *lon >= -180 && *lon <= 180) {
                    show.lat = lat;
                    show.lon = lon;
                }
            }
        }
    }
    if (show.performers.empty()) return reading->skip(entry, "no performer among the relations");
    const Json* cancelled = child(e, "cancelled");
    if (cancelled && cancelled->is_boolean() && cancelled->get<bool>()) show.status = ShowStatus::Cancelled;
    show.eventUrl = "https://musicbrainz.org/event/" + show.sourceId;
    show.sourceUrl = context.sourceUrl;
    reading->events.push_back(std::move(show));
}

} // namespace

SourceReading readMusicBrainzShows(std::string_view json, const ReadContext& context) {
    SourceReading reading;
    if (jsonNestedDeeperThan(json, kMaxDepth)) {
        reading.skip("the answer", "JSON nested more than " + std::to_string(kMaxDepth) + " deep");
        reading.whole = false;
        return reading;
    }
    const Json root = Json::parse(json, nullptr, false);
    if (root.is_discarded() || !root.is_object()) {
        reading.skip("the answer", "not a JSON object (or not UTF-8)");
        reading.whole = false;
        return reading;
    }
    if (const Json* events = child(root, "events"); events && events->is_array()) {
        for (const Json& e : *events)
            readEvent(e, context, &reading);
        // A search answer comes a page at a time: a page that is not all of it cannot tell which
        // shows are gone.
        const std::optional<double> count = number(child(root, "count"));
        const std::optional<double> offset = number(child(root, "offset"));
        if ((offset && *offset > 0) || (count && *count > (offset ? *offset : 0) + double(events->size()))) {
            reading.skip("the answer", "one page of a longer search answer");
            reading.whole = false;
        }
    } else {
        readEvent(root, context, &reading);
    }
    return reading;
}

} // namespace vxs
