#include "plugin/prefsfile/preference_shows.h"

#include "common/fixed_text.h"
#include "plugin/model/show_list.h"
#include "plugin/model/show_time.h"
#include "plugin/prefsfile/preference_fields.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace vx {

namespace {

constexpr std::size_t kFixedFields = 11;

void addField(std::string& line, std::string_view text) {
    appendFieldValue(line, text);
    line += "@@";
}

void addNumber(std::string& line, int32_t n) {
    char digits[16];
    line.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
    line += "@@";
}

template <std::size_t N> void copyField(char (&dst)[N], std::string_view field) {
    copyText(dst, fieldText(field.substr(0, N - 1)).c_str());
}

// A show holds at most this many labels; a longer run is damage and would only cost time.
constexpr std::size_t kMostLabels = 256;

// A concert's UID goes after the fixed fields, before its labels. Files of older versions have
// none there: a field of the UID's form (8-4-4-4-12 hex digits) is told from a label by its form.
bool isUidField(std::string_view field) {
    if (field.size() != 36) return false;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? field[i] != '-' : !std::isxdigit(static_cast<unsigned char>(field[i]))) return false;
    }
    return true;
}

// What a concert keeps of its changes, after its UID: "changed:SEQUENCE:c:YYYY-MM-DD:VENUE" ("c"
// when cancelled, else "-"; the date and venue where it was before it moved, "0-0-0" when never).
constexpr std::string_view kChangePrefix = "changed:";
constexpr std::string_view kPlacePrefix = "place@@";
constexpr std::string_view kTimePrefix = "time:";

// The text after a line's last "@@": "time:HH:MM:ZONE" (ZONE empty when not known).
void readTimeField(std::string_view field, SHOWENTRY& show) {
    if (!field.starts_with(kTimePrefix)) return;
    field.remove_prefix(kTimePrefix.size());
    const std::size_t colon = field.find(':', field.find(':') + 1);
    setShowTime(show, field.substr(0, colon),
                colon == std::string_view::npos ? std::string_view() : field.substr(colon + 1));
}

bool readChangeField(std::string_view field, SHOWENTRY& show) {
    if (!field.starts_with(kChangePrefix)) return false;
    field.remove_prefix(kChangePrefix.size());
    const std::size_t a = field.find(':');
    if (a == std::string_view::npos || a + 3 > field.size() || field[a + 2] != ':') return false;
    const std::size_t b = field.find(':', a + 3);
    if (b == std::string_view::npos) return false;
    int32_t sequence = 0, y = 0, m = 0, d = 0;
    const std::string_view date = field.substr(a + 3, b - a - 3);
    const std::size_t d1 = date.find('-'), d2 = date.rfind('-');
    if (!readDecimal(field.substr(0, a), sequence) || sequence < 0 || d1 == d2 ||
        !readDecimal(date.substr(0, d1), y) || !readDecimal(date.substr(d1 + 1, d2 - d1 - 1), m) ||
        !readDecimal(date.substr(d2 + 1), d))
        return false;
    show.sequence = sequence;
    show.cancelled = field[a + 1] == 'c';
    if (isCalendarDate(y, m, d)) show.movedYear = y, show.movedMonth = m, show.movedDay = d;
    copyText(show.movedVenue, fieldText(field.substr(b + 1).substr(0, sizeof show.movedVenue - 1)).c_str());
    return true;
}

} // namespace

template <std::size_t N> SavedShows::Span SavedShows::keep(const char (&field)[N]) {
    const Span span{static_cast<uint32_t>(texts_.size()), static_cast<uint32_t>(strnlen(field, N))};
    texts_.append(field, span.size);
    return span;
}

void SavedShows::prepare(Size expected) {
    // Resizing writes every byte; clearing keeps the capacity.
    records_.resize(expected.shows);
    records_.clear();
    labels_.resize(expected.labels);
    labels_.clear();
    texts_.resize(expected.textBytes);
    texts_.clear();
}

void SavedShows::prefetch(const SHOWENTRY& show) {
    for (const char* text : {show.artist, show.venue, show.location, show.url, show.otherArtists, show.uid,
                             show.movedVenue, show.startTime})
        __builtin_prefetch(text);
    __builtin_prefetch(&show.nameList);
}

void SavedShows::add(const SHOWENTRY& show, ShowKind kind) {
    Record r{kind,
             show.selected,
             show.ticketsAvailable,
             show.cancelled,
             show.elsewhere,
             show.onTrip,
             show.year,
             show.month,
             show.day,
             show.sequence,
             show.movedYear,
             show.movedMonth,
             show.movedDay,
             show.foundRadius,
             keep(show.artist),
             keep(show.venue),
             keep(show.location),
             keep(show.url),
             keep(show.otherArtists),
             keep(show.uid),
             keep(show.movedVenue),
             keep(show.foundCity),
             keep(show.foundState),
             keep(show.startTime),
             keep(show.timeZone),
             static_cast<uint32_t>(labels_.size()),
             0};
    if (show.nameList) {
        std::lock_guard<ListMutex> hold(show.nameList->mutex);
        for (const FRIENDNAME* n = show.nameList->head; n; n = n->next)
            labels_.push_back(keep(n->name));
    }
    r.labels = static_cast<uint32_t>(labels_.size()) - r.firstLabel;
    records_.push_back(r);
}

void SavedShows::appendLines(std::string& out) const {
    for (const Record& show : records_)
        appendLine(out, show);
}

void SavedShows::appendLine(std::string& line, const Record& show) const {
    const bool album = show.kind == kAlbumReleaseLine;
    addNumber(line, show.kind);
    addNumber(line, album ? 0 : show.selected);
    addNumber(line, album ? 0 : show.ticketsAvailable);
    addNumber(line, show.year);
    addNumber(line, show.month);
    addNumber(line, show.day);
    addField(line, text(show.artist));
    addField(line, text(show.venue));
    addField(line, album ? "-" : text(show.location));
    addField(line, text(show.url));
    addField(line, (album || show.otherArtists.size == 0) ? "-" : text(show.otherArtists));
    // Only concerts are exported, so only they keep a UID across restarts.
    if (show.kind == kConcertLine && isUidField(text(show.uid))) {
        addField(line, text(show.uid));
        if (show.sequence > 0 || show.cancelled || show.movedYear > 0) {
            char head[96];
            std::snprintf(head, sizeof head, "changed:%d:%c:%d-%d-%d:", static_cast<int>(show.sequence),
                          show.cancelled ? 'c' : '-', static_cast<int>(show.movedYear),
                          static_cast<int>(show.movedMonth), static_cast<int>(show.movedDay));
            line += head;
            addField(line, text(show.movedVenue));
        }
    }
    for (uint32_t i = show.firstLabel; i < show.firstLabel + show.labels; ++i)
        addField(line, text(labels_[i]));
    int hour = 0, minute = 0;
    if (show.kind == kConcertLine && readStartTime(text(show.startTime), hour, minute)) {
        line += kTimePrefix;
        line += text(show.startTime);
        line += ':';
        if (isZoneName(text(show.timeZone))) line += text(show.timeZone);
    }
    line += '\n';
    if (show.kind == kConcertLine && show.foundRadius > 0) {
        line += kPlacePrefix;
        addNumber(line, show.foundRadius);
        addField(line, show.elsewhere ? "e" : show.onTrip ? "t" : "-");
        addField(line, text(show.foundCity));
        addField(line, text(show.foundState));
        line += '\n';
    }
}

bool isPlaceLine(std::string_view line) {
    return line.starts_with(kPlacePrefix);
}

bool readPlaceLine(std::string_view line, SHOWENTRY& show) {
    if (!isPlaceLine(line)) return false;
    const std::vector<std::string_view> pieces = splitFields(line);
    int32_t radius = 0;
    if (pieces.size() != 6 || !readDecimal(pieces[1], radius) || radius <= 0 ||
        (pieces[2] != "e" && pieces[2] != "t" && pieces[2] != "-") || !isReadableText(pieces[3]) ||
        !isReadableText(pieces[4]))
        return false;
    copyField(show.foundCity, pieces[3]);
    copyField(show.foundState, pieces[4]);
    show.foundRadius = radius;
    show.elsewhere = pieces[2] == "e";
    show.onTrip = pieces[2] == "t";
    return true;
}

ParsedShow parseShowLine(std::string_view line) {
    ParsedShow parsed;
    const std::vector<std::string_view> pieces = splitFields(line);
    auto piece = [&](std::size_t i) { return i < pieces.size() ? pieces[i] : std::string_view(); };

    int32_t kind = 0, year = 0, month = 0, day = 0;
    if (!readDecimal(piece(0), kind) || !readDecimal(piece(3), year) || !readDecimal(piece(4), month) ||
        !readDecimal(piece(5), day))
        return parsed;
    parsed.kind = kind;
    if (!isCalendarDate(year, month, day)) return parsed;
    for (std::size_t i = 6; i < pieces.size(); ++i)
        if (!isReadableText(pieces[i])) return parsed;

    auto show = std::make_unique<SHOWENTRY>();
    show->selected = piece(1) == "1";
    show->ticketsAvailable = piece(2) == "1";
    show->year = year;
    show->month = month;
    show->day = day;
    // A line cut short keeps the record's defaults for the fields it lacks.
    if (pieces.size() > 6) copyField(show->artist, pieces[6]);
    if (pieces.size() > 7) copyField(show->venue, pieces[7]);
    if (pieces.size() > 8) copyField(show->location, pieces[8]);
    if (pieces.size() > 9) copyField(show->url, pieces[9]);
    if (pieces.size() > 10 && pieces[10] != "-") copyField(show->otherArtists, pieces[10]);
    // Labels are the fields that end in "@@"; the last piece never does.
    std::size_t labels = kFixedFields;
    if (kind == kConcertLine && labels + 1 < pieces.size() && isUidField(pieces[labels]))
        copyField(show->uid, pieces[labels++]);
    if (kind == kConcertLine && labels + 1 < pieces.size() && readChangeField(pieces[labels], *show))
        ++labels;
    for (std::size_t i = labels; i + 1 < pieces.size() && i < labels + kMostLabels; ++i)
        show->nameList->add(new FRIENDNAME(fieldText(pieces[i]).c_str()));
    if (kind == kConcertLine && pieces.size() > kFixedFields) readTimeField(pieces.back(), *show);
    parsed.show = std::move(show);
    return parsed;
}

} // namespace vx
