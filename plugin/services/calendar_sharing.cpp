#include "plugin/services/calendar_sharing.h"

#include "common/fixed_text.h"
#include "platform/host_services.h"
#include "plugin/model/show_copy.h"
#include "plugin/net/query_escape.h"
#include "plugin/net/web_exchange.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr const char* kSharingPath = "/sharing/sharing.php";

std::string sharingAddress(const char* serviceHost) {
    return std::string("http://") + (serviceHost ? serviceHost : "") + kSharingPath;
}

// The common request step: 0 accepted, 1 refused, 2 fetch failed (or stopped, when asked).
int sharingExchange(WebSession& session, const std::string& request, bool* stopped = nullptr) {
    WebExchange web(session);
    char url[kFetchURLCapacity];
    copyRequest(url, sizeof url, request);
    if (web.fetch(url) != 0) {
        if (stopped) *stopped = web.stopped();
        return kSharingFetchFailed;
    }
    return sharingRefused(web.page()) ? kSharingRefused : kSharingDone;
}

} // namespace

int shareSingleShow(WebSession& web, const SHOWENTRY* show, bool add, bool* stopped) {
    if (stopped) *stopped = false;
    if (!show) return 0;
    const char* todo = add ? "ADD_SHOW" : "DELETE_SHOW";
    ProtectedData& st = web.root->state;
    st.setUpdatingShared(true);
    st.setUpdatingProgress(0.0);
    char user[64], uuid[128];
    st.getUsername(user);
    st.getUUID(uuid);
    const int result = sharingExchange(
        web, sharedShowRequest(web.services.webServiceHost, todo, user, uuid, *show), stopped);
    if (result == kSharingDone) st.incUpdatingProgress(100.0);
    st.setUpdatingShared(false);
    return result == kSharingDone ? 1 : 0;
}

namespace {

void showUsernameTakenAlert(void*) {
    vx::hostShowAlert("Username already taken.",
                      "Sorry, that username is already taken.  Please try a new name for your calendar.",
                      "OK", nullptr);
}

} // namespace

std::unique_ptr<SHOWENTRY> copyShowForSharing(const SHOWENTRY& e) {
    std::unique_ptr<SHOWENTRY> copy(newShowLike(e));
    vx::copyText(copy->uid, e.uid);
    copy->selected = e.selected;
    copy->cancelled = e.cancelled;
    copy->sequence = e.sequence;
    return copy;
}

bool sharingRefused(const char* reply) {
    return reply && std::strstr(reply, "Error") != nullptr;
}

std::string userExistsRequest(const char* serviceHost, const char* username) {
    return sharingAddress(serviceHost) + "?TODO=USER_EXISTS&USERNAME=" + queryValue(username ? username : "");
}

std::string initializeUserRequest(const char* serviceHost, ProtectedData& st) {
    char user[64], uuid[128], city[256], state[256], first[256], last[256];
    st.getUsername(user);
    st.getUUID(uuid);
    st.getCurCity(city);
    st.getCurState(state);
    st.getFirstname(first);
    st.getLastname(last);
    return sharingAddress(serviceHost) + "?TODO=INITIALIZE_USER&USERNAME=" + queryValue(user) +
           "&UUID=" + queryValue(uuid) + "&CITY=" + queryValue(city) + "&STATE=" + queryValue(state) +
           "&FIRSTNAME=" + queryValue(first) + "&LASTNAME=" + queryValue(last);
}

std::string sharedShowRequest(const char* serviceHost, const char* todo, const char* username,
                              const char* uuid, const SHOWENTRY& s) {
    return sharingAddress(serviceHost) + "?TODO=" + todo + "&USERNAME=" + queryValue(username) +
           "&UUID=" + queryValue(uuid) + "&YEAR=" + std::to_string(s.year) +
           "&MONTH=" + std::to_string(s.month) + "&DAY=" + std::to_string(s.day) +
           "&TICKETSAVAILABLE=" + (s.ticketsAvailable ? "1" : "0") + "&ARTIST=" + queryValue(s.artist) +
           "&VENUE=" + queryValue(s.venue) + "&LOCATION=" + queryValue(s.location) +
           "&URL=" + queryValue(s.url) + "&OTHERARTISTS=" + queryValue(s.otherArtists) +
           // Last, so older services that read up to OTHERARTISTS still take the request; the
           // service's feed gives the show the UID the exports give it.
           (s.uid[0] ? "&UID=" + queryValue(s.uid) : std::string()) +
           // A cancelled show stays in the feed, marked so.
           (s.uid[0] && s.cancelled ? "&STATUS=CANCELLED" : "");
}

std::string endSharingRequest(const char* serviceHost, const char* uuid) {
    return sharingAddress(serviceHost) + "?TODO=REMOVE_INSTALLATION&UUID=" + queryValue(uuid ? uuid : "");
}

int endInstallationSharing(WebSession& web) {
    char uuid[128];
    web.root->state.getUUID(uuid);
    return sharingExchange(web, endSharingRequest(web.services.webServiceHost, uuid));
}

int checkIfUserExists(WebSession& web, const char* username) {
    return sharingExchange(web, userExistsRequest(web.services.webServiceHost, username));
}

int initializeSharing(WebSession& web) {
    return sharingExchange(web, initializeUserRequest(web.services.webServiceHost, web.root->state));
}

int addSharedShows(WebSession& web) {
    PluginData* root = web.root;
    ProtectedData& st = root->state;
    st.setUpdatingShared(true);
    st.setUpdatingProgress(0.0);
    char user[64], uuid[128];
    st.getUsername(user);
    st.getUUID(uuid);

    std::vector<std::unique_ptr<SHOWENTRY>> shows;
    if (SHOWLIST* concerts = root->concerts) {
        std::lock_guard<SHOWLIST> walk(*concerts);
        for (SHOWENTRY* e = concerts->head; e; e = e->next)
            shows.push_back(copyShowForSharing(*e));
    }
    const double step = shows.empty() ? 0.0 : 100.0 / static_cast<double>(shows.size());
    for (const auto& show : shows) {
        // A stopped step leaves no status behind: the next refresh sends everything again.
        if (web.stopRequested()) break;
        if (show->selected || st.getShareAllShows()) {
            const std::string request =
                sharedShowRequest(web.services.webServiceHost, "ADD_SHOW", user, uuid, *show);
            if (sharingExchange(web, request) != kSharingDone) break;
            root->redraw();
        }
        st.incUpdatingProgress(step);
    }
    st.setUpdatingShared(false);
    root->redraw();
    return 0;
}

int shareUserCalendar(WebSession& web) {
    if (!web.root->state.getSharing()) return 0;
    switch (initializeSharing(web)) {
    case kSharingRefused:
        postUsernameTakenAlert();
        break;
    case kSharingDone:
        addSharedShows(web);
        break;
    default:
        break;
    }
    return 0;
}

int addSingleSharedShow(WebSession& web, SHOWENTRY* show) {
    return shareSingleShow(web, show, true, nullptr);
}

int deleteSingleSharedShow(WebSession& web, SHOWENTRY* show) {
    return shareSingleShow(web, show, false, nullptr);
}

void postUsernameTakenAlert() {
    // The update thread never waits for the host thread, which may be joining it.
    if (!vx::hostPostToHostThread(vx::guarded<"username alert", showUsernameTakenAlert>(), nullptr))
        std::fprintf(stderr, "Voxtrail: that username is already taken; please try a new name.\n");
}

int requestFeedAddress(WebSession& session, bool rotate, std::string& url) {
    ProtectedData& st = session.root->state;
    char user[64], uuid[128];
    st.getUsername(user);
    st.getUUID(uuid);
    const std::string request = sharingAddress(session.services.webServiceHost) +
                                (rotate ? "?TODO=FEED_ROTATE" : "?TODO=FEED_URL") +
                                "&USERNAME=" + queryValue(user) + "&UUID=" + queryValue(uuid);
    WebExchange web(session);
    char address[kFetchURLCapacity];
    copyRequest(address, sizeof address, request);
    if (web.fetch(address) != 0) return kSharingFetchFailed;
    const std::string page = web.page();
    const std::size_t open = page.find("<FEED>"), close = page.find("</FEED>");
    if (sharingRefused(page.c_str()) || open == std::string::npos || close == std::string::npos ||
        close < open)
        return kSharingRefused;
    url = page.substr(open + 6, close - open - 6);
    // Only an address of the form the service gives is shown: nothing else of the reply.
    if (url.rfind("http://", 0) != 0 || url.size() > 512 ||
        url.find_first_of(" \t\r\n\"<>") != std::string::npos)
        return kSharingRefused;
    return kSharingDone;
}
