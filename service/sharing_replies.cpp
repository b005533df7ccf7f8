#include "service/sharing_replies.h"

#include "common/person_names.h"
#include "service/account_rules.h"
#include "service/ordered_query.h"
#include "service/region_codes.h"
#include "service/text_keys.h"

#include <cstdlib>

namespace vxs {
namespace {

// Phone batches run to about a kilobyte in one value.
const QueryLimits kServiceLimits{4096, 32, 2048};
constexpr std::size_t kMaxNearbyUsers = 200;

const std::vector<std::string> kRegisterKeys{"TODO",  "USERNAME",  "UUID",    "CITY",
                                             "STATE", "FIRSTNAME", "LASTNAME"};
const std::vector<std::string> kShowKeys{"TODO", "USERNAME",         "UUID",   "YEAR",  "MONTH",
                                         "DAY",  "TICKETSAVAILABLE", "ARTIST", "VENUE", "LOCATION",
                                         "URL",  "OTHERARTISTS"};
const std::vector<std::string> kShowKeysWithUid = [] {
    std::vector<std::string> keys = kShowKeys;
    keys.push_back("UID");
    return keys;
}();
const std::vector<std::string> kShowKeysWithStatus = [] {
    std::vector<std::string> keys = kShowKeysWithUid;
    keys.push_back("STATUS");
    return keys;
}();
const std::vector<std::string> kEndSharingKeys{"TODO", "UUID"};
const std::vector<std::string> kFriendsKeys{"TODO", "USERNAME", "UUID", "FRIENDS"};
const std::vector<std::string> kPhoneRegisterKeys{"TODO", "USERNAME", "UUID", "PWD"};
const std::vector<std::string> kPhoneUploadKeys{"TODO", "USERNAME", "PWD", "ARTISTS"};
const std::vector<std::string> kPhoneListKeys{"TODO", "USERNAME", "PWD"};

Reply okReply(const std::string& text) {
    return Reply{200, text + "\n", "text/plain", ""};
}

// Text inside a reply record: no tags, no line breaks, no field separator.
std::string recordText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '<' || c == '>') continue;
        if (c == '@' && !out.empty() && out.back() == '@') continue;
        out += (c == '\n' || c == '\r') ? ' ' : c;
    }
    return out;
}

bool parseNumber(const std::string& text, int lo, int hi, int* out) {
    if (text.empty() || text.size() > 6) return false;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < lo || v > hi) return false;
    *out = static_cast<int>(v);
    return true;
}

Reply showRequest(std::string_view target, SharingStore& store, bool add) {
    std::map<std::string, std::string> v;
    std::string error;
    // UID and then STATUS come last and only from newer clients.
    if (!parseOrderedQuery(target, kShowKeysWithStatus, kServiceLimits, &v, &error) &&
        !parseOrderedQuery(target, kShowKeysWithUid, kServiceLimits, &v, &error) &&
        !parseOrderedQuery(target, kShowKeys, kServiceLimits, &v, &error))
        return errorReply(400, error);
    SharedShow show;
    show.uid = v["UID"];
    if (show.uid.size() > 255 || show.uid.find_first_of("\r\n") != std::string::npos)
        return errorReply(400, "UID is not a UID");
    if (!v["STATUS"].empty() && v["STATUS"] != "CANCELLED")
        return errorReply(400, "STATUS is CANCELLED or empty");
    show.cancelled = v["STATUS"] == "CANCELLED";
    if (!parseNumber(v["YEAR"], 1900, 2999, &show.year) || !parseNumber(v["MONTH"], 1, 12, &show.month) ||
        !parseNumber(v["DAY"], 1, 31, &show.day))
        return errorReply(400, "YEAR, MONTH and DAY must be a date");
    show.tickets = v["TICKETSAVAILABLE"] == "1";
    show.artist = v["ARTIST"];
    show.venue = v["VENUE"];
    show.location = v["LOCATION"];
    show.url = v["URL"];
    show.otherArtists = v["OTHERARTISTS"];
    if (show.artist.empty()) return errorReply(400, "ARTIST is empty");
    // A longer text than the plug-in keeps only makes every reply of the account longer.
    if (add && !showTextsFit(show))
        return errorReply(400, "ARTIST, VENUE, LOCATION and URL hold at most 255 bytes, OTHERARTISTS 1023");
    // NUL would cut a text short in one store and not in another: no store takes it.
    for (const std::string* text :
         {&show.uid, &show.artist, &show.venue, &show.location, &show.url, &show.otherArtists})
        if (!storableText(*text)) return errorReply(400, "a show's text holds NUL");
    const std::optional<std::string> name = accountName(v["USERNAME"]);
    if (!name || !store.ownsAccount(*name, v["UUID"]))
        return okReply("VoxtrailError: unknown user or installation");
    if (!add) {
        store.deleteShow(*name, show);
        return okReply("Show deleted.");
    }
    if (!store.addShow(*name, show)) return okReply("VoxtrailError: too many shared shows");
    return okReply("Show added.");
}

// Sent by the installer before it deletes the installation's data, and by the plug-in when its
// user turns sharing off.
Reply endSharingRequest(std::string_view target, SharingStore& store) {
    std::map<std::string, std::string> v;
    std::string error;
    if (!parseOrderedQuery(target, kEndSharingKeys, kServiceLimits, &v, &error))
        return errorReply(400, error);
    if (v["UUID"].empty()) return errorReply(400, "UUID is required");
    const EndedSharing ended = store.endSharing(v["UUID"]);
    return okReply("Sharing ended: " + std::to_string(ended.shows) + " shows removed from " +
                   std::to_string(ended.accounts) + " accounts.");
}

// The friends the installation's sharing account follows, in batches of names joined by "@@": the
// first batch replaces what was sent before, the next ones add to it.
Reply friendsRequest(std::string_view target, SharingStore& store, bool replace) {
    std::map<std::string, std::string> v;
    std::string error;
    if (!parseOrderedQuery(target, kFriendsKeys, kServiceLimits, &v, &error)) return errorReply(400, error);
    std::vector<std::string> names;
    const std::string& batch = v["FRIENDS"];
    for (std::size_t start = 0; start < batch.size();) {
        const std::size_t sep = batch.find("@@", start);
        names.push_back(batch.substr(start, sep == std::string::npos ? std::string::npos : sep - start));
        if (sep == std::string::npos) break;
        start = sep + 2;
    }
    const std::optional<std::string> name = accountName(v["USERNAME"]);
    if (!name || !store.setFriends(*name, v["UUID"], names, replace))
        return okReply("VoxtrailError: unknown user or installation");
    return okReply("Friends kept.");
}

const char* kNameRule = "USERNAME (1 to 63 letters, digits and blanks) and UUID are required";

Reply registerRequest(std::string_view target, SharingStore& store, const std::string& client) {
    std::map<std::string, std::string> v;
    std::string error;
    if (!parseOrderedQuery(target, kRegisterKeys, kServiceLimits, &v, &error)) return errorReply(400, error);
    const std::optional<std::string> name = accountName(v["USERNAME"]);
    if (!name || v["UUID"].empty()) return errorReply(400, kNameRule);
    SharingUser user{*name, v["FIRSTNAME"], v["LASTNAME"], v["CITY"], v["STATE"]};
    for (const std::string* text : {&user.firstName, &user.lastName, &user.city, &user.state})
        if (!storableText(*text)) return errorReply(400, "a text holds NUL");
    // The plug-in's rule for names, checked again: a name here is shown to other users.
    for (const std::string* name : {&user.firstName, &user.lastName})
        if (const auto refused = vx::firstRefusedNameCharacter(*name))
            return errorReply(400, "FIRSTNAME and LASTNAME hold letters, digits, blanks, apostrophes and "
                                   "hyphens only, not " +
                                       vx::describeNameCharacter(*name, *refused));
    switch (store.registerUser(user, v["UUID"], client)) {
    case Registration::Created:
    case Registration::Updated:
        return okReply("Registered.");
    case Registration::Taken:
        return okReply("VoxtrailError: that user name is taken");
    case Registration::Full:
        return okReply("VoxtrailError: this installation has registered as many users as it may");
    case Registration::Busy:
        return okReply("VoxtrailError: too many new users from this address; try again in a minute");
    default:
        return errorReply(500, "the account could not be stored");
    }
}

Reply displayShows(const std::string& username, SharingStore& store) {
    if (!store.userExists(username)) return okReply("VoxtrailError: no such user");
    Reply reply;
    for (SharedShow& s : store.shows(username)) {
        boundShowTexts(&s); // a show kept before the bound
        // The reader drops the event text's last character: the line feed before "</event>".
        reply.body += "<event>" + std::to_string(s.year) + "@@" + std::to_string(s.month) + "@@" +
                      std::to_string(s.day) + "@@" + (s.tickets ? "1" : "0") + "@@" + recordText(s.artist) +
                      "@@" + recordText(s.venue) + "@@" + recordText(s.location) + "@@" + recordText(s.url) +
                      "@@" + recordText(s.otherArtists) + "\n</event>\n";
    }
    if (reply.body.empty()) reply.body = "No shared shows.\n";
    return reply;
}

Reply nearbyUsers(const std::string& city, const std::string& state, SharingStore& store) {
    Reply reply;
    std::size_t listed = 0;
    for (const SharingUser& u : store.users()) {
        if (listed >= kMaxNearbyUsers) break;
        if (placeKey(u.city).empty() || placeKey(u.city) != placeKey(city) || !sameRegion(u.state, state))
            continue;
        reply.body += "<entry><USERNAME>" + recordText(u.username) + "</USERNAME><FIRSTNAME>" +
                      recordText(u.firstName) + "</FIRSTNAME><LASTNAME>" + recordText(u.lastName) +
                      "</LASTNAME><CITY>" + recordText(u.city) + "</CITY><STATE>" + recordText(u.state) +
                      "</STATE></entry>\n";
        ++listed;
    }
    if (reply.body.empty()) reply.body = "No users share from there.\n";
    return reply;
}

} // namespace

bool sameRegion(const std::string& a, const std::string& b) {
    if (placeKey(a) == placeKey(b)) return !placeKey(a).empty();
    for (RegionTable table : {RegionTable::Location, RegionTable::Search}) {
        auto ra = resolveRegion(a, table), rb = resolveRegion(b, table);
        if (ra && rb && *ra == *rb) return true;
    }
    return false;
}

Reply sharingReply(std::string_view target, SharingStore& store, const std::string& client) {
    Query q;
    std::string error;
    if (!q.parse(target, kServiceLimits, &error)) return errorReply(400, error);
    const std::string* todo = q.get("TODO");
    if (!todo) return errorReply(400, "TODO is required");
    if (*todo == "ADD_SHOW" || *todo == "DELETE_SHOW") return showRequest(target, store, *todo == "ADD_SHOW");
    if (*todo == "INITIALIZE_USER") return registerRequest(target, store, client);
    if (*todo == "REMOVE_INSTALLATION") return endSharingRequest(target, store);
    if (*todo == "SET_FRIENDS" || *todo == "ADD_FRIENDS")
        return friendsRequest(target, store, *todo == "SET_FRIENDS");
    const std::string* username = q.get("USERNAME");
    if (*todo == "USER_EXISTS" || *todo == "DISPLAY_USER_SHOWS") {
        if (!username || username->empty()) return errorReply(400, "USERNAME is required");
        const std::optional<std::string> name = accountName(*username);
        if (!name) return okReply("VoxtrailError: no such user");
        if (*todo == "DISPLAY_USER_SHOWS") return displayShows(*name, store);
        return store.userExists(*name) ? okReply("User found.") : okReply("VoxtrailError: no such user");
    }
    if (*todo == "GETLOCALUSERS") {
        const std::string* city = q.get("CITY");
        const std::string* state = q.get("STATE");
        if (!city || !state) return errorReply(400, "CITY and STATE are required");
        return nearbyUsers(*city, *state, store);
    }
    return errorReply(400, "unknown TODO for sharing");
}

Reply phoneReply(std::string_view target, SharingStore& store, const std::string& client) {
    Query q;
    std::string error;
    if (!q.parse(target, kServiceLimits, &error)) return errorReply(400, error);
    const std::string* todo = q.get("TODO");
    if (!todo) return errorReply(400, "TODO is required");
    std::map<std::string, std::string> v;
    if (*todo == "INITIALIZE_USER") {
        if (!parseOrderedQuery(target, kPhoneRegisterKeys, kServiceLimits, &v, &error))
            return errorReply(400, error);
        const std::optional<std::string> name = accountName(v["USERNAME"]);
        if (!name || v["UUID"].empty()) return errorReply(400, kNameRule);
        if (!acceptablePassword(v["PWD"]))
            return okReply("<ERROR>The password must not be empty or hold control characters</ERROR>");
        switch (store.registerPhone(*name, v["UUID"], v["PWD"], client)) {
        case Registration::Created:
        case Registration::Updated:
            return okReply("<OK>Registered</OK>");
        case Registration::Taken:
            return okReply("<ERROR>Username already taken</ERROR>");
        case Registration::Full:
            return okReply("<ERROR>This installation has registered as many users as it may</ERROR>");
        case Registration::Busy:
            return okReply("<ERROR>Too many new users from this address; try again in a minute</ERROR>");
        case Registration::Throttled:
            return okReply("<ERROR>Too many wrong passwords; try again later</ERROR>");
        default:
            return errorReply(500, "the account could not be stored");
        }
    }
    if (*todo == "ADD_ARTISTS" || *todo == "LIST_ARTISTS") {
        const auto& keys = *todo == "ADD_ARTISTS" ? kPhoneUploadKeys : kPhoneListKeys;
        if (!parseOrderedQuery(target, keys, kServiceLimits, &v, &error)) return errorReply(400, error);
        const std::optional<std::string> name = accountName(v["USERNAME"]);
        const SignIn signIn = name && acceptablePassword(v["PWD"])
                                  ? store.phoneSignIn(*name, v["PWD"], client)
                                  : SignIn::Refused;
        if (signIn == SignIn::Throttled)
            return okReply("<ERROR>Too many wrong passwords; try again later</ERROR>");
        if (signIn != SignIn::Accepted) return okReply("<ERROR>Wrong user name or password</ERROR>");
        if (*todo == "LIST_ARTISTS") {
            Reply reply;
            for (const std::string& a : store.phoneArtists(*name))
                reply.body += "<artist>" + recordText(a) + "</artist>\n";
            return reply;
        }
        std::vector<std::string> names;
        const std::string& batch = v["ARTISTS"];
        for (std::size_t start = 0; start <= batch.size();) {
            std::size_t sep = batch.find("@@", start);
            std::string name =
                batch.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
            if (!name.empty() && name.size() <= 255 && storableText(name)) names.push_back(name);
            if (sep == std::string::npos) break;
            start = sep + 2;
        }
        int added = store.addPhoneArtists(*name, names);
        return okReply("<OK>" + std::to_string(added) + " artists added</OK>");
    }
    return errorReply(400, "unknown TODO for the phone service");
}

} // namespace vxs
