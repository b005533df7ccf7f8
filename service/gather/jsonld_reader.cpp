#include "service/gather/jsonld_reader.h"

#include "service/gather/bill_split.h"
#include "service/gather/clean_text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace vxs {
namespace {

using Json = nlohmann::json;

constexpr std::size_t kMaxBlocks = 200;
constexpr int kMaxDepth = 64;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string text(const Json& value) {
    if (value.is_string()) return cleanField(decodeEntities(value.get<std::string>()), 1024);
    if (value.is_number()) return value.dump();
    if (value.is_object() && value.contains("name")) return text(value["name"]);
    if (value.is_array() && !value.empty()) return text(value.front());
    return {};
}

std::string member(const Json& object, const char* name) {
    if (!object.is_object()) return {};
    const auto found = object.find(name);
    return found == object.end() ? std::string() : text(*found);
}

const Json* child(const Json& object, const char* name) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(name);
    if (found == object.end()) return nullptr;
    if (found->is_array()) return found->empty() ? nullptr : &found->front();
    return &*found;
}

std::optional<double> number(const Json* value) {
    if (!value) return std::nullopt;
    if (value->is_number()) return value->get<double>();
    if (value->is_string()) {
        const std::string t = value->get<std::string>();
        char* end = nullptr;
        const double v = std::strtod(t.c_str(), &end);
        if (!t.empty() && *end == '\0') return v;
    }
    return std::nullopt;
}

bool hasType(const Json& object, std::initializer_list<std::string_view> types) {
    const Json* type = object.is_object() && object.contains("@type") ? &object["@type"] : nullptr;
    if (!type) return false;
    auto matches = [&](const Json& t) {
        if (!t.is_string()) return false;
        std::string name = t.get<std::string>();
        if (const std::size_t slash = name.rfind('/'); slash != std::string::npos)
            name = name.substr(slash + 1);
        return std::find(types.begin(), types.end(), name) != types.end();
    };
    if (type->is_array()) return std::any_of(type->begin(), type->end(), matches);
    return matches(*type);
}

// "2026-03-07", "2026-03-07T20:00", "2026-03-07T20:00:00-05:00": the day and clock as written;
// an offset is read apart and moves the start into the venue's zone when it is another.
bool readDateTime(const std::string& value, CivilDate* date, std::string* clock) {
    int y = 0, m = 0, d = 0, hh = 0, mm = 0;
    char sep = 0;
    const int n = std::sscanf(value.c_str(), "%4d-%2d-%2d%c%2d:%2d", &y, &m, &d, &sep, &hh, &mm);
    if (n < 3 || m < 1 || m > 12 || d < 1 || y < 1 || y > 9999 || d > daysInMonth(y, m)) return false;
    *date = CivilDate{y, m, d};
    clock->clear();
    if (n == 6 && (sep == 'T' || sep == ' ') && hh >= 0 && hh < 24 && mm >= 0 && mm < 60) {
        char t[8];
        std::snprintf(t, sizeof t, "%02d:%02d", hh, mm);
        *clock = t;
    }
    return true;
}

// The instant of a start that names its offset ("...T20:00Z", "...T20:00:00.000-05:00"), or nothing.
std::optional<long long> readInstant(const std::string& value, const CivilDate& date,
                                     const std::string& clock) {
    if (clock.empty() || value.size() < 16) return std::nullopt;
    std::size_t at = 16; // past "YYYY-MM-DDTHH:MM"
    if (at < value.size() && value[at] == ':') at += 3;
    if (at < value.size() && value[at] == '.')
        while (++at < value.size() && value[at] >= '0' && value[at] <= '9') {
        }
    if (at >= value.size()) return std::nullopt;
    int offset = 0; // minutes east of UTC
    if (value[at] != 'Z') {
        int hh = 0, mm = 0;
        const char sign = value[at];
        if ((sign != '+' && sign != '-') ||
            (std::sscanf(value.c_str() + at + 1, "%2d:%2d", &hh, &mm) != 2 &&
             std::sscanf(value.c_str() + at + 1, "%2d%2d", &hh, &mm) != 2) ||
            hh > 14 || mm > 59 || hh < 0 || mm < 0)
            return std::nullopt;
        offset = (sign == '-' ? -1 : 1) * (hh * 60 + mm);
    }
    const long long minutes = std::stoi(clock.substr(0, 2)) * 60 + std::stoi(clock.substr(3, 2));
    return static_cast<long long>(daysFromCivil(date)) * 86400 + (minutes - offset) * 60;
}

// A door time is a clock ("19:00") or a whole date and time.
std::string readClock(const std::string& value) {
    CivilDate ignored;
    std::string clock;
    if (readDateTime(value, &ignored, &clock)) return clock;
    int hh = 0, mm = 0;
    if (std::sscanf(value.c_str(), "%2d:%2d", &hh, &mm) == 2 && hh >= 0 && hh < 24 && mm >= 0 && mm < 60) {
        char t[8];
        std::snprintf(t, sizeof t, "%02d:%02d", hh, mm);
        return t;
    }
    return {};
}

void readPlace(const Json& location, GatheredEvent* show) {
    if (location.is_string()) {
        show->venue = text(location);
        return;
    }
    show->venue = member(location, "name");
    if (const Json* address = child(location, "address")) {
        if (address->is_string()) {
            if (show->venue.empty()) show->venue = text(*address);
        } else {
            show->city = member(*address, "addressLocality");
            show->region = member(*address, "addressRegion");
            show->country = member(*address, "addressCountry");
        }
    }
    if (const Json* geo = child(location, "geo")) {
        const std::optional<double> lat = number(child(*geo, "latitude"));
        const std::optional<double> lon = number(child(*geo, "longitude"));
        if (lat && lon && *lat >= -90 && *lat <= 90 && *lon >= -180 && *lon <= 180) {
            show->lat = lat;
            show->lon = lon;
        }
    }
}

ShowStatus readStatus(const std::string& status) {
    const std::string s = lowerAscii(status);
    if (s.ends_with("eventcancelled")) return ShowStatus::Cancelled;
    if (s.ends_with("eventpostponed")) return ShowStatus::Postponed;
    if (s.ends_with("eventrescheduled")) return ShowStatus::Rescheduled;
    return ShowStatus::Scheduled;
}

// A performer's MusicBrainz id, from a link to its MusicBrainz page among its sameAs links.
std::string musicBrainzIdOf(const Json& performer) {
    if (!performer.is_object()) return {};
    const auto links = performer.find("sameAs");
    if (links == performer.end()) return {};
    auto idOf = [](const Json& link) {
        return link.is_string() ? artistIdOfLink(link.get_ref<const std::string&>()) : std::string();
    };
    if (!links->is_array()) return idOf(*links);
    for (const Json& link : *links)
        if (std::string id = idOf(link); !id.empty()) return id;
    return {};
}

struct Walk {
    const ReadContext& context;
    SourceReading& reading;
    std::size_t block = 0;

    void event(const Json& e) {
        GatheredEvent show;
        const std::string name = member(e, "name");
        const std::string start = member(e, "startDate");
        show.sourceId = member(e, "@id");
        const bool idFromUrl = show.sourceId.empty() && !member(e, "url").empty();
        if (show.sourceId.empty()) show.sourceId = member(e, "url");
        if (show.sourceId.empty()) show.sourceId = name + "@" + start;
        const std::string entry = show.sourceId.empty() ? "block " + std::to_string(block) : show.sourceId;
        if (reading.events.size() >= context.maxEvents) {
            reading.whole = false;
            return reading.skip(entry,
                                "more than " + std::to_string(context.maxEvents) + " events in one source");
        }
        if (const auto p = e.find("performer"); p != e.end()) {
            auto add = [&](const Json& performer) {
                addPerformer(show, cleanField(text(performer), 255), musicBrainzIdOf(performer));
            };
            if (p->is_array()) {
                for (const Json& one : *p)
                    add(one);
            } else {
                add(*p);
            }
        }
        if (show.performers.empty()) show.performers = splitBill(name);
        if (show.performers.empty()) return reading.skip(entry, "no performer and no name");
        if (start.empty()) return reading.skip(entry, "no startDate");
        if (!readDateTime(start, &show.date, &show.time))
            return reading.skip(entry, "the startDate is no date");
        show.instant = readInstant(start, show.date, show.time);
        std::string why;
        if (!withinListedDays(show.date, context.today, &why)) return reading.skip(entry, why);
        if (const Json* location = child(e, "location")) readPlace(*location, &show);
        show.doors = readClock(member(e, "doorTime"));
        if (const Json* offers = child(e, "offers")) show.ticketUrl = member(*offers, "url");
        show.eventUrl = member(e, "url");
        show.status = readStatus(member(e, "eventStatus"));
        if (show.status == ShowStatus::Rescheduled) {
            CivilDate previous;
            std::string ignored;
            if (readDateTime(member(e, "previousStartDate"), &previous, &ignored))
                show.previousDate = previous;
        }
        // A tour page gives every date the same url: the day keeps them apart, the first day a
        // moved show was listed on keeps it the same show.
        if (idFromUrl) show.sourceId += "@" + isoDate(show.previousDate ? *show.previousDate : show.date);
        show.sourceUrl = context.sourceUrl;
        reading.events.push_back(std::move(show));
    }

    // Events stand alone, in lists, in "@graph", or as items of an ItemList.
    void any(const Json& value, int depth) {
        if (depth > kMaxDepth) return;
        if (value.is_array()) {
            for (const Json& v : value)
                any(v, depth + 1);
            return;
        }
        if (!value.is_object()) return;
        if (hasType(value, {"MusicEvent", "Event", "Festival", "ComedyEvent", "TheaterEvent"}))
            return event(value);
        for (const char* holder : {"@graph", "itemListElement", "item", "subEvent"})
            if (const auto h = value.find(holder); h != value.end()) any(*h, depth + 1);
    }
};

} // namespace

bool jsonNestedDeeperThan(std::string_view json, int maxDepth) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > maxDepth) return true;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return false;
}

std::vector<std::string_view> jsonLdBlocks(std::string_view page, std::size_t maxBlocks, std::size_t* more) {
    std::vector<std::string_view> blocks;
    *more = 0;
    std::size_t first = 0;
    while (first < page.size() && isSpace(page[first]))
        ++first;
    if (first < page.size() && (page[first] == '{' || page[first] == '[')) {
        blocks.push_back(page.substr(first));
        return blocks;
    }
    const std::string lower = lowerAscii(page);
    for (std::size_t at = lower.find("<script"); at != std::string::npos;
         at = lower.find("<script", at + 1)) {
        const std::size_t close = lower.find('>', at);
        if (close == std::string::npos) break;
        const std::string_view tag = std::string_view(lower).substr(at, close - at);
        if (tag.find("application/ld+json") == std::string_view::npos) continue;
        const std::size_t end = lower.find("</script", close);
        if (end == std::string::npos) break;
        if (blocks.size() < maxBlocks) {
            blocks.push_back(page.substr(close + 1, end - close - 1));
        } else {
            ++*more;
        }
        at = end;
    }
    return blocks;
}

SourceReading readJsonLdShows(std::string_view page, const ReadContext& context) {
    SourceReading reading;
    std::size_t more = 0;
    const std::vector<std::string_view> blocks = jsonLdBlocks(page, kMaxBlocks, &more);
    // A page whose blocks did not all read may list shows it could not give: none is taken as gone.
    reading.whole = more == 0 && !blocks.empty();
    if (blocks.empty()) reading.skip("the page", "no JSON-LD block");
    if (more > 0)
        reading.skip(std::to_string(more) + " script blocks",
                     "more than " + std::to_string(kMaxBlocks) + " JSON-LD blocks in one page");
    Walk walk{context, reading};
    for (std::string_view block : blocks) {
        ++walk.block;
        const std::string entry = "block " + std::to_string(walk.block);
        if (jsonNestedDeeperThan(block, kMaxDepth)) {
            reading.skip(entry, "JSON nested more than " + std::to_string(kMaxDepth) + " deep");
            reading.whole = false;
            continue;
        }
        Json json = Json::parse(block, nullptr, false);
        if (json.is_discarded()) {
            reading.skip(entry, "not JSON (or not UTF-8)");
            reading.whole = false;
            continue;
        }
        walk.any(json, 0);
    }
    return reading;
}

} // namespace vxs
