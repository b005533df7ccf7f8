#include "plugin/net/concert_search_replies.h"

#include "plugin/model/text_helpers.h"

#include <optional>

namespace {

constexpr std::string_view kSiteOpen = "<site";
constexpr std::string_view kSiteClose = "</site>";
constexpr std::string_view kTicketMark = "ticket=1";
constexpr std::string_view kEventEnd = "</event>";

// The text between the first open tag of the line and the first close tag behind it.
std::optional<std::string_view> field(std::string_view line, std::string_view open, std::string_view close) {
    const std::size_t start = line.find(open);
    if (start == std::string_view::npos) return std::nullopt;
    const std::size_t from = start + open.size();
    const std::size_t end = line.find(close, from);
    if (end == std::string_view::npos) return std::nullopt;
    return line.substr(from, end - from);
}

struct PendingEvent {
    SourceEvent event;
    bool hasDate = false, hasVenue = false, hasUrl = false, hasCity = false, hasRegion = false;

    bool complete() const {
        return !event.performers.empty() && hasDate && hasVenue && hasUrl && hasCity && hasRegion;
    }
    // A field of a later line replaces the same field of an earlier one; performers add up.
    void readLine(std::string_view line) {
        auto replace = [line](std::string_view open, std::string_view close, std::string_view& value,
                              bool& has) {
            if (auto v = field(line, open, close)) {
                value = *v;
                has = true;
            }
        };
        if (auto v = field(line, "<artist>", "</artist>")) event.performers.push_back(*v);
        replace("<event_date>", "</event_date>", event.date, hasDate);
        replace("<venue_name>", "</venue_name>", event.venue, hasVenue);
        replace("<event_url>", "</event_url>", event.url, hasUrl);
        replace("<venue_city>", "</venue_city>", event.city, hasCity);
        replace("<venue_state>", "</venue_state>", event.region, hasRegion);
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
        pending.readLine(line);
        if (line.find(kEventEnd) == std::string_view::npos) continue;
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
