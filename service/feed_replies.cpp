#include "service/feed_replies.h"

#include "common/hex_digit.h"
#include "common/ical_event.h"
#include "common/venue_zone.h"
#include "service/feed_token.h"
#include "service/ordered_query.h"
#include "service/query_params.h"

#include <algorithm>
#include <ctime>
#include <set>
#include <unordered_map>

namespace vxs {
namespace {

const std::vector<std::string> kFeedKeys{"TODO", "USERNAME", "UUID"};
const QueryLimits kFeedLimits{1024, 8, 255};
constexpr std::string_view kFeedPath = "/feed/";
constexpr std::string_view kFeedSuffix = ".ics";
constexpr std::size_t kTokenHexDigits = 64;

std::string httpDate(int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", days[tm.tm_wday], tm.tm_mday,
                  months[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

// Seconds since 1970 of an HTTP date in its usual form; nullopt for anything else.
std::optional<int64_t> parseHttpDate(const std::string& text) {
    std::tm tm{};
    const char* end = strptime(text.c_str(), "%a, %d %b %Y %H:%M:%S GMT", &tm);
    if (!end || *end != '\0') return std::nullopt;
    return static_cast<int64_t>(timegm(&tm));
}

// target with its %XX escapes undone, again and again while one is left (at most a few rounds).
std::string fullyDecoded(std::string_view target) {
    std::string text(target);
    for (int round = 0; round < 4; ++round) {
        std::string next;
        next.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const int high = text[i] == '%' && i + 2 < text.size() ? vx::hexDigitValue(text[i + 1]) : -1;
            const int low = high >= 0 ? vx::hexDigitValue(text[i + 2]) : -1;
            if (low < 0) {
                next += text[i];
                continue;
            }
            next += static_cast<char>(high * 16 + low);
            i += 2;
        }
        if (next == text) break;
        text = std::move(next);
    }
    return text;
}

// A path with "." and ".." segments resolved and empty ones dropped ("\\" counts as "/").
std::string withoutDotSegments(std::string_view path) {
    std::vector<std::string_view> kept;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/' && path[i] != '\\') continue;
        const std::string_view segment = path.substr(start, i - start);
        start = i + 1;
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(segment);
    }
    std::string out;
    for (std::string_view segment : kept)
        out.append("/").append(segment);
    // A last slash stays: "/feed/" is a folder's name.
    if (!path.empty() && (path.back() == '/' || path.back() == '\\')) out += '/';
    return out.empty() ? "/" : out;
}

// text with every run of at least minRun hex digits replaced by "*".
std::string withoutHexRuns(const std::string& text, std::size_t minRun) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t end = i;
        while (end < text.size() && vx::hexDigitValue(text[end]) >= 0)
            ++end;
        if (end == i) {
            out += text[i++];
            continue;
        }
        if (end - i >= minRun)
            out += '*';
        else
            out.append(text, i, end - i);
        i = end;
    }
    return out;
}

} // namespace

bool matchesEtag(std::string_view header, std::string_view etag) {
    auto opaque = [](std::string_view tag) {
        if (tag.substr(0, 2) == "W/") tag.remove_prefix(2);
        return tag;
    };
    const std::string_view wanted = opaque(etag);
    while (!header.empty()) {
        const std::size_t comma = header.find(',');
        std::string_view tag = header.substr(0, comma);
        header.remove_prefix(comma == std::string_view::npos ? header.size() : comma + 1);
        while (!tag.empty() && (tag.front() == ' ' || tag.front() == '\t'))
            tag.remove_prefix(1);
        while (!tag.empty() && (tag.back() == ' ' || tag.back() == '\t'))
            tag.remove_suffix(1);
        if (tag == "*" || opaque(tag) == wanted) return true;
    }
    return false;
}

std::optional<bool> feedAddressRequest(std::string_view target) {
    Query q;
    std::string error;
    if (!q.parse(target, QueryLimits{4096, 32, 2048}, &error)) return std::nullopt;
    const std::string* todo = q.get("TODO");
    if (!todo || (*todo != "FEED_URL" && *todo != "FEED_ROTATE")) return std::nullopt;
    return *todo == "FEED_ROTATE";
}

Reply feedAddressReply(std::string_view target, bool rotate, SharingStore& sharing, FeedStore& feeds,
                       const std::string& host) {
    std::map<std::string, std::string> v;
    std::string error;
    if (!parseOrderedQuery(target, kFeedKeys, kFeedLimits, &v, &error)) return errorReply(400, error);
    if (v["USERNAME"].empty() || v["UUID"].empty() || !sharing.ownsAccount(v["USERNAME"], v["UUID"]))
        return Reply{200, "VoxtrailError: unknown user or installation\n", "text/plain", ""};
    const std::string token = feeds.token(v["USERNAME"], v["UUID"], rotate);
    if (token.empty()) return Reply{200, "VoxtrailError: no feed address could be made\n", "text/plain", ""};
    return Reply{
        200, "<FEED>http://" + host + std::string(kFeedPath) + token + std::string(kFeedSuffix) + "</FEED>\n",
        "text/plain", ""};
}

namespace {
std::string clickThroughOf(const std::string& host) {
    return "http://" + host + "/clickthrough.php?target=";
}

std::string calendarHeadOf(const std::string& username) {
    vx::ical::CalendarFields calendar;
    calendar.prodid = "-//Voxtrail//Voxtrail service//EN";
    calendar.name = "Voxtrail: " + username;
    calendar.refreshHours = kFeedRefreshHours;
    return vx::ical::calendarHead(calendar);
}

// The start of the feed show's gathered event, when it has one and its zone can be written; each
// zone named goes into zones once.
ShowStart startOf(const FeedShow& f, const FeedShowTimes& times, std::set<std::string>& zones) {
    ShowStart start = times.of(f.show.url);
    if (start.hour < 0 || !vx::ical::writableZone(start.zone)) return {};
    zones.insert(start.zone);
    return start;
}

void appendEvent(std::string& text, const FeedShow& f, const std::string& clickThrough,
                 const ShowStart& start = {}) {
    SharedShow s = f.show;
    boundShowTexts(&s); // a show kept before the bound
    vx::ical::EventFields e;
    e.uid = f.uid;
    e.sequence = f.sequence;
    e.status = s.cancelled ? "CANCELLED" : "CONFIRMED";
    e.year = s.year, e.month = s.month, e.day = s.day;
    e.hour = start.hour, e.minute = start.minute, e.zone = start.zone;
    e.dtstamp = f.changed > 0 ? f.changed : 1;
    e.summary = s.artist;
    e.location = vx::ical::showLocation(s.venue, s.location);
    e.url = clickThrough + s.url;
    e.description = vx::ical::showNotes(s.artist, s.otherArtists, "", s.tickets);
    vx::ical::appendEventText(text, e);
}

// The feed of head's version, made from the events of `prior` (an older version's) where their
// rows were not written since; every row is read when there is no prior or most rows changed.
std::shared_ptr<RenderedFeed> renderFeed(FeedStore& feeds, const FeedHead& head, const std::string& host,
                                         const RenderedFeed* prior, const FeedShowTimes& times) {
    auto made = std::make_shared<RenderedFeed>();
    made->version = head.version;
    made->host = host;
    // The tag names the account's version, which rises with every change, not the bytes; "feed 1"
    // names how events are written and must be raised with any change to that.
    made->etag = "\"" +
                 sha256Hex("feed 2\n" + head.username + "\n" + host + "\n" + std::to_string(head.version) +
                           "\n" + std::to_string(head.changed))
                     .substr(0, 32) +
                 "\"";
    const std::string clickThrough = clickThroughOf(host);
    std::vector<int64_t> order;
    std::unordered_map<int64_t, std::string> fresh;
    if (prior && !prior->events.empty()) {
        order = feeds.rowVersions(head.username);
        std::vector<int64_t> written;
        for (int64_t v : order)
            if (v <= 0 || !prior->events.count(v)) written.push_back(v);
        if (std::find(written.begin(), written.end(), 0) == written.end() &&
            written.size() * 4 <= order.size()) {
            for (const FeedShow& f : feeds.showsWrittenAt(head.username, written))
                appendEvent(fresh[f.rowVersion], f, clickThrough, startOf(f, times, made->zones));
            // A row written again meanwhile is not found at its version: every row is read instead.
            if (fresh.size() != written.size()) order.clear();
        } else {
            order.clear();
        }
    }
    std::string& body = made->body;
    body = calendarHeadOf(head.username);
    if (order.empty()) { // every row, read whole
        made->zones.clear();
        const FeedContent content = feeds.content(head);
        std::vector<ShowStart> starts;
        starts.reserve(content.shows.size());
        for (const FeedShow& f : content.shows)
            starts.push_back(startOf(f, times, made->zones));
        for (const std::string& zone : made->zones)
            body += vx::ical::zoneComponentText(zone);
        body.reserve(body.size() + content.shows.size() * 512 + vx::ical::kCalendarEnd.size());
        for (std::size_t i = 0; i < content.shows.size(); ++i) {
            const FeedShow& f = content.shows[i];
            const std::size_t offset = body.size();
            appendEvent(body, f, clickThrough, starts[i]);
            if (f.rowVersion > 0) made->events[f.rowVersion] = {offset, body.size() - offset};
        }
    } else {
        // The zones of the events kept from before and of those made now; one no event names any
        // more is still a valid description.
        made->zones.insert(prior->zones.begin(), prior->zones.end());
        for (const std::string& zone : made->zones)
            body += vx::ical::zoneComponentText(zone);
        auto eventOf = [&](int64_t v) {
            if (auto it = fresh.find(v); it != fresh.end()) return std::string_view(it->second);
            const RenderedFeed::Piece& piece = prior->events.at(v);
            return std::string_view(prior->body).substr(piece.offset, piece.length);
        };
        std::size_t bytes = body.size() + vx::ical::kCalendarEnd.size();
        for (int64_t v : order)
            bytes += eventOf(v).size();
        body.reserve(bytes);
        made->events.reserve(order.size());
        for (int64_t v : order) {
            const std::string_view event = eventOf(v);
            made->events[v] = {body.size(), event.size()};
            body += event;
        }
    }
    body += vx::ical::kCalendarEnd;
    return made;
}
} // namespace

std::string feedCalendar(const FeedContent& feed, const std::string& host, const FeedShowTimes& times) {
    std::string text = calendarHeadOf(feed.head.username);
    std::set<std::string> zones;
    std::vector<ShowStart> starts;
    starts.reserve(feed.shows.size());
    for (const FeedShow& f : feed.shows)
        starts.push_back(startOf(f, times, zones));
    for (const std::string& zone : zones)
        text += vx::ical::zoneComponentText(zone);
    // Room for every event at once: a feed of thousands of shows is megabytes.
    text.reserve(text.size() + feed.shows.size() * 512 + vx::ical::kCalendarEnd.size());
    const std::string clickThrough = clickThroughOf(host);
    for (std::size_t i = 0; i < feed.shows.size(); ++i)
        appendEvent(text, feed.shows[i], clickThrough, starts[i]);
    return text += vx::ical::kCalendarEnd;
}

Reply feedReply(std::string_view name, FeedStore& feeds, const std::string& host,
                const std::string& ifNoneMatch, const std::string& ifModifiedSince,
                const GatheredShows* gathered) {
    // Every name is looked up, so a wrong one is answered as fast as a right one.
    std::string_view token = name;
    if (token.size() >= kFeedSuffix.size() && token.substr(token.size() - kFeedSuffix.size()) == kFeedSuffix)
        token.remove_suffix(kFeedSuffix.size());
    const std::optional<FeedHead> head = feeds.head(token);
    if (!head || name.size() == token.size()) return errorReply(404, "no such feed");

    std::shared_ptr<const RenderedFeed> feed = feeds.rendered(head->username, head->version, host);
    if (!feed) {
        const std::shared_ptr<const RenderedFeed> prior = feeds.lastRendered(head->username, host);
        const FeedShowTimes times = gathered ? FeedShowTimes(*gathered->served()) : FeedShowTimes();
        std::shared_ptr<const RenderedFeed> made = renderFeed(feeds, *head, host, prior.get(), times);
        feeds.keep(head->username, made);
        feed = std::move(made);
    }
    Reply reply{200, "", "text/calendar; charset=utf-8", ""};
    const std::string& etag = feed->etag;
    reply.headers = {{"ETag", etag}, {"Cache-Control", "private, no-cache"}};
    // The stored second rises with every change and may run ahead of the clock after many changes
    // in one second; the header never names a time to come, so a copy dated by it is always older
    // than the next change. A feed that never changed has no date at all.
    const int64_t changed = head->changed;
    if (changed > 0)
        reply.headers.insert(reply.headers.begin() + 1,
                             {"Last-Modified", httpDate(std::min<int64_t>(changed, std::time(nullptr)))});
    const std::optional<int64_t> since = parseHttpDate(ifModifiedSince);
    const bool current =
        !ifNoneMatch.empty() ? matchesEtag(ifNoneMatch, etag) : changed > 0 && since && *since >= changed;
    if (current)
        reply.status = 304;
    else
        reply.body = feed->body;
    return reply;
}

std::string feedTargetForLog(std::string_view target) {
    // The server routes by the decoded path ("/%66eed/…" reaches the feed), and a client may add
    // dot segments or encode twice: the path is judged as fully decoded and normalised.
    const std::string decoded = fullyDecoded(target);
    const std::string path = withoutDotSegments(std::string_view(decoded).substr(0, decoded.find('?')));
    if (path.rfind(kFeedPath, 0) == 0) return std::string(kFeedPath) + "*" + std::string(kFeedSuffix);
    // Anywhere else a run of hex digits as long as half a token is blanked, whatever its encoding.
    std::string blanked = withoutHexRuns(decoded, kTokenHexDigits / 2);
    return blanked == decoded ? std::string(target) : blanked;
}

} // namespace vxs
