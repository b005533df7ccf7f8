#include "plugin/net/concert_search_replies.h"

#include "plugin/model/text_helpers.h"

#include <optional>

namespace {

constexpr std::string_view kSiteOpen = "<site";
constexpr std::string_view kSiteClose = "</site>";
constexpr std::string_view kTicketMark = "ticket=1";
constexpr std::string_view kEventEnd = "</event>";

// The tags an event's lines are searched for; kTagCount also stands for "not at this '<'".
enum Tag { kArtist, kEventDate, kVenueName, kEventUrl, kVenueCity, kVenueState, kEventEndTag, kTagCount };
constexpr std::string_view kOpenTags[kTagCount] = {
    "<artist>", "<event_date>", "<venue_name>", "<event_url>", "<venue_city>", "<venue_state>", kEventEnd};
constexpr std::string_view kCloseTags[kEventEndTag] = {"</artist>",    "</event_date>", "</venue_name>",
                                                       "</event_url>", "</venue_city>", "</venue_state>"};

// The tag that starts at rest, told by its second and eighth bytes before one comparison.
Tag tagAt(std::string_view rest) {
    if (rest.size() < 8) return kTagCount;
    Tag tag = kTagCount;
    switch (rest[1]) {
    case 'a':
        tag = kArtist;
        break;
    case '/':
        tag = kEventEndTag;
        break;
    case 'e':
        tag = rest[7] == 'd' ? kEventDate : kEventUrl;
        break;
    case 'v':
        tag = rest[7] == 'n' ? kVenueName : rest[7] == 'c' ? kVenueCity : kVenueState;
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
        if (auto v = tags.field(line, kArtist)) event.performers.push_back(*v);
        replace(kEventDate, event.date, hasDate);
        replace(kVenueName, event.venue, hasVenue);
        replace(kEventUrl, event.url, hasUrl);
        replace(kVenueCity, event.city, hasCity);
        replace(kVenueState, event.region, hasRegion);
        return tags.at[kEventEndTag] != std::string_view::npos;
    }
    void reset() {
        event.performers.clear();
        hasDate = hasVenue = hasUrl = hasCity = hasRegion = false;
    }
};

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

bool readEventDate(std::string_view text, EventDate& date) {
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

bool sourceAnsweredAsUsual(std::string_view page, int radius) {
    if (page.empty() || page.back() != '\n' || page.substr(0, 2) != "# ") return false;
    const std::string_view head = page.substr(0, page.find('\n'));
    const std::size_t colon = head.find(": ");
    if (colon == std::string_view::npos) return false;
    const std::string_view counts = head.substr(colon + 2);
    const std::size_t within = counts.find(" events within ");
    const std::size_t miles = counts.find(" miles of ");
    if (within == std::string_view::npos || miles == std::string_view::npos || miles < within) return false;
    const std::string_view countText = counts.substr(0, within);
    const std::string_view radiusText = counts.substr(within + 15, miles - within - 15);
    const auto count = vx::leadingNumber(countText);
    const auto asked = vx::leadingNumber(radiusText);
    if (!count || !asked || std::to_string(*count) != countText || std::to_string(*asked) != radiusText)
        return false;
    if (*asked != radius) return false;
    long events = 0;
    for (std::size_t at = page.find("</event>"); at != std::string_view::npos;
         at = page.find("</event>", at + 8))
        ++events;
    return events == *count;
}
