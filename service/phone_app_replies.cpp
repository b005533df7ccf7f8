#include "service/phone_app_replies.h"

#include "service/account_rules.h"
#include "service/civil_date.h"
#include "service/feed_replies.h"
#include "service/feed_token.h"
#include "service/json_text.h"
#include "service/phone_app_assets.h"
#include "service/phone_app_shows.h"
#include "service/query_params.h"

#include <openssl/crypto.h>

#include <cstdlib>
#include <map>

namespace vxs {
namespace {

constexpr const char* kSessionCookie = "vx_session";
constexpr const char* kSignInCookie = "vx_signin";
constexpr const char* kAppPath = "/app/";
const QueryLimits kFormLimits{4096, 16, 1024};
constexpr long kDefaultRadius = 50;
// Friends' shows listed at most; the app lists them all at once.
constexpr std::size_t kMostFriendShows = 500;

const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};

const char* kPolicy = "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
                      "connect-src 'self'; manifest-src 'self'; worker-src 'self'; form-action 'self'; "
                      "base-uri 'none'; frame-ancestors 'none'";

// The headers every answer of the app carries.
Reply withAppHeaders(Reply reply, const char* cache) {
    reply.headers.emplace_back("Content-Security-Policy", kPolicy);
    reply.headers.emplace_back("X-Content-Type-Options", "nosniff");
    reply.headers.emplace_back("Referrer-Policy", "no-referrer");
    reply.headers.emplace_back("X-Frame-Options", "DENY");
    reply.headers.emplace_back("Cache-Control", cache);
    return reply;
}

Reply json(int status, std::string body) {
    return withAppHeaders(Reply{status, std::move(body) + "\n", "application/json; charset=utf-8", ""},
                          "no-store");
}

Reply jsonError(int status, const std::string& message) {
    return json(status, "{\"error\":" + jsonQuoted(message) + "}");
}

std::string cookieValue(const std::string& header, std::string_view name) {
    std::string_view rest = header;
    while (!rest.empty()) {
        const std::size_t semi = rest.find(';');
        std::string_view pair = rest.substr(0, semi);
        rest.remove_prefix(semi == std::string_view::npos ? rest.size() : semi + 1);
        while (!pair.empty() && pair.front() == ' ')
            pair.remove_prefix(1);
        if (pair.size() > name.size() && pair.substr(0, name.size()) == name && pair[name.size()] == '=')
            return std::string(pair.substr(name.size() + 1));
    }
    return "";
}

std::string cookie(const AppRequest& r, const char* name, const std::string& value, long maxAge,
                   const char* sameSite) {
    return std::string(name) + "=" + value + "; Path=/app/; Max-Age=" + std::to_string(maxAge) +
           "; HttpOnly; SameSite=" + sameSite + (r.secure ? "; Secure" : "");
}

// The sign-in form's token as this service makes them: 32 lower-case hex digits.
bool wellFormedSignInToken(const std::string& text) {
    return text.size() == 32 && wellFormedSessionToken(text + text);
}

bool sameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && !a.empty() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

// A post must come from a page of this service: its Origin (or, without one, its Referer) names
// this host.
bool sameOrigin(const AppRequest& r) {
    const std::string mine[] = {"http://" + r.host, "https://" + r.host};
    if (!r.origin.empty()) return r.origin == mine[0] || r.origin == mine[1];
    for (const std::string& m : mine)
        if (r.referer.rfind(m + "/", 0) == 0) return true;
    return false;
}

std::optional<PhoneSession> sessionOf(const AppRequest& r, PhoneAppStore& store) {
    const std::string token = cookieValue(r.cookie, kSessionCookie);
    if (!wellFormedSessionToken(token)) return std::nullopt;
    return store.session(token);
}

std::string date(const SharedShow& s) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", s.year, s.month, s.day);
    return text;
}

std::string showJson(const std::string& key, const SharedShow& s, const std::string& time, bool starred) {
    return "{\"key\":" + jsonQuoted(key) + ",\"date\":" + jsonQuoted(date(s)) +
           ",\"time\":" + jsonQuoted(time) + ",\"artist\":" + jsonQuoted(s.artist) +
           ",\"venue\":" + jsonQuoted(s.venue) + ",\"city\":" + jsonQuoted(s.location) +
           ",\"others\":" + jsonQuoted(s.otherArtists) + ",\"url\":" + jsonQuoted(s.url) +
           ",\"tickets\":" + (s.tickets ? "true" : "false") + ",\"starred\":" + (starred ? "true" : "false") +
           "}";
}

// Shows in date order, grouped by month: [{"label":"December 2026","shows":[…]}, …].
template <typename Shows, typename ShowOf, typename JsonOf>
std::string monthsJson(const Shows& shows, ShowOf showOf, JsonOf jsonOf) {
    std::string out = "[";
    int year = 0, month = 0;
    for (const auto& item : shows) {
        const SharedShow& s = showOf(item);
        if (s.year != year || s.month != month) {
            if (year != 0) out += "]},";
            year = s.year, month = s.month;
            out += "{\"label\":" +
                   jsonQuoted(std::string(kMonthNames[(month + 11) % 12]) + " " + std::to_string(year)) +
                   ",\"shows\":[";
        } else {
            out += ",";
        }
        out += jsonOf(item);
    }
    if (year != 0) out += "]}";
    return out + "]";
}

// The tied sharing account's friends' shows from today on, wherever they are: a friend's show is
// where the friend goes, as the plug-in's friends' list shows it, and its place is the text the
// friend's plug-in sent, which no radius can be measured from. null when the account is not tied.
std::string friendsJson(const PhoneSession& s, ServiceData& data) {
    if (!data.sharing->phoneTiedToSharing(s.username)) return "null";
    const CivilDate today = localToday();
    const std::vector<FriendShow> shows = data.sharing->tiedFriendShows(
        s.username, today.year * 10000 + today.month * 100 + today.day, kMostFriendShows);
    return monthsJson(
        shows, [](const FriendShow& f) -> const SharedShow& { return f.show; },
        [](const FriendShow& f) {
            std::string names = "[";
            for (std::size_t i = 0; i < f.friends.size(); ++i)
                names += (i ? "," : "") + jsonQuoted(f.friends[i]);
            std::string show = showJson("", f.show, "", false);
            show.back() = ',';
            return show + "\"friends\":" + names + "]}";
        });
}

Reply sessionReply(const AppRequest& r, PhoneAppStore& store) {
    if (const auto s = sessionOf(r, store))
        return json(200, "{\"signedIn\":true,\"username\":" + jsonQuoted(s->username) +
                             ",\"csrf\":" + jsonQuoted(s->csrf) + "}");
    // The sign-in form's token: the same value in a cookie only this site can set.
    std::string pre = cookieValue(r.cookie, kSignInCookie);
    Reply reply;
    if (!wellFormedSignInToken(pre)) {
        pre = randomHex(16);
        if (pre.empty()) return jsonError(503, "no random numbers; try again");
    }
    reply = json(200, "{\"signedIn\":false,\"csrf\":" + jsonQuoted(pre) + "}");
    reply.headers.emplace_back("Set-Cookie", cookie(r, kSignInCookie, pre, 3600, "Strict"));
    return reply;
}

Reply signInReply(const AppRequest& r, const Query& form, ServiceData& data) {
    const std::string pre = cookieValue(r.cookie, kSignInCookie);
    const std::string* csrf = form.get("csrf");
    if (!csrf || !wellFormedSignInToken(pre) || !sameText(*csrf, pre))
        return jsonError(403, "the form is stale; reload the page");
    const std::string* username = form.get("username");
    const std::string* password = form.get("password");
    const std::optional<std::string> name = username ? accountName(*username) : std::nullopt;
    const SignIn result = name && password && acceptablePassword(*password)
                              ? data.sharing->phoneSignIn(*name, *password, r.client)
                              : SignIn::Refused;
    if (result == SignIn::Throttled) {
        Reply reply = jsonError(429, "Too many wrong passwords; try again in a minute.");
        reply.headers.emplace_back("Retry-After", "60");
        return reply;
    }
    if (result != SignIn::Accepted) return jsonError(401, "Wrong user name or password.");
    const auto opened = data.phoneApp->openSession(*name);
    if (!opened) return jsonError(503, "no random numbers; try again");
    Reply reply = json(200, "{\"signedIn\":true,\"username\":" + jsonQuoted(*name) +
                                ",\"csrf\":" + jsonQuoted(opened->second.csrf) + "}");
    reply.headers.emplace_back("Set-Cookie", cookie(r, kSessionCookie, opened->first,
                                                    static_cast<long>(kSessionLifetime.count()), "Lax"));
    reply.headers.emplace_back("Set-Cookie", cookie(r, kSignInCookie, "", 0, "Strict"));
    return reply;
}

Reply showsReply(const AppRequest& r, const PhoneSession& s, ServiceData& data) {
    Query q;
    std::string error;
    if (!q.parse(r.target, kFormLimits, &error)) return jsonError(400, error);
    long radius = kDefaultRadius;
    if (const std::string* text = q.get("radius"); text && !text->empty()) {
        char* end = nullptr;
        radius = std::strtol(text->c_str(), &end, 10);
        if (*end != '\0' || text->size() > 6 || radius < 1)
            return jsonError(400, "The radius is a number of miles.");
    }
    std::optional<PlaceCentre> centre;
    const std::string* lat = q.get("lat");
    const std::string* lon = q.get("lon");
    if (lat && lon) {
        char* endLat = nullptr;
        char* endLon = nullptr;
        const double la = std::strtod(lat->c_str(), &endLat), lo = std::strtod(lon->c_str(), &endLon);
        if (!lat->empty() && !lon->empty() && *endLat == '\0' && *endLon == '\0')
            centre = locatedPlace(la, lo, data.cities);
    } else if (const std::string* place = q.get("place")) {
        centre = typedPlace(*place, data.cities);
    }
    if (!centre) return jsonError(404, "No such place; type a city and its region, as \"Boston, MA\".");
    const std::vector<std::string> artists = data.sharing->phoneArtists(s.username);
    const std::vector<AppShow> shows = showsNear(*centre, radius, artists, data, r.host);
    std::map<std::string, bool> starred;
    const std::vector<StarredShow> stars = data.phoneApp->stars(s.username);
    for (const StarredShow& star : stars)
        starred[star.key] = true;
    std::string names = "[";
    for (std::size_t i = 0; i < artists.size() && i < 500; ++i)
        names += (i ? "," : "") + jsonQuoted(artists[i]);
    names += "]";
    auto show = [](const auto& item) -> const SharedShow& { return item.show; };
    auto listed = [&](const AppShow& item) {
        return showJson(item.key, item.show, item.time, starred.count(item.key) > 0);
    };
    // A star keeps the day only, as the feed lists it.
    auto starredJson = [](const StarredShow& item) { return showJson(item.key, item.show, "", true); };
    return json(200, "{\"place\":" + jsonQuoted(centre->name) + ",\"radius\":" + std::to_string(radius) +
                         ",\"artistCount\":" + std::to_string(artists.size()) + ",\"artists\":" + names +
                         ",\"months\":" + monthsJson(shows, show, listed) + ",\"starred\":" +
                         monthsJson(stars, show, starredJson) + ",\"friends\":" + friendsJson(s, data) + "}");
}

Reply starReply(const AppRequest& r, const Query& form, const PhoneSession& s, ServiceData& data) {
    const std::string* key = form.get("show");
    const std::string* on = form.get("on");
    if (!key || key->size() > 300) return jsonError(400, "Which show?");
    if (on && *on == "0") {
        data.phoneApp->unstar(s.username, *key);
        return json(200, "{\"starred\":false}");
    }
    const std::optional<AppShow> show = showByKey(*key, data, r.host);
    if (!show) return jsonError(404, "That show is no longer listed.");
    if (!data.phoneApp->star(s.username, StarredShow{show->key, show->show, "", 0}))
        return jsonError(409, "You have starred as many shows as you may.");
    return json(200, "{\"starred\":true}");
}

Reply feedAddressReply(const AppRequest& r, const PhoneSession& s, ServiceData& data) {
    const std::string token = data.phoneApp->feedToken(s.username);
    if (token.empty()) return jsonError(503, "No feed address could be made.");
    const std::string path = r.host + "/app/feed/" + token + ".ics";
    return json(200, "{\"webcal\":" + jsonQuoted("webcal://" + path) +
                         ",\"https\":" + jsonQuoted((r.secure ? "https://" : "http://") + path) + "}");
}

Reply feedReply(const AppRequest& r, ServiceData& data) {
    std::string_view name = std::string_view(r.path).substr(std::string_view("/app/feed/").size());
    if (name.size() < 5 || name.substr(name.size() - 4) != ".ics") return errorReply(404, "no such feed");
    name.remove_suffix(4);
    const std::optional<FeedHead> head = data.phoneApp->feedHead(name);
    if (!head) return errorReply(404, "no such feed");
    FeedContent content{*head, {}};
    for (const StarredShow& star : data.phoneApp->stars(head->username))
        content.shows.push_back(FeedShow{star.show, star.uid, 0, star.changed});
    const std::string body = feedCalendar(
        content, r.host, data.gathered ? FeedShowTimes(*data.gathered->served()) : FeedShowTimes());
    const std::string etag = "\"" + sha256Hex(body).substr(0, 32) + "\"";
    Reply reply{200, "", "text/calendar; charset=utf-8", ""};
    reply.headers = {{"ETag", etag}, {"Cache-Control", "private, no-cache"}};
    if (!r.ifNoneMatch.empty() && matchesEtag(r.ifNoneMatch, etag))
        reply.status = 304;
    else
        reply.body = body;
    return reply;
}

Reply assetReply(const AppRequest& r) {
    std::string_view name = std::string_view(r.path).substr(std::string_view(kAppPath).size());
    if (name.empty()) name = "index.html";
    const AppAsset* asset = findAppAsset(name);
    if (!asset) return withAppHeaders(errorReply(404, "no such page"), "no-store");
    Reply reply{200, std::string(reinterpret_cast<const char*>(asset->data), asset->size), asset->type, ""};
    // The shell is checked at every load (the service worker keeps it for offline use); icons keep a day.
    reply = withAppHeaders(std::move(reply), asset->longLived ? "public, max-age=86400" : "no-cache");
    if (name == "sw.js") reply.headers.emplace_back("Service-Worker-Allowed", kAppPath);
    return reply;
}

} // namespace

Reply phoneAppReply(const AppRequest& r, ServiceData& data) {
    if (r.path == "/app") return Reply{301, "", "text/plain", kAppPath};
    if (r.path.rfind(kAppPath, 0) != 0) return withAppHeaders(errorReply(404, "no such page"), "no-store");
    if (r.path.rfind("/app/feed/", 0) == 0 && r.method == "GET") return feedReply(r, data);
    if (r.path.rfind("/app/api/", 0) != 0) {
        if (r.method != "GET") return jsonError(405, "only GET");
        return assetReply(r);
    }
    const std::string action = r.path.substr(std::string_view("/app/api/").size());
    if (r.method == "GET" && action == "session") return sessionReply(r, *data.phoneApp);
    if (r.method == "POST") {
        if (!sameOrigin(r)) return jsonError(403, "a form of another site");
        Query form;
        std::string error;
        if (!form.parse("?" + r.body, kFormLimits, &error)) return jsonError(400, error);
        if (action == "signin") return signInReply(r, form, data);
        const std::optional<PhoneSession> s = sessionOf(r, *data.phoneApp);
        if (!s) return jsonError(401, "Please sign in.");
        const std::string* csrf = form.get("csrf");
        if (!csrf || !sameText(*csrf, s->csrf)) return jsonError(403, "the form is stale; reload the page");
        if (action == "signout") {
            data.phoneApp->closeSession(cookieValue(r.cookie, kSessionCookie));
            Reply reply = json(200, "{\"signedIn\":false}");
            reply.headers.emplace_back("Set-Cookie", cookie(r, kSessionCookie, "", 0, "Lax"));
            return reply;
        }
        if (action == "star") return starReply(r, form, *s, data);
        return jsonError(404, "no such action");
    }
    if (r.method != "GET") return jsonError(405, "only GET and POST");
    const std::optional<PhoneSession> s = sessionOf(r, *data.phoneApp);
    if (!s) return jsonError(401, "Please sign in.");
    if (action == "shows") return showsReply(r, *s, data);
    if (action == "feed") return feedAddressReply(r, *s, data);
    return jsonError(404, "no such action");
}

} // namespace vxs
