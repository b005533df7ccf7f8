#include "plugin/net/concert_search_replies.h"

#include "common/fixed_text.h"
#include "plugin/model/text_helpers.h"
#include "plugin/net/clean_city.h"
#include "plugin/net/date_answers.h"
#include "plugin/net/region_tables.h"

#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VX_TAGS_BY_AVX2 1
#endif

namespace {

constexpr std::string_view kSiteOpen = "<site";
constexpr std::string_view kSiteClose = "</site>";
constexpr std::string_view kTicketMark = "ticket=1";
constexpr std::string_view kEventEnd = "</event>";

// The tags an event's lines are searched for; kTagCount also stands for "not at this '<'".
enum Tag {
    kArtist,
    kArtistMbid,
    kEventDate,
    kVenueName,
    kEventUrl,
    kVenueCity,
    kVenueState,
    kEventTime,
    kVenueZone,
    kEventEndTag,
    kTagCount
};
constexpr std::string_view kOpenTags[kTagCount] = {
    "<artist>",     "<artist_mbid>", "<event_date>", "<venue_name>",     "<event_url>",
    "<venue_city>", "<venue_state>", "<event_time>", "<venue_timezone>", kEventEnd};
constexpr std::string_view kCloseTags[kEventEndTag] = {
    "</artist>",     "</artist_mbid>", "</event_date>", "</venue_name>",    "</event_url>",
    "</venue_city>", "</venue_state>", "</event_time>", "</venue_timezone>"};

// The tag that starts at rest, told by its second and eighth bytes before one comparison.
Tag tagAt(std::string_view rest) {
    if (rest.size() < 8) return kTagCount;
    Tag tag = kTagCount;
    switch (rest[1]) {
    case 'a':
        tag = rest[7] == '_' ? kArtistMbid : kArtist;
        break;
    case '/':
        tag = kEventEndTag;
        break;
    case 'e':
        tag = rest[7] == 'd' ? kEventDate : rest[7] == 't' ? kEventTime : kEventUrl;
        break;
    case 'v':
        tag = rest[7] == 'n'   ? kVenueName
              : rest[7] == 'c' ? kVenueCity
              : rest[7] == 't' ? kVenueZone
                               : kVenueState;
        break;
    default:
        return kTagCount;
    }
    return rest.starts_with(kOpenTags[tag]) ? tag : kTagCount;
}

// Where each tag first opens in a line (npos when it does not): one walk over the line's '<'s
// instead of a search of the whole line for every tag.
struct LineTags {
    std::size_t at[kTagCount];

    explicit LineTags(std::string_view line) {
        for (std::size_t& a : at)
            a = std::string_view::npos;
        for (std::size_t p = line.find('<'); p != std::string_view::npos; p = line.find('<', p + 1)) {
            const Tag tag = tagAt(line.substr(p));
            if (tag != kTagCount && at[tag] == std::string_view::npos) at[tag] = p;
        }
    }
    // The text between the tag's first opening and the first close tag behind it.
    std::optional<std::string_view> field(std::string_view line, Tag tag) const {
        if (at[tag] == std::string_view::npos) return std::nullopt;
        const std::size_t from = at[tag] + kOpenTags[tag].size();
        const std::size_t end = line.find(kCloseTags[tag], from);
        if (end == std::string_view::npos) return std::nullopt;
        return line.substr(from, end - from);
    }
};

struct PendingEvent {
    SourceEvent event;
    bool hasDate = false, hasVenue = false, hasUrl = false, hasCity = false, hasRegion = false;

    bool complete() const {
        return !event.performers.empty() && hasDate && hasVenue && hasUrl && hasCity && hasRegion;
    }
    // A field of a later line replaces the same field of an earlier one; performers add up.
    // Returns whether the line ends the event.
    bool readLine(std::string_view line) {
        const LineTags tags(line);
        auto replace = [&](Tag tag, std::string_view& value, bool& has) {
            if (auto v = tags.field(line, tag)) {
                value = *v;
                has = true;
            }
        };
        if (auto v = tags.field(line, kArtist)) {
            event.performers.push_back(*v);
            event.performerIds.push_back(tags.field(line, kArtistMbid).value_or(std::string_view()));
        }
        replace(kEventDate, event.date, hasDate);
        replace(kVenueName, event.venue, hasVenue);
        replace(kEventUrl, event.url, hasUrl);
        replace(kVenueCity, event.city, hasCity);
        replace(kVenueState, event.region, hasRegion);
        bool optional = false;
        replace(kEventTime, event.time, optional);
        replace(kVenueZone, event.zone, optional);
        return tags.at[kEventEndTag] != std::string_view::npos;
    }
    void reset() {
        event.performers.clear();
        event.performerIds.clear();
        event.time = event.zone = {};
        hasDate = hasVenue = hasUrl = hasCity = hasRegion = false;
    }
};

// The value of name="..." in an entry's attribute text; empty when it has none.
std::string_view attributeValue(std::string_view attributes, std::string_view name) {
    const std::string key = " " + std::string(name) + "=\"";
    const std::size_t at = attributes.find(key);
    if (at == std::string_view::npos) return {};
    const std::size_t from = at + key.size();
    const std::size_t end = attributes.find('"', from);
    return end == std::string_view::npos ? std::string_view() : attributes.substr(from, end - from);
}

// A whole number written as "%d" writes it, and nothing else.
std::optional<long> exactNumber(std::string_view text) {
    const auto n = vx::leadingNumber(text);
    if (!n || std::to_string(*n) != text) return std::nullopt;
    return *n;
}

// A place as the search compares it: the city in canonical form, the region as its code.
struct CanonicalPlace {
    char city[256];
    char region[256];

    CanonicalPlace(std::string_view cityText, std::string_view regionText) {
        copyCut(city, cityText);
        cleanCity(city);
        copyCut(region, regionText);
        known_ = stateAbbrev_generic(region) == 0;
    }
    // The page's place is the one asked: the same city, and the same region unless the search was
    // of a country, where a page names the city's subdivision by a code of that country's own.
    bool answers(const CanonicalPlace& asked) const {
        if (std::strcmp(city, asked.city) != 0) return false;
        if (std::strcmp(region, asked.region) == 0) return true;
        return asked.known_ && !isStateOrProvinceCode(asked.region) && !known_;
    }

  private:
    bool known_ = false; // the region is one the search table knows
    static void copyCut(char (&to)[256], std::string_view text) {
        const std::size_t n = text.size() < sizeof to - 1 ? text.size() : sizeof to - 1;
        std::memcpy(to, text.data(), n);
        to[n] = '\0';
    }
};

// What a scan stops at: every '<' that opens eight bytes ending in '>', as "<artist>" and
// "</event>" do; or only "</event>"-shaped closes and "<event_date>"-shaped opens (a 'd' seven
// bytes on, a '>' eleven on), which is all a trip's walk needs of the events outside its dates.
enum class Stops { tags, datesAndEnds };

#if defined(VX_TAGS_BY_AVX2)
// Thirty-two places a step on processors that have AVX2, as the machines of this decade do; at is
// left where the steps ended when no tag was found.
template <Stops kStops>
__attribute__((target("avx2"))) std::size_t tagByAvx2(const char* bytes, std::size_t& at, std::size_t size) {
    constexpr std::size_t kReach = kStops == Stops::datesAndEnds ? 11 : 7; // the farthest byte a step reads
    const __m256i open = _mm256_set1_epi8('<'), close = _mm256_set1_epi8('>');
    for (; at + 31 + kReach < size; at += 32) {
        const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + at));
        const __m256i eighth = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + at + 7));
        __m256i ends = _mm256_cmpeq_epi8(eighth, close);
        if constexpr (kStops == Stops::datesAndEnds) {
            const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + at + 1));
            const __m256i twelfth = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + at + 11));
            ends = _mm256_or_si256(_mm256_and_si256(ends, _mm256_cmpeq_epi8(second, _mm256_set1_epi8('/'))),
                                   _mm256_and_si256(_mm256_cmpeq_epi8(eighth, _mm256_set1_epi8('d')),
                                                    _mm256_cmpeq_epi8(twelfth, close)));
        }
        const auto hits = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(first, open), ends)));
        if (hits) return at + static_cast<std::size_t>(__builtin_ctz(hits));
    }
    return std::string_view::npos;
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

// Whether the bytes at at are a stop of the kind; at + 8 <= size.
template <Stops kStops> bool stopsAt(const char* bytes, std::size_t at, std::size_t size) {
    if (bytes[at] != '<') return false;
    if (kStops == Stops::tags) return bytes[at + 7] == '>';
    return (bytes[at + 1] == '/' && bytes[at + 7] == '>') ||
           (at + 12 <= size && bytes[at + 7] == 'd' && bytes[at + 11] == '>');
}

// The next stop at or after from: sixteen places a step, where a walk over every '<' stops at
// each of an event's dozen tags.
template <Stops kStops = Stops::tags> std::size_t nextStop(std::string_view page, std::size_t from) {
    const char* bytes = page.data();
    const std::size_t size = page.size();
    std::size_t at = from;
#if defined(VX_TAGS_BY_AVX2)
    if (kHasAvx2)
        if (const std::size_t hit = tagByAvx2<kStops>(bytes, at, size); hit != std::string_view::npos)
            return hit;
#endif
#if defined(__SSE2__)
    constexpr std::size_t kReach = kStops == Stops::datesAndEnds ? 11 : 7;
    const __m128i open = _mm_set1_epi8('<'), close = _mm_set1_epi8('>');
    for (; at + 15 + kReach < size; at += 16) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
        const __m128i eighth = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at + 7));
        __m128i ends = _mm_cmpeq_epi8(eighth, close);
        if constexpr (kStops == Stops::datesAndEnds) {
            const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at + 1));
            const __m128i twelfth = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at + 11));
            ends = _mm_or_si128(
                _mm_and_si128(ends, _mm_cmpeq_epi8(second, _mm_set1_epi8('/'))),
                _mm_and_si128(_mm_cmpeq_epi8(eighth, _mm_set1_epi8('d')), _mm_cmpeq_epi8(twelfth, close)));
        }
        const int hits = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(first, open), ends));
        if (hits) return at + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
    }
#endif
    for (; at + 8 <= size; ++at)
        if (stopsAt<kStops>(bytes, at, size)) return at;
    return std::string_view::npos;
}

// The end of the line holding at: most of a page's tags close their line, so one look first.
std::size_t lineEndFrom(std::string_view page, std::size_t at) {
    return at < page.size() && page[at] == '\n' ? at : page.find('\n', at);
}

// The id the whole read gives the performer at artistAt: the first "<artist_mbid>" of its line,
// which may stand anywhere on it. Most lines hold none, and cost one search of the line.
std::string_view performerIdOnLine(std::string_view page, std::size_t artistAt, std::size_t lineEnd) {
    const std::size_t before = page.rfind('\n', artistAt);
    const std::size_t lineStart = before == std::string_view::npos ? 0 : before + 1;
    const std::string_view line = page.substr(lineStart, lineEnd - lineStart);
    if (line.find(kOpenTags[kArtistMbid]) == std::string_view::npos) return {};
    return LineTags(line).field(line, kArtistMbid).value_or(std::string_view());
}

bool wholeEvent(const PendingEvent& pending) {
    EventDate date;
    if (!pending.complete() || !readEventDate(pending.event.date, date)) return false;
    for (std::string_view performer : pending.event.performers)
        if (!performer.empty()) return true;
    return false;
}

} // namespace

SourceDirectory readSourceDirectory(std::string_view reply) {
    SourceDirectory directory;
    for (std::size_t at = reply.find(kSiteOpen); at != std::string_view::npos;
         at = reply.find(kSiteOpen, at + kSiteOpen.size()))
        ++directory.siteCount;

    std::size_t start = reply.find(kSiteOpen);
    while (start != std::string_view::npos) {
        const std::size_t end = reply.find(kSiteClose, start + kSiteOpen.size());
        if (end == std::string_view::npos) break;
        const std::string_view entry = reply.substr(start, end - start);
        const std::size_t urlStart = entry.find('>');
        ConcertSource source;
        if (urlStart != std::string_view::npos) source.url = std::string(entry.substr(urlStart + 1));
        source.name = std::string(attributeValue(entry.substr(0, urlStart), "name"));
        source.ticketsAvailable = entry.find(kTicketMark) != std::string_view::npos;
        directory.sources.push_back(std::move(source));
        start = reply.find(kSiteOpen, end + kSiteClose.size());
    }
    return directory;
}

bool readSourceEvents(std::string_view page, const std::function<bool(const SourceEvent&)>& take) {
    PendingEvent pending;
    std::size_t lineStart = 0;
    for (std::size_t lineEnd = page.find('\n'); lineEnd != std::string_view::npos;
         lineStart = lineEnd + 1, lineEnd = page.find('\n', lineStart)) {
        const std::string_view line = page.substr(lineStart, lineEnd - lineStart);
        if (!pending.readLine(line)) continue;
        // An event lacking a field goes whole: its performers do not join the next event.
        if (pending.complete() && !take(pending.event)) return false;
        pending.reset();
    }
    return true;
}

namespace {

constexpr std::string_view kArtistOpen = kOpenTags[kArtist], kArtistClose = kCloseTags[kArtist];
constexpr std::string_view kDateOpen = kOpenTags[kEventDate], kDateClose = kCloseTags[kEventDate];

// What the two walks share: an event's performers shown to wanted, and a wanted event read whole.
// An event's lines run from where the last one ended to the end of the next line holding
// "</event>", and only the first "<artist>" of a line names a performer, as in the whole read.
struct WantedWalk {
    std::string_view page;
    const PerformerLook& wanted;
    const std::function<bool(const SourceEvent&)>& take;
    PendingEvent pending;
    std::size_t lineDone = 0; // lines before this offset gave their performer
    bool read = false;        // the event has a wanted performer

    // Shows wanted the performer of the "<artist>" at artistAt, its line's first, ending at
    // lineEnd; false when wanted said stop.
    bool offer(std::size_t artistAt, std::size_t lineEnd) {
        lineDone = lineEnd + 1;
        const std::string_view name =
            page.substr(artistAt + kArtistOpen.size(), lineEnd - artistAt - kArtistOpen.size());
        const std::size_t firstTag = name.find('<');
        const std::size_t close =
            firstTag == std::string_view::npos ? firstTag : name.find(kArtistClose, firstTag);
        if (close == std::string_view::npos) return true;
        // Most lines hold the name alone, and no id: those cost no search. A name with a tag in
        // it may hold the line's "<artist_mbid>".
        const bool nameAlone = close == firstTag && (artistAt == 0 || page[artistAt - 1] == '\n') &&
                               artistAt + kArtistOpen.size() + close + kArtistClose.size() == lineEnd;
        const Performer said =
            wanted(name.substr(0, close),
                   nameAlone ? std::string_view() : performerIdOnLine(page, artistAt, lineEnd));
        read = said == Performer::kWanted;
        return said != Performer::kStop;
    }
    // A performer named behind the "</event>" at endTag on its line (ending at eventEnd) is still
    // the ending event's.
    bool offerBehind(std::size_t endTag, std::size_t eventEnd) {
        if (read || endTag < lineDone) return true;
        const std::size_t behind = page.substr(0, eventEnd).find(kArtistOpen, endTag);
        return behind == std::string_view::npos || offer(behind, eventEnd);
    }
    // Hands the event of the lines from eventStart to eventEnd to take when it has a wanted
    // performer, and readies the walk for the next event; false when take said stop.
    bool endEvent(std::size_t eventStart, std::size_t eventEnd) {
        const bool wholeRead = read;
        lineDone = eventEnd + 1;
        read = false;
        if (!wholeRead) return true;
        pending.reset();
        for (std::size_t from = eventStart; from <= eventEnd;) {
            const std::size_t lineEnd = page.find('\n', from);
            pending.readLine(page.substr(from, lineEnd - from));
            from = lineEnd + 1;
        }
        return !pending.complete() || take(pending.event);
    }
};

// One walk over the page's eight-byte tags.
bool walkEveryEvent(WantedWalk& walk) {
    const std::string_view page = walk.page;
    std::size_t eventStart = 0;
    for (std::size_t at = nextStop(page, 0); at != std::string_view::npos; at = nextStop(page, at + 1)) {
        const std::string_view rest = page.substr(at);
        if (rest.starts_with(kEventEnd)) {
            const std::size_t eventEnd = lineEndFrom(page, at + kEventEnd.size());
            if (eventEnd == std::string_view::npos) return true; // a last line without a line feed
            if (!walk.offerBehind(at, eventEnd) || !walk.endEvent(eventStart, eventEnd)) return false;
            eventStart = eventEnd + 1;
            at = eventEnd;
        } else if (!walk.read && at >= walk.lineDone && rest.starts_with(kArtistOpen)) {
            const std::size_t lineEnd = page.find('\n', at);
            if (lineEnd == std::string_view::npos) return true;
            if (!walk.offer(at, lineEnd)) return false;
        }
    }
    return true;
}

// The date the whole read gives the event whose "</event>" stands at endTag, its last line ending
// at eventEnd: the field of the last of its lines that has one, that line's first "<event_date>"
// and the first close behind it. dateTags are the date tags before endTag, in page order.
std::optional<std::string_view> eventDateText(std::string_view page, std::vector<std::size_t>& dateTags,
                                              std::vector<std::pair<std::size_t, std::size_t>>& dateLines,
                                              std::size_t endTag, std::size_t eventEnd) {
    // A date behind "</event>" on its line is still the event's, when none came first on that line.
    if (eventEnd - endTag >= kEventEnd.size() + kDateOpen.size() &&
        (dateTags.empty() ||
         page.substr(dateTags.back(), endTag - dateTags.back()).find('\n') != std::string_view::npos))
        if (const std::size_t behind = page.substr(0, eventEnd).find(kDateOpen, endTag + kEventEnd.size());
            behind != std::string_view::npos)
            dateTags.push_back(behind);
    if (dateTags.empty()) return std::nullopt;
    // Most events have one date, closed before its line ends: told without finding the line's end.
    if (dateTags.size() == 1) {
        const std::size_t from = dateTags.front() + kDateOpen.size();
        std::size_t at = from;
        while (at < eventEnd && page[at] != '<' && page[at] != '\n')
            ++at;
        if (at == eventEnd || page[at] == '\n') return std::nullopt;
        if (page.substr(at).starts_with(kDateClose)) return page.substr(from, at - from);
    }
    dateLines.clear();
    for (const std::size_t tag : dateTags)
        if (dateLines.empty() || tag > dateLines.back().second)
            dateLines.emplace_back(tag, page.find('\n', tag));
    for (auto line = dateLines.rbegin(); line != dateLines.rend(); ++line) {
        const std::size_t from = line->first + kDateOpen.size();
        const std::size_t close = page.substr(0, line->second).find(kDateClose, from);
        if (close != std::string_view::npos) return page.substr(from, close - from);
    }
    return std::nullopt;
}

// A walk that stops only at dates and event ends; an event whose date keepsDate takes is walked
// again for its performers, as the walk over every tag would find them.
bool walkDatedEvents(WantedWalk& walk, const std::function<bool(std::string_view date)>& keepsDate) {
    const std::string_view page = walk.page;
    DateAnswers keeps(keepsDate);
    std::vector<std::size_t> dateTags;
    std::vector<std::pair<std::size_t, std::size_t>> dateLines; // (first date tag, line end)
    std::size_t eventStart = 0;
    for (std::size_t at = nextStop<Stops::datesAndEnds>(page, 0); at != std::string_view::npos;
         at = nextStop<Stops::datesAndEnds>(page, at + 1)) {
        const std::string_view rest = page.substr(at);
        if (rest.starts_with(kDateOpen)) {
            dateTags.push_back(at);
            continue;
        }
        if (!rest.starts_with(kEventEnd)) continue;
        const std::size_t eventEnd = lineEndFrom(page, at + kEventEnd.size());
        if (eventEnd == std::string_view::npos) return true; // a last line without a line feed
        const std::optional<std::string_view> date = eventDateText(page, dateTags, dateLines, at, eventEnd);
        dateTags.clear();
        if (date && keeps(*date)) {
            for (std::size_t tag = nextStop(page, eventStart); !walk.read && tag < at;
                 tag = nextStop(page, tag + 1))
                if (tag >= walk.lineDone && page.substr(tag).starts_with(kArtistOpen) &&
                    !walk.offer(tag, page.find('\n', tag)))
                    return false;
            if (!walk.offerBehind(at, eventEnd)) return false;
        }
        if (!walk.endEvent(eventStart, eventEnd)) return false;
        eventStart = eventEnd + 1;
        at = eventEnd;
    }
    return true;
}

} // namespace

bool readWantedSourceEvents(std::string_view page, const PerformerLook& wanted,
                            const std::function<bool(const SourceEvent&)>& take,
                            const std::function<bool(std::string_view date)>& keepsDate) {
    WantedWalk walk{page, wanted, take, {}};
    return keepsDate ? walkDatedEvents(walk, keepsDate) : walkEveryEvent(walk);
}

namespace {

// Most dates are "M/D/YYYY" in digits alone: three fields of one to four digits between two
// slashes, which give the numbers the general read gives them, without its look-ups.
bool readPlainDate(std::string_view text, int (&parts)[3]) {
    std::size_t part = 0, digits = 0;
    int value = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            if (++digits > 4) return false;
            value = value * 10 + (c - '0');
            continue;
        }
        if (c != '/' || digits == 0 || part == 2) return false;
        parts[part++] = value;
        value = 0;
        digits = 0;
    }
    if (part != 2 || digits == 0) return false;
    parts[2] = value;
    return true;
}

} // namespace

bool readEventDate(std::string_view text, EventDate& date) {
    if (int parts[3]; readPlainDate(text, parts)) {
        const auto [month, day, year] = parts;
        if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1 || year > 9999) return false;
        date.month = month;
        date.day = day;
        date.year = year;
        return true;
    }
    const std::size_t first = text.find('/');
    if (first == std::string_view::npos) return false;
    const std::size_t second = text.find('/', first + 1);
    if (second == std::string_view::npos) return false;
    const auto month = vx::leadingNumber(text.substr(0, first));
    const auto day = vx::leadingNumber(text.substr(first + 1, second - first - 1));
    const auto year = vx::leadingNumber(text.substr(second + 1));
    if (!month || !day || !year) return false;
    if (*month < 1 || *month > 12 || *day < 1 || *day > 31 || *year < 1 || *year > 9999) return false;
    date.month = *month;
    date.day = *day;
    date.year = *year;
    return true;
}

SourceAnswer checkSourceAnswer(std::string_view page, const ExpectedAnswer& expected) {
    SourceAnswer answer;
    auto refuse = [&answer](std::string why) {
        answer.problem = std::move(why);
        return answer;
    };
    if (page.empty() || page.back() != '\n') return refuse("the page is empty or cut short");
    const std::string_view head = page.substr(0, page.find('\n'));
    const std::string opening = "# " + std::string(expected.source) + ": ";
    if (expected.source.empty() || !head.starts_with(opening))
        return refuse("the page does not name the source");
    const std::string_view counts = head.substr(opening.size());
    constexpr std::string_view kWithin = " events within ", kMilesOf = " miles of ";
    const std::size_t within = counts.find(kWithin);
    const std::size_t miles = counts.find(kMilesOf, within == std::string_view::npos ? 0 : within);
    if (within == std::string_view::npos || miles == std::string_view::npos)
        return refuse("the summary line is not as usual");
    const auto count = exactNumber(counts.substr(0, within));
    const auto radius = exactNumber(counts.substr(within + kWithin.size(), miles - within - kWithin.size()));
    if (!count || !radius) return refuse("the summary line is not as usual");
    if (*radius != expected.radius) return refuse("the page is for another radius");
    const std::string_view place = counts.substr(miles + kMilesOf.size());
    const std::size_t comma = place.rfind(", ");
    if (comma == std::string_view::npos || !CanonicalPlace(place.substr(0, comma), place.substr(comma + 2))
                                                .answers(CanonicalPlace(expected.city, expected.region)))
        return refuse("the page is for another place");

    PendingEvent pending;
    bool inEvent = false;
    long events = 0;
    for (std::size_t from = head.size() + 1; from < page.size();) {
        const std::size_t end = page.find('\n', from);
        std::string_view line = page.substr(from, end - from);
        from = end + 1;
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (!inEvent) {
            if (line != "<event>") return refuse("text stands outside the events");
            inEvent = true;
            pending.reset();
        } else if (line == "</event>") {
            if (!wholeEvent(pending)) return refuse("an event lacks a date, a performer or a field");
            ++events;
            inEvent = false;
        } else if (line.find("<event>") != std::string_view::npos ||
                   line.find(kEventEnd) != std::string_view::npos) {
            return refuse("an event does not end on a line of its own");
        } else {
            pending.readLine(line);
        }
    }
    if (inEvent) return refuse("the last event is not closed");
    if (events != *count)
        return refuse(std::to_string(events) + " events where the summary line says " +
                      std::to_string(*count));
    answer.full = true;
    answer.events = events;
    return answer;
}
