#include "common/ical_event.h"

#include "common/utf8_append.h"

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

// The bytes that end a run copied as it is: for a TEXT value, and for text written unescaped.
constexpr auto stopsOf(bool escape) {
    std::array<bool, 256> stops{};
    for (std::size_t c = 0; c < 256; ++c)
        stops[c] = kByteKinds[c] != Plain && (escape || kByteKinds[c] != Escaped);
    return stops;
}
constexpr std::array<bool, 256> kEscapedStops = stopsOf(true), kUnescapedStops = stopsOf(false);

// Appends the text as valid UTF-8 with line breaks as "\n" alone and no other control character:
// a reader that meets a bare CR or a stray byte may end the property there or refuse the file.
// Text that cannot start a line: with singleLine, a line break becomes a blank as well. With
// escape, as a TEXT value: backslash, comma and semicolon escaped, a line break written "\\n".
// A piece after one that ended in CR skips its first LF, as one text would take the pair as one
// line break; returns whether this one so ended.
bool appendClean(std::string& out, std::string_view in, bool singleLine, bool escape, bool afterCr = false) {
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    if (n == 0) return afterCr;
    const std::array<bool, 256>& stops = escape ? kEscapedStops : kUnescapedStops;
    for (std::size_t i = afterCr && p[0] == '\n' ? 1 : 0; i < n;) {
        std::size_t run = i;
        while (run < n && !stops[p[run]])
            ++run;
        out.append(in.data() + i, run - i);
        if ((i = run) == n) break;
        const unsigned char c = p[i];
        switch (kByteKinds[c]) {
        case Escaped:
            out += '\\';
            out += static_cast<char>(c);
            ++i;
            continue;
        case LineBreak:
            out += singleLine ? " " : escape ? "\\n" : "\n";
            if (c == '\r' && i + 1 == n) return true;
            if (c == '\r' && p[i + 1] == '\n') ++i;
            ++i;
            continue;
        case Control:
            out += ' ';
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
            out.append(in.data() + i, static_cast<std::size_t>(len));
            i += static_cast<std::size_t>(len);
        } else {
            vx::appendUtf8(out, 0xFFFD);
            ++i;
        }
    }
    return false;
}

std::string cleanText(const std::string& in, bool singleLine) {
    std::string out;
    out.reserve(in.size());
    appendClean(out, in, singleLine, false);
    return out;
}

// A URI value is not escaped by the format, so what could end the line or the value is
// percent-encoded.
constexpr std::array<bool, 256> kUriEncoded = [] {
    std::array<bool, 256> encoded{};
    for (std::size_t c = 0; c < 256; ++c)
        encoded[c] = c <= 0x20 || c >= 0x7F || c == '"';
    return encoded;
}();

void appendUri(std::string& out, std::string_view in) {
    static const char* hex = "0123456789ABCDEF";
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    for (std::size_t i = 0, n = in.size(); i < n; ++i) {
        std::size_t run = i;
        while (run < n && !kUriEncoded[p[run]])
            ++run;
        out.append(in.data() + i, run - i);
        if ((i = run) == n) break;
        const char escape[3] = {'%', hex[p[i] >> 4], hex[p[i] & 0xF]};
        out.append(escape, 3);
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

// Folds the content line that runs from `start` to the end of out (its CRLF included): every
// further piece goes on a line of its own that starts with a blank.
void foldFrom(std::string& out, std::size_t start) {
    // Where the next pieces start, found on the line as written, then the line spread out from its
    // end; a line of more pieces than fit in the table goes in rounds.
    std::array<std::size_t, 32> breaks;
    while (out.size() - start >= kMaxLine) {
        std::size_t count = 0;
        for (std::size_t at = start; count < breaks.size() && out.size() - at >= kMaxLine;) {
            at += firstPiece(std::string_view(out).substr(at));
            breaks[count++] = at;
        }
        std::size_t end = out.size();
        out.resize(out.size() + 3 * count);
        char* text = out.data();
        for (std::size_t k = count; k-- > 0;) {
            std::memmove(text + breaks[k] + 3 * (k + 1), text + breaks[k], end - breaks[k]);
            std::memcpy(text + breaks[k] + 3 * k, "\r\n ", 3);
            end = breaks[k];
        }
        start = breaks[count - 1] + 3 * count;
    }
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

// The date's numbers are positive: validDate has passed them.
char* putDate(char* at, int32_t year, int32_t month, int32_t day) {
    at = putNumber(at, static_cast<unsigned>(year), 4);
    at = putNumber(at, static_cast<unsigned>(month), 2);
    return putNumber(at, static_cast<unsigned>(day), 2);
}

char* put(char* at, std::string_view text) {
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
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
        at = putDate(at, utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday);
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
void appendTextLine(std::string& out, std::string_view nameAndColon, const TextPieces& value,
                    bool singleLine) {
    const std::size_t start = out.size();
    out += nameAndColon;
    bool afterCr = false;
    for (std::string_view piece : value)
        afterCr = appendClean(out, piece, singleLine, true, afterCr);
    out += "\r\n";
    foldFrom(out, start);
}

void appendEvent(std::string& out, const EventPieces& e) {
    out += "BEGIN:VEVENT\r\n";
    appendTextLine(out, "UID:", e.uid, true);
    // The lines of numbers and names, each far shorter than a fold, go out in one piece.
    char lines[256];
    char* at = put(lines, "SEQUENCE:");
    at = putNumber(at, e.sequence < 0 ? 0u : static_cast<unsigned>(e.sequence), 1);
    at = put(at, "\r\n");
    at = put(at, stampLine(e.dtstamp > 0 ? e.dtstamp : static_cast<int64_t>(std::time(nullptr))));
    at = putDate(put(at, "DTSTART;VALUE=DATE:"), e.year, e.month, e.day);
    // The next day; after 9999-12-31 the year has five digits, as libical writes it.
    const bool monthEnds = e.day >= icaltime_days_in_month(e.month, e.year);
    const bool yearEnds = monthEnds && e.month == 12;
    at = putDate(put(at, "\r\nDTEND;VALUE=DATE:"), yearEnds ? e.year + 1 : e.year,
                 yearEnds    ? 1
                 : monthEnds ? e.month + 1
                             : e.month,
                 monthEnds ? 1 : e.day + 1);
    at = put(at, "\r\n");
    if (e.status == "CONFIRMED" || e.status == "CANCELLED")
        at = put(put(put(at, "STATUS:"), e.status), "\r\n");
    out.append(lines, static_cast<std::size_t>(at - lines));
    appendTextLine(out, "SUMMARY:", e.summary, false);
    appendTextLine(out, "LOCATION:", e.location, false);
    if (!e.url.empty()) {
        const std::size_t start = out.size();
        out += "URL:";
        for (std::string_view piece : e.url)
            appendUri(out, piece);
        out += "\r\n";
        foldFrom(out, start);
    }
    if (!e.description.empty()) appendTextLine(out, "DESCRIPTION:", e.description, false);
    out += "END:VEVENT\r\n";
}

EventPieces piecesOf(const EventFields& e) {
    return {e.uid,     e.sequence, e.status,   e.year, e.month,      e.day,
            e.dtstamp, e.summary,  e.location, e.url,  e.description};
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

std::string eventText(const EventFields& event) {
    std::string out;
    appendEventText(out, event);
    return out;
}

bool appendEventText(std::string& out, const EventFields& event) {
    return appendEventText(out, piecesOf(event));
}

bool appendEventText(std::string& out, const EventPieces& event) {
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
    appendEvent(out, piecesOf(event));
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
