#include "plugin/engine/preference_shows.h"

#include "common/fixed_text.h"
#include "plugin/engine/preference_fields.h"
#include "plugin/model/show_list.h"

#include <cctype>
#include <cstdio>

namespace vx {

namespace {

constexpr std::size_t kFixedFields = 11;

void addField(std::string& line, const std::string& text) {
    line += text;
    line += "@@";
}

void addField(std::string& line, const char* text) {
    addField(line, fieldValue(text));
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

std::string changeField(const SHOWENTRY& show) {
    char head[96];
    std::snprintf(head, sizeof head, "changed:%d:%c:%d-%d-%d:", static_cast<int>(show.sequence),
                  show.cancelled ? 'c' : '-', static_cast<int>(show.movedYear),
                  static_cast<int>(show.movedMonth), static_cast<int>(show.movedDay));
    return head + fieldValue(show.movedVenue);
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

std::string showLine(const SHOWENTRY& show, ShowKind kind) {
    const bool album = kind == kAlbumReleaseLine;
    char numbers[128];
    std::snprintf(numbers, sizeof numbers, "%d@@%d@@%d@@%d@@%d@@%d@@", static_cast<int>(kind),
                  album ? 0 : static_cast<int>(show.selected),
                  album ? 0 : static_cast<int>(show.ticketsAvailable), show.year, show.month, show.day);
    std::string line = numbers;
    addField(line, show.artist);
    addField(line, show.venue);
    addField(line, album ? "-" : show.location);
    addField(line, show.url);
    addField(line, (album || show.otherArtists[0] == '\0') ? "-" : show.otherArtists);
    // Only concerts are exported, so only they keep a UID across restarts.
    if (kind == kConcertLine && isUidField(show.uid)) {
        addField(line, show.uid);
        if (show.sequence > 0 || show.cancelled || show.movedYear > 0) addField(line, changeField(show));
    }
    if (show.nameList) {
        std::lock_guard<ListMutex> hold(show.nameList->mutex);
        for (FRIENDNAME* n = show.nameList->head; n; n = n->next)
            addField(line, n->name);
    }
    line += '\n';
    return line;
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
    parsed.show = std::move(show);
    return parsed;
}

} // namespace vx
