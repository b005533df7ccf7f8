#include "service/gather/ics_reader.h"

#include "service/gather/bill_split.h"
#include "service/gather/clean_text.h"

#include <libical/ical.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>

namespace vxs {
namespace {

constexpr int kMaxNesting = 8;            // VCALENDAR > VEVENT > VALARM is three
constexpr int kMaxRecurrenceSteps = 2000; // a daily show over a year, with room

struct ComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
struct IteratorFree {
    void operator()(icalrecur_iterator* i) const { icalrecur_iterator_free(i); }
};

// libical's parser keeps its components on a list, but freeing them recurses: a file nested
// thousands deep is refused before it is parsed. Names are read as libical reads them: on unfolded
// lines, up to ':' or ';', in any case.
bool nestedTooDeep(std::string_view text) {
    int depth = 0;
    std::string name;
    bool inName = true;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '\n') {
            if (at + 1 < text.size() && (text[at + 1] == ' ' || text[at + 1] == '\t')) {
                ++at; // a folded line goes on
                continue;
            }
            name.clear();
            inName = true;
            continue;
        }
        if (!inName || c == '\r') continue;
        if (c == ':' || c == ';') {
            inName = false;
            if (name == "BEGIN" && ++depth > kMaxNesting) return true;
            if (name == "END") --depth;
        } else if (name.size() < 8) {
            name += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        } else {
            inName = false; // no name this long is counted
        }
    }
    return false;
}

std::string clock(const icaltimetype& t) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", t.hour % 24, t.minute % 60);
    return text;
}

// libical reads a value as the type its property should have, whatever the file said: each value
// is checked before it is read.
bool valueIs(icalproperty* p, std::initializer_list<icalvalue_kind> kinds) {
    icalvalue* v = p ? icalproperty_get_value(p) : nullptr;
    if (!v) return false;
    for (icalvalue_kind k : kinds)
        if (icalvalue_isa(v) == k) return true;
    return false;
}

icaltimezone* builtinZone(const std::string& name) {
    if (name.empty() || name.size() > 64) return nullptr;
    return icaltimezone_get_builtin_timezone(name.c_str());
}

// An IANA zone for a TZID: the name itself, or the zone a prefixed TZID ends with
// ("/mozilla.org/20050126_1/America/New_York").
std::string ianaZone(const std::string& tzid) {
    if (builtinZone(tzid)) return tzid;
    for (std::size_t slash = tzid.find('/'); slash != std::string::npos; slash = tzid.find('/', slash + 1))
        if (builtinZone(tzid.substr(slash + 1))) return tzid.substr(slash + 1);
    return {};
}

struct Start {
    icaltimetype local; // as the venue's clock reads it
    std::string zone;
    std::optional<long long> instant;
};

// The start as the venue's clock shows it, or a reason it has none.
std::optional<Start> readStart(icalcomponent* calendar, icalproperty* dtstart, const ReadContext& context,
                               std::string* reason) {
    if (!valueIs(dtstart, {ICAL_DATETIME_VALUE, ICAL_DATE_VALUE})) {
        *reason = "DTSTART is no date";
        return std::nullopt;
    }
    icaltimetype t = icalproperty_get_dtstart(dtstart);
    // libical takes no year past 3000, and reads "20270015" or "20270387" as written.
    const bool realDay = t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= daysInMonth(t.year, t.month);
    const bool realClock = t.is_date || (t.hour < 24 && t.minute < 60 && t.second < 61);
    if (icaltime_is_null_time(t) || !icaltime_is_valid_time(t) || !realDay || !realClock) {
        *reason = t.year > 3000 ? "dated more than a year ahead" : "DTSTART is no date";
        return std::nullopt;
    }
    Start start{t, context.venueZone, std::nullopt};
    if (t.is_date) return start;
    if (icalparameter* p = icalproperty_get_first_parameter(dtstart, ICAL_TZID_PARAMETER)) {
        const char* tzidText = icalparameter_get_tzid(p);
        const std::string tzid = tzidText ? tzidText : "";
        if (std::string iana = ianaZone(tzid); !iana.empty()) {
            start.zone = iana;
            start.instant = icaltime_as_timet_with_zone(t, builtinZone(iana));
        } else if (!calendar || !icalcomponent_get_timezone(calendar, tzid.c_str())) {
            *reason = "unknown time zone \"" + cleanField(tzid, 64) + "\"";
            return std::nullopt;
        } // a zone of the file's own under another name: the clock time as written, the venue's zone
        return start;
    }
    if (icaltime_is_utc(t)) {
        start.instant = icaltime_as_timet(t);
        if (icaltimezone* venue = builtinZone(context.venueZone)) {
            start.local = icaltime_convert_to_zone(t, venue);
        } else {
            start.zone = "UTC";
        }
    }
    return start;
}

// The property's value with its escapes undone ("\," is a comma, "\n" a line feed); a value of
// another type than the property's own gives nothing.
std::string propertyText(icalcomponent* event, icalproperty_kind kind) {
    icalproperty* p = icalcomponent_get_first_property(event, kind);
    icalvalue* v = p ? icalproperty_get_value(p) : nullptr;
    if (!v) return {};
    const icalvalue_kind type = icalvalue_isa(v);
    const char* text = type == ICAL_URI_VALUE    ? icalvalue_get_uri(v)
                       : type == ICAL_TEXT_VALUE ? icalvalue_get_text(v)
                                                 : nullptr;
    return text ? text : "";
}

// "The Sinclair, 52 Church St, Cambridge, MA 02138": the venue is the first part; the city and
// region are the last pair whose second part starts with a short code.
void readLocation(const std::string& location, GatheredEvent* show) {
    std::vector<std::string> parts;
    for (std::size_t at = 0; at <= location.size();) {
        std::size_t comma = location.find(',', at);
        if (comma == std::string::npos) comma = location.size();
        if (std::string part = cleanField(location.substr(at, comma - at), 255); !part.empty())
            parts.push_back(part);
        at = comma + 1;
    }
    if (parts.empty()) return;
    show->venue = parts.front();
    for (std::size_t i = parts.size() - 1; i >= 2; --i) {
        const std::string code = parts[i].substr(0, parts[i].find(' '));
        if (code.size() >= 2 && code.size() <= 3) {
            show->city = parts[i - 1];
            show->region = code;
            return;
        }
    }
}

// A venue's own calendar is named after the venue: the venue of events with no LOCATION.
std::string calendarName(icalcomponent* calendar) {
    for (icalproperty* p = calendar ? icalcomponent_get_first_property(calendar, ICAL_X_PROPERTY) : nullptr;
         p; p = icalcomponent_get_next_property(calendar, ICAL_X_PROPERTY)) {
        const char* name = icalproperty_get_x_name(p);
        if (!name || std::string_view(name) != "X-WR-CALNAME" || !valueIs(p, {ICAL_X_VALUE})) continue;
        const char* value = icalvalue_get_x(icalproperty_get_value(p));
        return value ? cleanField(value, 255) : std::string();
    }
    return {};
}

// How far one reading may go: a few hostile RRULEs cost libical seconds each.
struct Pace {
    std::chrono::steady_clock::time_point deadline;
    std::size_t rulesExpanded = 0;

    // Why the reading must end now, or nothing.
    std::string over(const ReadContext& context) const {
        if (context.stop && context.stop->load()) return "the service is stopping";
        if (std::chrono::steady_clock::now() > deadline)
            return "reading took longer than " + std::to_string(context.budget.count()) + " ms";
        return {};
    }
};

struct Occurrence {
    GatheredEvent show;
    bool overrides = false;
    bool movedAway = false; // overridden by a day outside the listing: the original day is no show
};

void readEvent(icalcomponent* calendar, icalcomponent* event, const ReadContext& context,
               std::map<std::string, Occurrence>* shows, SourceReading* reading, Pace* pace) {
    const std::string uidText = propertyText(event, ICAL_UID_PROPERTY);
    const std::string rawSummary = propertyText(event, ICAL_SUMMARY_PROPERTY);
    const std::string summary = cleanField(rawSummary, 1024);
    const std::string uid = !uidText.empty() ? cleanField(uidText, 255) : summary;
    const std::string entry = uid.empty() ? "an event without UID or SUMMARY" : uid;
    if (!validUtf8(rawSummary)) {
        reading->skip(entry, "the SUMMARY is not UTF-8");
        return;
    }
    GatheredEvent show;
    std::string mark;
    show.performers = splitBill(summary, &mark);
    if (show.performers.empty()) return reading->skip(entry, "no performer in the SUMMARY");
    icalproperty* dtstart = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
    if (!dtstart) return reading->skip(entry, "no DTSTART");
    std::string why;
    std::optional<Start> start = readStart(calendar, dtstart, context, &why);
    if (!start) return reading->skip(entry, why);
    readLocation(propertyText(event, ICAL_LOCATION_PROPERTY), &show);
    if (show.venue.empty()) show.venue = calendarName(calendar);
    show.zone = start->zone;
    show.instant = start->instant;
    show.eventUrl = cleanField(propertyText(event, ICAL_URL_PROPERTY), 1024);
    icalproperty* status = icalcomponent_get_first_property(event, ICAL_STATUS_PROPERTY);
    const bool cancelled =
        valueIs(status, {ICAL_STATUS_VALUE}) && icalproperty_get_status(status) == ICAL_STATUS_CANCELLED;
    show.status = cancelled || mark == "cancelled" ? ShowStatus::Cancelled
                  : mark == "postponed"            ? ShowStatus::Postponed
                                                   : ShowStatus::Scheduled;
    show.sourceUrl = context.sourceUrl;

    auto take = [&](const icaltimetype& local, bool overrides) {
        GatheredEvent one = show;
        one.date = CivilDate{local.year, local.month, local.day};
        one.time = local.is_date ? "" : clock(local);
        one.sourceId = uid + "@" + isoDate(one.date);
        std::string reason;
        if (!withinListedDays(one.date, context.today, &reason)) {
            if (!overrides) reading->skip(entry + " on " + isoDate(one.date), reason);
            return;
        }
        if (shows->size() >= context.maxEvents && !shows->count(one.sourceId)) {
            reading->whole = false;
            reading->skip(entry, "more than " + std::to_string(context.maxEvents) + " events in one source");
            return;
        }
        Occurrence& slot = (*shows)[one.sourceId];
        if (!slot.overrides || overrides) slot = Occurrence{std::move(one), overrides, false};
    };

    icalproperty* rid = icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY);
    if (rid && valueIs(rid, {ICAL_DATETIME_VALUE, ICAL_DATE_VALUE})) {
        // One changed day of a recurring show: it stands in for that day's occurrence.
        icaltimetype day = icalproperty_get_recurrenceid(rid);
        GatheredEvent moved = show;
        moved.date = CivilDate{start->local.year, start->local.month, start->local.day};
        moved.time = start->local.is_date ? "" : clock(start->local);
        moved.sourceId = uid + "@" + isoDate(CivilDate{day.year, day.month, day.day});
        std::string reason;
        const bool listed = withinListedDays(moved.date, context.today, &reason);
        (*shows)[moved.sourceId] =
            listed ? Occurrence{std::move(moved), true, false} : Occurrence{{}, true, true};
        return;
    }
    icalproperty* rrule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
    if (!rrule) return take(start->local, false);
    if (!valueIs(rrule, {ICAL_RECUR_VALUE})) return reading->skip(entry, "the RRULE is unreadable");

    icalrecurrencetype rule = icalproperty_get_rrule(rrule);
    if (rule.freq == ICAL_NO_RECURRENCE || rule.freq == ICAL_SECONDLY_RECURRENCE ||
        rule.freq == ICAL_MINUTELY_RECURRENCE || rule.freq == ICAL_HOURLY_RECURRENCE)
        return reading->skip(entry, "the RRULE repeats more often than daily, or is unreadable");
    if (shows->size() >= context.maxEvents) {
        reading->whole = false;
        return reading->skip(entry,
                             "more than " + std::to_string(context.maxEvents) + " events in one source");
    }
    if (++pace->rulesExpanded > context.maxRules) {
        reading->whole = false;
        return reading->skip(entry, "more than " + std::to_string(context.maxRules) + " recurring events");
    }
    std::unique_ptr<icalrecur_iterator, IteratorFree> days(icalrecur_iterator_new(rule, start->local));
    if (!days) return reading->skip(entry, "the RRULE is unreadable");
    const long first = daysFromCivil(context.today), last = first + 365;
    if (rule.count == 0 &&
        daysFromCivil(CivilDate{start->local.year, start->local.month, start->local.day}) < first) {
        // Steps from a DTSTART years back would all be spent before today.
        icaltimetype from = start->local;
        from.year = context.today.year;
        from.month = context.today.month;
        from.day = context.today.day;
        icalrecur_iterator_set_start(days.get(), from);
    }
    for (int step = 0; step < kMaxRecurrenceSteps; ++step) {
        if (std::string why = pace->over(context); !why.empty()) {
            reading->whole = false;
            return reading->skip(entry, why);
        }
        if (shows->size() >= context.maxEvents) {
            reading->whole = false;
            return reading->skip(entry,
                                 "more than " + std::to_string(context.maxEvents) + " events in one source");
        }
        const icaltimetype next = icalrecur_iterator_next(days.get());
        if (icaltime_is_null_time(next)) break;
        const long day = daysFromCivil(CivilDate{next.year, next.month, next.day});
        if (day >= last) break;
        if (day >= first) take(next, false);
    }
}

} // namespace

SourceReading readIcsShows(std::string_view text, const ReadContext& context) {
    SourceReading reading;
    if (nestedTooDeep(text)) {
        reading.skip("the calendar", "components nested more than " + std::to_string(kMaxNesting) + " deep");
        reading.whole = false;
        return reading;
    }
    const std::string copy(text.substr(0, text.find('\0')));
    std::unique_ptr<icalcomponent, ComponentFree> root(icalparser_parse_string(copy.c_str()));
    if (!root) {
        reading.skip("the calendar", "not iCalendar");
        reading.whole = false;
        return reading;
    }
    std::map<std::string, Occurrence> shows;
    Pace pace{std::chrono::steady_clock::now() + context.budget};
    bool ended = false;
    auto readCalendar = [&](icalcomponent* calendar) {
        for (icalcomponent* e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT);
             e && !ended; e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
            if (std::string why = pace.over(context); !why.empty()) {
                reading.skip("the calendar", why);
                reading.whole = false;
                ended = true;
                return;
            }
            readEvent(calendar, e, context, &shows, &reading, &pace);
        }
    };
    const icalcomponent_kind kind = icalcomponent_isa(root.get());
    if (kind == ICAL_VCALENDAR_COMPONENT) {
        readCalendar(root.get());
    } else if (kind == ICAL_XROOT_COMPONENT) {
        for (icalcomponent* c = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            readCalendar(c);
    } else if (kind == ICAL_VEVENT_COMPONENT) {
        readEvent(nullptr, root.get(), context, &shows, &reading, &pace);
    } else {
        reading.skip("the calendar", "no VCALENDAR");
        reading.whole = false;
    }
    for (auto& [id, occurrence] : shows)
        if (!occurrence.movedAway) reading.events.push_back(std::move(occurrence.show));
    return reading;
}

} // namespace vxs
