#include "service/feed_replies.h"

#include "common/ical_event.h"
#include "service/feed_token.h"
#include "service/ordered_query.h"
#include "service/query_params.h"

#include <ctime>

namespace vxs {
namespace {

const std::vector<std::string> kFeedKeys{"TODO", "USERNAME", "UUID"};
const QueryLimits kFeedLimits{1024, 8, 255};
constexpr std::string_view kFeedPath = "/feed/";
constexpr std::string_view kFeedSuffix = ".ics";

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

// Whether an If-None-Match list names etag (or is "*").
bool matchesEtag(const std::string& header, const std::string& etag) {
    if (header.find('*') != std::string::npos) return true;
    for (std::size_t at = header.find(etag); at != std::string::npos; at = header.find(etag, at + 1))
        if (at < 2 || header.compare(at - 2, 2, "W/") != 0) return true;
    return false;
}

} // namespace

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

std::string feedCalendar(const FeedContent& feed, const std::string& host) {
    vx::ical::CalendarFields calendar;
    calendar.prodid = "-//Voxtrail//Voxtrail service//EN";
    calendar.name = "Voxtrail: " + feed.head.username;
    calendar.refreshHours = kFeedRefreshHours;
    const std::string clickThrough = "http://" + host + "/clickthrough.php?target=";
    std::string text = vx::ical::calendarHead(calendar);
    // Room for every event at once: a feed of thousands of shows is megabytes.
    text.reserve(text.size() + feed.shows.size() * 512 + vx::ical::kCalendarEnd.size());
    for (const FeedShow& f : feed.shows) {
        const SharedShow& s = f.show;
        vx::ical::EventFields e;
        e.uid = f.uid;
        e.sequence = f.sequence;
        e.status = s.cancelled ? "CANCELLED" : "CONFIRMED";
        e.year = s.year, e.month = s.month, e.day = s.day;
        e.dtstamp = f.changed > 0 ? f.changed : 1;
        e.summary = s.artist;
        e.location = vx::ical::showLocation(s.venue, s.location);
        e.url = clickThrough + s.url;
        e.description = vx::ical::showNotes(s.artist, s.otherArtists, "", s.tickets);
        vx::ical::appendEventText(text, e);
    }
    return text += vx::ical::kCalendarEnd;
}

Reply feedReply(std::string_view name, FeedStore& feeds, const std::string& host,
                const std::string& ifNoneMatch, const std::string& ifModifiedSince) {
    // Every name is looked up, so a wrong one is answered as fast as a right one.
    std::string_view token = name;
    if (token.size() >= kFeedSuffix.size() && token.substr(token.size() - kFeedSuffix.size()) == kFeedSuffix)
        token.remove_suffix(kFeedSuffix.size());
    const std::optional<FeedHead> head = feeds.head(token);
    if (!head || name.size() == token.size()) return errorReply(404, "no such feed");

    std::shared_ptr<const RenderedFeed> feed = feeds.rendered(head->username, head->version, host);
    if (!feed) {
        auto made = std::make_shared<RenderedFeed>();
        made->version = head->version;
        made->host = host;
        made->body = feedCalendar(feeds.content(*head), host);
        made->etag = "\"" + sha256Hex(made->body).substr(0, 32) + "\"";
        feeds.keep(head->username, made);
        feed = std::move(made);
    }
    Reply reply{200, "", "text/calendar; charset=utf-8", ""};
    const std::string& etag = feed->etag;
    const int64_t changed = head->changed > 0 ? head->changed : 1;
    reply.headers = {
        {"ETag", etag}, {"Last-Modified", httpDate(changed)}, {"Cache-Control", "private, no-cache"}};
    const std::optional<int64_t> since = parseHttpDate(ifModifiedSince);
    const bool current = !ifNoneMatch.empty() ? matchesEtag(ifNoneMatch, etag) : since && *since >= changed;
    if (current)
        reply.status = 304;
    else
        reply.body = feed->body;
    return reply;
}

std::string feedTargetForLog(std::string_view target) {
    if (target.substr(0, kFeedPath.size()) != kFeedPath) return std::string(target);
    return std::string(kFeedPath) + "*" + std::string(kFeedSuffix);
}

} // namespace vxs
