#include "common/ical_event.h"

#include "common/venue_zone.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <libical/ical.h>
#include <memory>
#include <mutex>

namespace vx::ical {
namespace {

using namespace std::string_view_literals;

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

// What a byte of a text asks of the writer.
enum ByteKind : unsigned char { Plain, Escaped, LineBreak, Control, Lead };

constexpr std::array<ByteKind, 256> kByteKinds = [] {
    std::array<ByteKind, 256> kinds{};
    for (std::size_t c = 0; c < 256; ++c)
        kinds[c] = c >= 0x80 ? Lead : (c < 0x20 || c == 0x7F) ? Control : Plain;
    kinds['\r'] = kinds['\n'] = LineBreak;
    kinds[','] = kinds[';'] = kinds['\\'] = Escaped;
    return kinds;
}();

char* put(char* at, std::string_view text) {
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

// An event's text as it is written, before it joins the output in one copy. Writes check their
// room with one comparison, where each append to a string is a call into the library, and thousands
// of events of a few dozen writes each are exported at once. Most events fit the buffer on the
// stack; a larger one moves to the heap.
class EventBuffer {
  public:
    EventBuffer() = default;
    EventBuffer(const EventBuffer&) = delete;
    EventBuffer& operator=(const EventBuffer&) = delete;

    // Room for n more bytes at end(); what is written there is kept by advance(n).
    char* room(std::size_t n) {
        if (static_cast<std::size_t>(limit_ - at_) < n) grow(n);
        return at_;
    }
    void advance(std::size_t n) { at_ += n; }
    void put(std::string_view text) {
        copy(room(text.size()), text.data(), text.size());
        at_ += text.size();
    }
    void put(char c) {
        *room(1) = c;
        ++at_;
    }
    char* data() { return begin_; }
    std::size_t size() { return static_cast<std::size_t>(at_ - data()); }
    std::string_view text() { return {data(), size()}; }

  private:
    // Most pieces written are a few bytes long: copied by two fixed-size moves that may overlap,
    // rather than by a call.
    static void copy(char* to, const char* from, std::size_t n) {
        if (n > 16 && n <= 32) {
            std::memcpy(to, from, 16);
            std::memcpy(to + n - 16, from + n - 16, 16);
        } else if (n >= 8 && n <= 16) {
            std::memcpy(to, from, 8);
            std::memcpy(to + n - 8, from + n - 8, 8);
        } else if (n >= 4 && n < 8) {
            std::memcpy(to, from, 4);
            std::memcpy(to + n - 4, from + n - 4, 4);
        } else if (n < 4) {
            for (std::size_t k = 0; k < n; ++k)
                to[k] = from[k];
        } else {
            std::memcpy(to, from, n);
        }
    }

    void grow(std::size_t n) {
        const std::size_t used = size(), capacity = 2 * (used + n);
        std::unique_ptr<char[]> bigger = std::make_unique_for_overwrite<char[]>(capacity);
        std::memcpy(bigger.get(), data(), used);
        heap_ = std::move(bigger);
        begin_ = heap_.get();
        at_ = begin_ + used;
        limit_ = begin_ + capacity;
    }

    char local_[2048];
    std::unique_ptr<char[]> heap_;
    char* begin_ = local_;
    char* at_ = local_;
    char* limit_ = local_ + sizeof local_;
};

// The bytes that end a run copied as it is: for a TEXT value, and for text written unescaped.
constexpr auto stopsOf(bool escape) {
    std::array<bool, 256> stops{};
    for (std::size_t c = 0; c < 256; ++c)
        stops[c] = kByteKinds[c] != Plain && (escape || kByteKinds[c] != Escaped);
    return stops;
}
constexpr std::array<bool, 256> kEscapedStops = stopsOf(true), kUnescapedStops = stopsOf(false);

// Sixteen bytes compared at once, each as a signed number: the bytes from 0x80 up are below zero.
using Bytes16 = signed char __attribute__((vector_size(16)));

Bytes16 load16(const unsigned char* p) {
    Bytes16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

bool anySet(Bytes16 v) {
    uint64_t halves[2];
    std::memcpy(halves, &v, sizeof halves);
    return (halves[0] | halves[1]) != 0;
}

// Where the run of bytes from i that need no care ends: the first byte of `stops`, else n. Texts
// are mostly plain, so whole blocks of sixteen are passed over at once (`special` flags a block's
// stop bytes); the last block may overlap the one before it.
template <typename Special>
std::size_t runEnd(const unsigned char* p, std::size_t i, std::size_t n, const std::array<bool, 256>& stops,
                   Special special) {
    while (i + 16 <= n && !anySet(special(load16(p + i))))
        i += 16;
    if (i + 16 > n && n >= 16 && !anySet(special(load16(p + n - 16)))) return n;
    while (i < n && !stops[p[i]])
        ++i;
    return i;
}

std::size_t textRunEnd(const unsigned char* p, std::size_t i, std::size_t n, bool escape) {
    if (escape)
        return runEnd(p, i, n, kEscapedStops, [](Bytes16 v) {
            return (v < ' ') | (v == 0x7F) | (v == ',') | (v == ';') | (v == '\\');
        });
    return runEnd(p, i, n, kUnescapedStops, [](Bytes16 v) { return (v < ' ') | (v == 0x7F); });
}

// Appends the text as valid UTF-8 with line breaks as "\n" alone and no other control character:
// a reader that meets a bare CR or a stray byte may end the property there or refuse the file.
// Text that cannot start a line: with singleLine, a line break becomes a blank as well. With
// escape, as a TEXT value: backslash, comma and semicolon escaped, a line break written "\\n".
void appendClean(EventBuffer& out, std::string_view in, bool singleLine, bool escape) {
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    const std::string_view lineBreak = singleLine ? " "sv : escape ? "\\n"sv : "\n"sv;
    for (std::size_t i = 0; i < n;) {
        const std::size_t run = textRunEnd(p, i, n, escape);
        out.put(in.substr(i, run - i));
        if ((i = run) == n) break;
        const unsigned char c = p[i];
        switch (kByteKinds[c]) {
        case Escaped:
            out.put('\\');
            out.put(static_cast<char>(c));
            ++i;
            continue;
        case LineBreak:
            out.put(lineBreak);
            if (c == '\r' && i + 1 < n && p[i + 1] == '\n') ++i;
            ++i;
            continue;
        case Control:
            out.put(' ');
            ++i;
            continue;
        default:
            break;
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
            out.put(in.substr(i, static_cast<std::size_t>(len)));
            i += static_cast<std::size_t>(len);
        } else {
            out.put("\xEF\xBF\xBD"); // U+FFFD
            ++i;
        }
    }
}

std::string cleanText(const std::string& in, bool singleLine) {
    EventBuffer out;
    appendClean(out, in, singleLine, false);
    return std::string(out.text());
}

// A URI value is not escaped by the format, so what could end the line or the value is
// percent-encoded.
constexpr std::array<bool, 256> kUriEncoded = [] {
    std::array<bool, 256> encoded{};
    for (std::size_t c = 0; c < 256; ++c)
        encoded[c] = c <= 0x20 || c >= 0x7F || c == '"';
    return encoded;
}();

void appendUri(EventBuffer& out, std::string_view in) {
    static const char* hex = "0123456789ABCDEF";
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    for (std::size_t i = 0, n = in.size(); i < n; ++i) {
        const std::size_t run =
            runEnd(p, i, n, kUriEncoded, [](Bytes16 v) { return (v <= ' ') | (v == 0x7F) | (v == '"'); });
        out.put(in.substr(i, run - i));
        if ((i = run) == n) break;
        char* escape = out.room(3);
        escape[0] = '%', escape[1] = hex[p[i] >> 4], escape[2] = hex[p[i] & 0xF];
        out.advance(3);
    }
}

constexpr std::size_t kMaxLine = 75;

// The length of a line's first piece, as libical folds a line: the line end counts as part of
// the line, a piece takes at most 74 octets and ends after the last blank, ':' or ';' that fits,
// else before a character's first octet.
std::size_t firstPiece(std::string_view line) {
    if (line.size() < kMaxLine) return line.size();
    for (std::size_t k = kMaxLine - 2; k > 0; --k)
        if (line[k] == ';' || line[k] == ':' || line[k] == ' ') return k + 1;
    for (std::size_t k = kMaxLine - 1; k > 0; --k) {
        const auto c = static_cast<unsigned char>(line[k]);
        if ((c & 0x80) == 0 || (c & 0xC0) == 0xC0) return k;
    }
    return kMaxLine - 1;
}

// Folds a long content line that runs from `start` to the end of out (its CRLF included): every
// further piece goes on a line of its own that starts with a blank.
void foldLongLine(EventBuffer& out, std::size_t start) {
    // Where the next pieces start, found on the line as written, then the line spread out from its
    // end; a line of more pieces than fit in the table goes in rounds.
    std::array<std::size_t, 32> breaks;
    while (out.size() - start >= kMaxLine) {
        std::size_t count = 0;
        for (std::size_t at = start; count < breaks.size() && out.size() - at >= kMaxLine;) {
            at += firstPiece(out.text().substr(at));
            breaks[count++] = at;
        }
        std::size_t end = out.size();
        out.room(3 * count);
        out.advance(3 * count);
        char* text = out.data();
        for (std::size_t k = count; k-- > 0;) {
            std::memmove(text + breaks[k] + 3 * (k + 1), text + breaks[k], end - breaks[k]);
            std::memcpy(text + breaks[k] + 3 * k, "\r\n ", 3);
            end = breaks[k];
        }
        start = breaks[count - 1] + 3 * count;
    }
}

// Most lines fit: only a long one is looked at again.
void foldFrom(EventBuffer& out, std::size_t start) {
    if (out.size() - start >= kMaxLine) foldLongLine(out, start);
}

// Writes n in decimal at `at`, with leading zeros to at least `digits` digits (as "%0*u" would,
// without the cost of a formatted print for each of the many numbers of an export); returns the
// end.
char* putNumber(char* at, unsigned long long n, int digits) {
    char text[24];
    std::size_t from = sizeof text;
    do {
        text[--from] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n > 0);
    while (sizeof text - from < static_cast<std::size_t>(digits))
        text[--from] = '0';
    std::memcpy(at, text + from, sizeof text - from);
    return at + (sizeof text - from);
}

// Two digits of a number below 100.
char* putTwoDigits(char* at, unsigned n) {
    at[0] = static_cast<char>('0' + n / 10);
    at[1] = static_cast<char>('0' + n % 10);
    return at + 2;
}

// The date's numbers are positive: validDate has passed them, and a day or month has two digits.
char* putDate(char* at, int32_t year, int32_t month, int32_t day) {
    if (year < 10000)
        at = putTwoDigits(putTwoDigits(at, static_cast<unsigned>(year) / 100),
                          static_cast<unsigned>(year) % 100);
    else
        at = putNumber(at, static_cast<unsigned>(year), 4);
    return putTwoDigits(putTwoDigits(at, static_cast<unsigned>(month)), static_cast<unsigned>(day));
}

// The DTSTAMP line of a time. An export stamps thousands of events within the same second, so
// each thread keeps the last line it made.
std::string_view stampLine(int64_t seconds) {
    thread_local int64_t made = -1;
    thread_local char line[64];
    thread_local std::size_t size = 0;
    if (seconds != made) {
        const time_t stamp = static_cast<time_t>(seconds);
        std::tm utc{};
        gmtime_r(&stamp, &utc);
        char* at = put(line, "DTSTAMP:");
        at = putNumber(at, static_cast<unsigned>(utc.tm_year + 1900), 4);
        at = putNumber(at, static_cast<unsigned>(utc.tm_mon + 1), 2);
        at = putNumber(at, static_cast<unsigned>(utc.tm_mday), 2);
        *at++ = 'T';
        at = putNumber(at, static_cast<unsigned>(utc.tm_hour), 2);
        at = putNumber(at, static_cast<unsigned>(utc.tm_min), 2);
        at = putNumber(at, static_cast<unsigned>(utc.tm_sec), 2);
        at = put(at, "Z\r\n");
        size = static_cast<std::size_t>(at - line);
        made = seconds;
    }
    return {line, size};
}

// A content line of a text value, folded once it is whole.
void appendTextLine(EventBuffer& out, std::string_view nameAndColon, std::string_view value,
                    bool singleLine) {
    const std::size_t start = out.size();
    out.put(nameAndColon);
    appendClean(out, value, singleLine, true);
    out.put("\r\n");
    foldFrom(out, start);
}

struct Day {
    int32_t year, month, day;
};

// The day after; after 9999-12-31 the year has five digits, as libical writes it.
Day nextDay(int32_t year, int32_t month, int32_t day) {
    const bool monthEnds = day >= icaltime_days_in_month(month, year);
    const bool yearEnds = monthEnds && month == 12;
    return {yearEnds ? year + 1 : year,
            yearEnds    ? 1
            : monthEnds ? month + 1
                        : month,
            monthEnds ? 1 : day + 1};
}

bool validTime(int hour, int minute) {
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59;
}

// "NAME;TZID=ZONE:YYYYMMDDTHHMM00", folded: a long zone name takes the line past a fold.
void appendZonedTime(EventBuffer& out, std::string_view name, std::string_view zone, Day day, int minutes) {
    const std::size_t start = out.size();
    out.put(name);
    out.put(";TZID=");
    out.put(zone);
    char* const at = out.room(24);
    char* end = putDate(put(at, ":"), day.year, day.month, day.day);
    *end++ = 'T';
    end = putTwoDigits(putTwoDigits(end, static_cast<unsigned>(minutes / 60)),
                       static_cast<unsigned>(minutes % 60));
    end = put(end, "00\r\n");
    out.advance(static_cast<std::size_t>(end - at));
    foldFrom(out, start);
}

void appendEvent(std::string& text, const EventView& e) {
    EventBuffer out;
    out.put("BEGIN:VEVENT\r\n");
    appendTextLine(out, "UID:", e.uid, true);
    // The lines of numbers and names, each far shorter than a fold, are written without folding.
    char* const lines = out.room(256);
    char* at = put(lines, "SEQUENCE:");
    at = putNumber(at, e.sequence < 0 ? 0u : static_cast<unsigned>(e.sequence), 1);
    at = put(at, "\r\n");
    at = put(at, stampLine(e.dtstamp > 0 ? e.dtstamp : static_cast<int64_t>(std::time(nullptr))));
    const bool timed = timedEvent(e);
    if (!timed) {
        at = putDate(put(at, "DTSTART;VALUE=DATE:"), e.year, e.month, e.day);
        const Day end = nextDay(e.year, e.month, e.day);
        at = putDate(put(at, "\r\nDTEND;VALUE=DATE:"), end.year, end.month, end.day);
        at = put(at, "\r\n");
    }
    if (e.status == "CONFIRMED" || e.status == "CANCELLED")
        at = put(put(put(at, "STATUS:"), e.status), "\r\n");
    out.advance(static_cast<std::size_t>(at - lines));
    if (timed) {
        const int start = e.hour * 60 + e.minute, end = start + kShowMinutes;
        appendZonedTime(out, "DTSTART", e.zone, {e.year, e.month, e.day}, start);
        appendZonedTime(out, "DTEND", e.zone,
                        end < 24 * 60 ? Day{e.year, e.month, e.day} : nextDay(e.year, e.month, e.day),
                        end % (24 * 60));
    }
    // Many readers (calcurse among them) show no STATUS: a cancelled show says so in its title.
    const bool cancelled = e.status == "CANCELLED";
    appendTextLine(out, cancelled ? "SUMMARY:Cancelled: " : "SUMMARY:", e.summary, false);
    appendTextLine(out, "LOCATION:", e.location, false);
    if (!e.url.empty()) {
        const std::size_t start = out.size();
        out.put("URL:");
        appendUri(out, e.url);
        out.put("\r\n");
        foldFrom(out, start);
    }
    if (!e.description.empty()) appendTextLine(out, "DESCRIPTION:", e.description, false);
    out.put("END:VEVENT\r\n");
    text.append(out.text());
}

EventView viewOf(const EventFields& e) {
    return {e.uid,     e.sequence, e.status, e.year,        e.month, e.day,    e.dtstamp,
            e.summary, e.location, e.url,    e.description, e.hour,  e.minute, e.zone};
}

std::string textOf(icalcomponent* c) {
    std::unique_ptr<char, decltype(&std::free)> text(icalcomponent_as_ical_string_r(c), std::free);
    return text ? std::string(text.get()) : std::string();
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

bool timedEvent(const EventView& event) {
    return validTime(event.hour, event.minute) && writableZone(event.zone);
}

bool timedEvent(const EventFields& event) {
    return timedEvent(viewOf(event));
}

std::string eventText(const EventFields& event) {
    std::string out;
    appendEventText(out, event);
    return out;
}

bool appendEventText(std::string& out, const EventFields& event) {
    return appendEventText(out, viewOf(event));
}

bool appendEventText(std::string& out, const EventView& event) {
    if (!validDate(event.year, event.month, event.day)) return false;
    appendEvent(out, event);
    return true;
}

std::string calendarHead(const CalendarFields& calendar) {
    // Every event of a store and every feed has the same head: libical makes it once.
    static std::mutex mutex;
    static CalendarFields made;
    static std::string head;
    std::lock_guard<std::mutex> lock(mutex);
    if (head.empty() || made.prodid != calendar.prodid || made.name != calendar.name ||
        made.refreshHours != calendar.refreshHours) {
        prepareLibical();
        Component cal = newCalendar(calendar);
        head = textOf(cal.get());
        head.resize(head.size() - kCalendarEnd.size());
        made = calendar;
    }
    return head;
}

std::string calendarText(const CalendarFields& calendar, const std::vector<std::string>& events) {
    std::size_t size = 0;
    for (const std::string& e : events)
        size += e.size();
    std::string out = calendarHead(calendar);
    out.reserve(out.size() + size + kCalendarEnd.size());
    for (const std::string& e : events)
        out += e;
    out += kCalendarEnd;
    return out;
}

std::string singleEventCalendar(const CalendarFields& calendar, const EventFields& event) {
    if (!validDate(event.year, event.month, event.day)) return "";
    std::string out = calendarHead(calendar);
    const EventView view = viewOf(event);
    if (timedEvent(view)) out += zoneComponentText(view.zone);
    appendEvent(out, view);
    out += kCalendarEnd;
    return out;
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
