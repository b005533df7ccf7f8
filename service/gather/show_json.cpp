#include "service/gather/show_json.h"

#include <nlohmann/json.hpp>

namespace vxs {
namespace {

using Json = nlohmann::json;

std::string str(const Json& j, const char* key) {
    const auto f = j.find(key);
    return f != j.end() && f->is_string() ? f->get<std::string>() : std::string();
}

std::optional<CivilDate> date(const Json& j, const char* key) {
    return parseIsoDate(str(j, key));
}

} // namespace

std::string showJson(const PlacedShow& show) {
    const GatheredEvent& e = show.event;
    Json j = {{"performers", e.performers},
              {"venue", e.venue},
              {"city", e.city},
              {"region", e.region},
              {"country", e.country},
              {"date", isoDate(e.date)},
              {"time", e.time},
              {"zone", e.zone},
              {"doors", e.doors},
              {"ticket", e.ticketUrl},
              {"url", e.eventUrl},
              {"status", static_cast<int>(e.status)},
              {"source", e.sourceUrl},
              {"id", e.sourceId},
              {"lat", show.lat},
              {"lon", show.lon},
              {"venue_city", show.venueCity},
              {"venue_region", show.venueRegion}};
    if (e.previousDate) j["previous"] = isoDate(*e.previousDate);
    return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<PlacedShow> showFromJson(const std::string& text) {
    const Json j = Json::parse(text, nullptr, false);
    if (j.is_discarded() || !j.is_object()) return std::nullopt;
    PlacedShow show;
    GatheredEvent& e = show.event;
    if (const auto p = j.find("performers"); p != j.end() && p->is_array())
        for (const Json& name : *p)
            if (name.is_string()) e.performers.push_back(name.get<std::string>());
    const std::optional<CivilDate> day = date(j, "date");
    if (e.performers.empty() || !day) return std::nullopt;
    e.date = *day;
    e.venue = str(j, "venue");
    e.city = str(j, "city");
    e.region = str(j, "region");
    e.country = str(j, "country");
    e.time = str(j, "time");
    e.zone = str(j, "zone");
    e.doors = str(j, "doors");
    e.ticketUrl = str(j, "ticket");
    e.eventUrl = str(j, "url");
    e.sourceUrl = str(j, "source");
    e.sourceId = str(j, "id");
    e.previousDate = date(j, "previous");
    if (const auto s = j.find("status"); s != j.end() && s->is_number_integer()) {
        const int v = s->get<int>();
        if (v >= 0 && v <= static_cast<int>(ShowStatus::Rescheduled)) e.status = static_cast<ShowStatus>(v);
    }
    if (const auto lat = j.find("lat"); lat != j.end() && lat->is_number()) show.lat = lat->get<double>();
    if (const auto lon = j.find("lon"); lon != j.end() && lon->is_number()) show.lon = lon->get<double>();
    show.venueCity = str(j, "venue_city");
    show.venueRegion = str(j, "venue_region");
    return show;
}

} // namespace vxs
