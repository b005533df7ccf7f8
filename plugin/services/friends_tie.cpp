#include "plugin/services/friends_tie.h"

#include "plugin/net/query_escape.h"
#include "plugin/net/web_exchange.h"
#include "plugin/services/calendar_sharing.h"
#include "plugin/services/phone_sync.h"

std::vector<std::string> friendsTieRequests(const char* serviceHost, const char* username, const char* uuid,
                                            const std::vector<std::string>& friends) {
    const std::string head =
        std::string("http://") + (serviceHost ? serviceHost : "") + "/sharing/sharing.php?TODO=";
    const std::string tail = "&USERNAME=" + queryValue(username) + "&UUID=" + queryValue(uuid) + "&FRIENDS=";
    const std::size_t longest = head.size() + std::string("SET_FRIENDS").size() + tail.size();
    const std::size_t room = kFetchURLCapacity - 1 > longest ? kFetchURLCapacity - 1 - longest : 0;
    std::vector<std::string> requests;
    for (const PhoneBatch& batch : phoneBatches(friends, room))
        requests.push_back(head + (requests.empty() ? "SET_FRIENDS" : "ADD_FRIENDS") + tail + batch.text);
    if (requests.empty()) requests.push_back(head + "SET_FRIENDS" + tail);
    return requests;
}

int tellServiceFriends(WebSession& session) {
    PluginData* root = session.root;
    ProtectedData& st = root->state;
    if (!st.getSharing()) return 0;
    std::vector<std::string> names;
    if (st.getiPhoneSync() && root->friends) {
        std::lock_guard<ListMutex> hold(root->friends->mutex);
        for (FRIENDNAME* n = root->friends->head; n; n = n->next)
            names.emplace_back(n->name);
    }
    char user[64], uuid[128];
    st.getUsername(user);
    st.getUUID(uuid);
    for (const std::string& request :
         friendsTieRequests(session.services.webServiceHost, user, uuid, names)) {
        if (session.stopRequested()) return 2;
        WebExchange web(session);
        char url[kFetchURLCapacity];
        copyRequest(url, sizeof url, request);
        if (web.fetch(url) != 0) return 2;
        // Refused, or an older service that knows no such request: the rest would be too.
        if (sharingRefused(web.page())) return 1;
    }
    return 0;
}
