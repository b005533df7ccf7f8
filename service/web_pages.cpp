#include "service/web_pages.h"

#include "service/album_releases.h"
#include "service/concert_sources.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace vxs {
namespace {

Reply htmlPage(const std::string& title, const std::string& body, int status = 200) {
    return Reply{status,
                 "<html><head><title>" + htmlEscape(title) + "</title></head><body>\n<h1>" +
                     htmlEscape(title) + "</h1>\n" + body + "</body></html>\n",
                 "text/html", ""};
}

std::string showDate(const CivilDate& d) {
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s %d, %d", months[(d.month + 11) % 12], d.day, d.year);
    return buf;
}

// Only these schemes open a page; "javascript:", "data:" and the like would run on this origin.
bool webLink(const std::string& link) {
    std::string scheme;
    for (char c : link.substr(0, std::min<std::size_t>(link.find(':'), 6)))
        scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return (scheme == "http" || scheme == "https") && link.compare(scheme.size(), 3, "://") == 0;
}

} // namespace

std::string htmlEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

Reply clickThrough(std::string_view target, const std::string& host) {
    // The plug-in appends the show's link unescaped, so everything behind "target=" is the link.
    std::size_t at = target.find("?target=");
    if (at == std::string_view::npos) return errorReply(400, "target is required");
    std::string link = decodeQueryText(target.substr(at + 8));
    if (link.empty() || link.size() > 1024) return errorReply(400, "target must be a link");
    std::string own = "http://" + host + "/";
    if (link.rfind(own, 0) == 0 && link.find_first_of("\r\n") == std::string::npos) {
        Reply r = htmlPage("Moved", "<p><a href=\"" + htmlEscape(link) + "\">Continue</a></p>\n", 302);
        r.location = link;
        return r;
    }
    if (!webLink(link))
        return htmlPage("Leaving Voxtrail",
                        "<p>This show's link is not a web page:</p>\n<p>" + htmlEscape(link) + "</p>\n");
    return htmlPage("Leaving Voxtrail", "<p>This show is listed on another site:</p>\n<p><a href=\"" +
                                            htmlEscape(link) + "\">" + htmlEscape(link) + "</a></p>\n");
}

Reply eventPage(int source, const std::string& idHex, ServiceData& data) {
    char* end = nullptr;
    unsigned long long id = std::strtoull(idHex.c_str(), &end, 16);
    if (idHex.empty() || idHex.size() > 16 || *end != '\0') return errorReply(404, "no such show");
    auto events = data.events->events();
    for (const Event& e : *events) {
        if (e.id != id || !listedBySource(e, source)) continue;
        const Venue& v = data.venues->venues()[e.venue];
        std::string bill;
        for (std::size_t p : e.performers)
            bill += "<li>" + htmlEscape(data.catalogue.artists()[p].name) + "</li>\n";
        const SourceInfo& info = sourceInfo(source);
        std::string body = "<p>" + htmlEscape(showDate(e.date)) + " at " + htmlEscape(v.name) + ", " +
                           htmlEscape(v.city->name) + "</p>\n<ul>\n" + bill + "</ul>\n";
        if (info.ticketsForSale) body += "<p><a href=\"#buy\">Buy tickets</a></p>\n";
        return htmlPage(data.catalogue.artists()[e.performers[0]].name + " on " + info.name, body);
    }
    return errorReply(404, "no such show");
}

Reply releaseClickThrough(const Query& query, ServiceData& data) {
    const std::string* asin = query.get("ASIN");
    if (!asin || asin->empty()) return errorReply(400, "ASIN is required");
    std::vector<Release> releases = generateReleases(data.catalogue, data.events->today());
    const Release* r = findRelease(releases, *asin);
    if (!r) return errorReply(404, "no such release");
    std::string formats;
    for (const std::string& f : r->formats)
        formats += (formats.empty() ? "" : ", ") + f;
    std::string near;
    if (const std::string* city = query.get("CITY"); city && !city->empty()) near = " near " + *city;
    return htmlPage(data.catalogue.artists()[r->artist].name + ": " + r->title,
                    "<p>Out " + htmlEscape(showDate(r->date)) + " (" + htmlEscape(formats) +
                        ").</p>\n<p>Find it in a store" + htmlEscape(near) + ".</p>\n");
}

Reply downloadPage(const VersionAnnouncement& version) {
    char v[32];
    std::snprintf(v, sizeof v, "%d.%d", version.major, version.minor);
    return htmlPage(std::string("Voxtrail ") + v + " for Mac OS X",
                    std::string("<p><a href=\"/download/Voxtrail-") + v + ".dmg\">Download Voxtrail " + v +
                        "</a></p>\n");
}

Reply productPage(std::string_view path, const VersionAnnouncement& version) {
    char v[32];
    std::snprintf(v, sizeof v, "%d.%d", version.major, version.minor);
    const std::string download =
        std::string("<p><a href=\"/download/download_mac_redirect.php\">Download Voxtrail ") + v +
        "</a> for your music player.</p>\n";
    if (path == "/")
        return htmlPage(std::string("Voxtrail ") + v,
                        "<p>A concert calendar of the artists in your music library, near the place you "
                        "choose.</p>\n" +
                            download +
                            "<ul>\n<li><a href=\"/iphone.php\">Voxtrail for iPhone</a></li>\n"
                            "<li><a href=\"/android.php\">Voxtrail for Android</a></li>\n"
                            "<li><a href=\"/donations.php\">Support Voxtrail</a></li>\n</ul>\n");
    if (path == "/iphone.php" || path == "/iphonelink.php" || path == "/android.php") {
        const std::string phone = path == "/android.php" ? "Android" : "iPhone";
        return htmlPage(
            "Voxtrail for " + phone,
            "<p>Your library's concerts on your " + phone +
                ". Turn on phone sync in Voxtrail's preferences and sign in on the phone with the "
                "same user name and password.</p>\n<p><a href=\"/\">Voxtrail home</a></p>\n");
    }
    if (path == "/donations.php")
        return htmlPage("Support Voxtrail",
                        "<p>Voxtrail is free. If it found you a concert you enjoyed, a donation keeps the "
                        "service running.</p>\n<p><a href=\"/\">Voxtrail home</a></p>\n");
    return errorReply(404, "no such page");
}

} // namespace vxs
