// Seam: the account requests of the sharing and phone client, as small as the window needs them,
// until that client is built; then this file goes and account_requests.h points at the client.
#include "plugin/prefs/account_requests.h"

#include "plugin/model/text_helpers.h"

#include <cstring>
#include <mutex>
#include <string>

namespace {

// Blanks as '+', nothing else escaped; a reply holding refusal means refused.
int request(WebSession& web, const std::string& pathAndQuery, const char* refusal) {
    std::lock_guard<std::recursive_mutex> hold(web.webLock);
    web.fetchReferer[0] = '\0';
    webServiceURL(web.fetchURL, sizeof web.fetchURL, web.services.webServiceHost, pathAndQuery.c_str());
    replaceSpacesWithPluses(web.fetchURL);
    if (web.getURL() != 0) return 2;
    return web.fetchPage && std::strstr(web.fetchPage, refusal) ? 1 : 0;
}

} // namespace

int checkIfUserExists(WebSession& web, const char* name) {
    return request(web, std::string("/sharing/sharing.php?TODO=USER_EXISTS&USERNAME=") + name, "Error");
}

int initializeSharing(WebSession& web) {
    ProtectedData& st = web.root->state;
    char user[64], uuid[128], city[256], state[256], first[256], last[256];
    st.getUsername(user);
    st.getUUID(uuid);
    st.getCurCity(city);
    st.getCurState(state);
    st.getFirstname(first);
    st.getLastname(last);
    return request(web,
                   std::string("/sharing/sharing.php?TODO=INITIALIZE_USER&USERNAME=") + user +
                       "&UUID=" + uuid + "&CITY=" + city + "&STATE=" + state + "&FIRSTNAME=" + first +
                       "&LASTNAME=" + last,
                   "Error");
}

int iPhoneSync_Initialize(WebSession& web) {
    ProtectedData& st = web.root->state;
    char user[64], uuid[128], password[64];
    st.getUsername(user);
    st.getUUID(uuid);
    st.getPassword(password);
    return request(web,
                   std::string("/iphone/exchange.php?TODO=INITIALIZE_USER&USERNAME=") + user +
                       "&UUID=" + uuid + "&PWD=" + password,
                   "<ERROR>");
}
