#include "common/ical_event.h"

#include "common/utf8_append.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <libical/ical.h>
#include <memory>
#include <mutex>

namespace vx::ical {
namespace {

using Component = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

// The UTC zone makes libical load its table of built-in zones, held by libical alone. A module
// that writes events frees it when it is unloaded, so that a host closing the module leaves no
// block that nothing points to.
struct BuiltinZonesRelease {
    ~BuiltinZonesRelease() { icaltimezone_free_builtin_timezones(); }
} releaseBuiltinZones;

// libical must report bad input as an error, never abort the process that writes.
void prepareLibical() {
    static std::once_flag once;
    std::call_once(once, [] { icalerror_set_errors_are_fatal(0); });
}

// The text as valid UTF-8 with line breaks as "\n" alone and no other control character: a
// reader that meets a bare CR or a stray byte may end the property there or refuse the file.
// Text that cannot start a line: with singleLine, a line break becomes a blank as well.
std::string cleanText(const std::string& in, bool singleLine) {
    std::string out;
    out.reserve(in.size());
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            if (c == '\r' || c == '\n') {
                if (c == '\r' && i + 1 < n && p[i + 1] == '\n') ++i;
                out += singleLine ? ' ' : '\n';
            } else {
                out += (c < 0x20 || c == 0x7F) ? ' ' : static_cast<char>(c);
            }
            ++i;
            continue;
        }
        const int len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        uint32_t cp = len == 4 ? c & 0x07 : len == 3 ? c & 0x0F : c & 0x1F;
        bool ok = len > 0 && i + len <= n;
        for (int k = 1; ok && k < len; ++k) {
            ok = (p[i + k] & 0xC0) == 0x80;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        ok = ok && !(len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) &&
             !(len == 4 && (cp < 0x10000 || cp > 0x10FFFF));
        if (ok) {
            out.append(in, i, static_cast<std::size_t>(len));
            i += static_cast<std::size_t>(len);
        } else {
            appendUtf8(out, 0xFFFD);
            ++i;
        }
    }
    return out;
}

// A URI value is not escaped by the format, so what could end the line or the value is
// percent-encoded.
std::string cleanUri(const std::string& in) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : in) {
        if (c <= 0x20 || c >= 0x7F || c == '"') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

icaltimetype dateOf(int32_t year, int32_t month, int32_t day) {
    icaltimetype t = icaltime_null_date();
    t.year = year;
    t.month = month;
    t.day = day;
    return t;
}

std::string textOf(icalcomponent* c) {
    std::unique_ptr<char, decltype(&std::free)> text(icalcomponent_as_ical_string_r(c), std::free);
    return text ? std::string(text.get()) : std::string();
}

icalcomponent* newEvent(const EventFields& e) {
    icalcomponent* ev = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    icalcomponent_add_property(ev, icalproperty_new_uid(cleanText(e.uid, true).c_str()));
    icalcomponent_add_property(ev, icalproperty_new_sequence(e.sequence < 0 ? 0 : e.sequence));
    const time_t stamp = e.dtstamp > 0 ? static_cast<time_t>(e.dtstamp) : std::time(nullptr);
    icalcomponent_add_property(ev, icalproperty_new_dtstamp(icaltime_from_timet_with_zone(
                                       stamp, 0, icaltimezone_get_utc_timezone())));
    icaltimetype start = dateOf(e.year, e.month, e.day);
    icaltimetype end = start;
    icaltime_adjust(&end, 1, 0, 0, 0);
    icalcomponent_add_property(ev, icalproperty_new_dtstart(start));
    icalcomponent_add_property(ev, icalproperty_new_dtend(end));
    if (e.status == "CONFIRMED")
        icalcomponent_add_property(ev, icalproperty_new_status(ICAL_STATUS_CONFIRMED));
    if (e.status == "CANCELLED")
        icalcomponent_add_property(ev, icalproperty_new_status(ICAL_STATUS_CANCELLED));
    icalcomponent_add_property(ev, icalproperty_new_summary(cleanText(e.summary, false).c_str()));
    icalcomponent_add_property(ev, icalproperty_new_location(cleanText(e.location, false).c_str()));
    if (!e.url.empty()) icalcomponent_add_property(ev, icalproperty_new_url(cleanUri(e.url).c_str()));
    if (!e.description.empty())
        icalcomponent_add_property(ev, icalproperty_new_description(cleanText(e.description, false).c_str()));
    return ev;
}

Component newCalendar(const CalendarFields& c) {
    Component cal(icalcomponent_vanew(ICAL_VCALENDAR_COMPONENT, icalproperty_new_version("2.0"),
                                      icalproperty_new_prodid(cleanText(c.prodid, true).c_str()), nullptr),
                  icalcomponent_free);
    if (!c.name.empty()) {
        const std::string name = cleanText(c.name, true);
        // NAME is newer than libical's property table, so it goes as an extension property.
        icalproperty* p = icalproperty_new_x(name.c_str());
        icalproperty_set_x_name(p, "NAME");
        icalcomponent_add_property(cal.get(), p);
        p = icalproperty_new_x(name.c_str());
        icalproperty_set_x_name(p, "X-WR-CALNAME");
        icalcomponent_add_property(cal.get(), p);
    }
    if (c.refreshHours > 0) {
        const std::string duration = "PT" + std::to_string(c.refreshHours) + "H";
        icalproperty* p = icalproperty_new_x(duration.c_str());
        icalproperty_set_x_name(p, "REFRESH-INTERVAL");
        icalproperty_set_parameter_from_string(p, "VALUE", "DURATION");
        icalcomponent_add_property(cal.get(), p);
        p = icalproperty_new_x(duration.c_str());
        icalproperty_set_x_name(p, "X-PUBLISHED-TTL");
        icalcomponent_add_property(cal.get(), p);
    }
    return cal;
}

} // namespace

bool validDate(int32_t year, int32_t month, int32_t day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= icaltime_days_in_month(month, year);
}

std::string eventText(const EventFields& event) {
    if (!validDate(event.year, event.month, event.day)) return "";
    prepareLibical();
    Component ev(newEvent(event), icalcomponent_free);
    return textOf(ev.get());
}

std::string calendarText(const CalendarFields& calendar, const std::vector<std::string>& events) {
    prepareLibical();
    Component cal = newCalendar(calendar);
    // The calendar's own lines from libical, the events spliced in before its last line.
    std::string text = textOf(cal.get());
    const std::string end = "END:VCALENDAR\r\n";
    std::size_t size = 0;
    for (const std::string& e : events)
        size += e.size();
    std::string out;
    out.reserve(text.size() + size);
    out.append(text, 0, text.size() - end.size());
    for (const std::string& e : events)
        out += e;
    out += end;
    return out;
}

std::string singleEventCalendar(const CalendarFields& calendar, const EventFields& event) {
    std::string ev = eventText(event);
    if (ev.empty()) return "";
    return calendarText(calendar, {ev});
}

std::string showLocation(const std::string& venue, const std::string& location) {
    return venue + " - (" + location + ")";
}

std::string showNotes(const std::string& title, const std::string& otherActs, const std::string& friends,
                      bool tickets) {
    std::string notes;
    if (!otherActs.empty())
        notes = title + "\n-- playing with --\n    " + otherActs + "\n---------------\n\n";
    if (!friends.empty()) notes += "Friends\n" + friends + "\n\n";
    if (tickets) notes += "Tickets Available!";
    return notes;
}

} // namespace vx::ical
