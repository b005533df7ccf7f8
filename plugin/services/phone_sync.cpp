#include "plugin/services/phone_sync.h"

#include "plugin/net/query_escape.h"
#include "plugin/net/web_exchange.h"
#include "plugin/services/calendar_sharing.h"
#include "plugin/services/phone_artists.h"

#include <cstring>

XML_Artist_List all_artists;

namespace {

constexpr const char* kPhonePath = "/iphone/exchange.php";

std::string phoneAddress(const char* serviceHost) {
    return std::string("http://") + (serviceHost ? serviceHost : "") + kPhonePath;
}

std::vector<std::string> namesOf(XML_Artist_List& list) {
    std::vector<std::string> names;
    std::lock_guard<ListMutex> hold(list.mutex);
    names.reserve(list.size());
    for (XMLARTIST* a = list.head; a; a = a->next)
        names.emplace_back(a->name);
    return names;
}

} // namespace

std::string phoneRegisterRequest(const char* serviceHost, const char* username, const char* uuid,
                                 const char* password) {
    return phoneAddress(serviceHost) + "?TODO=INITIALIZE_USER&USERNAME=" + queryValue(username) +
           "&UUID=" + queryValue(uuid) + "&PWD=" + queryValue(password);
}

std::string phoneUploadPrefix(const char* serviceHost, const char* username, const char* password) {
    return phoneAddress(serviceHost) + "?TODO=ADD_ARTISTS&USERNAME=" + queryValue(username) +
           "&PWD=" + queryValue(password) + "&ARTISTS=";
}

std::vector<PhoneBatch> phoneBatches(const std::vector<std::string>& names, std::size_t room) {
    std::vector<PhoneBatch> batches;
    PhoneBatch batch;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string name = queryValue(names[i]);
        if (batch.names > 0) {
            // A name that would push the request past its room starts the next batch.
            if (batch.text.size() + 2 + name.size() > room) {
                batches.push_back(std::move(batch));
                batch = PhoneBatch{};
            } else {
                batch.text += "@@";
            }
        }
        batch.text += name;
        ++batch.names;
        if (batch.text.size() > kPhoneBatchLength || i + 1 == names.size()) {
            batches.push_back(std::move(batch));
            batch = PhoneBatch{};
        }
    }
    return batches;
}

int iPhoneSync_Initialize(WebSession& session) {
    ProtectedData& st = session.root->state;
    char user[64], uuid[128], password[64];
    st.getUsername(user);
    st.getUUID(uuid);
    st.getPassword(password);
    WebExchange web(session);
    char url[kFetchURLCapacity];
    copyRequest(url, sizeof url, phoneRegisterRequest(session.services.webServiceHost, user, uuid, password));
    if (web.fetch(url) != 0) return 2;
    return std::strstr(web.page(), "<ERROR>") ? 1 : 0;
}

int iPhoneSync_addAllArtists(WebSession& session) {
    PluginData* root = session.root;
    ProtectedData& st = root->state;
    if (!st.getiPhoneSync()) return 0;
    st.setUpdatingiPhone(true);
    st.setUpdatingProgress(0.0);

    switch (iPhoneSync_Initialize(session)) {
    case 1:
        postUsernameTakenAlert();
        return 1;
    case 2:
        return 1;
    default:
        break;
    }
    st.incUpdatingProgress(10.0);
    root->redraw();

    char user[64], password[64];
    st.getUsername(user);
    st.getPassword(password);
    GetFullArtistList(st, all_artists);
    const std::vector<std::string> names = namesOf(all_artists);
    const std::string prefix = phoneUploadPrefix(session.services.webServiceHost, user, password);
    const std::size_t room =
        kFetchURLCapacity - 1 > prefix.size() ? kFetchURLCapacity - 1 - prefix.size() : 0;
    const std::vector<PhoneBatch> batches = phoneBatches(names, room);

    for (std::size_t b = 0; b < batches.size(); ++b) {
        if (session.stopRequested()) return 1;
        {
            WebExchange web(session);
            char url[kFetchURLCapacity];
            copyRequest(url, sizeof url, prefix + batches[b].text);
            // The upload's reply says nothing the step uses; only a lost fetch ends it.
            if (web.fetch(url) != 0) return 1;
        }
        if (b + 1 < batches.size())
            st.incUpdatingProgress(static_cast<double>(batches[b].names) / static_cast<double>(names.size()) *
                                   90.0);
        else
            st.setUpdatingProgress(100.0);
        root->redraw();
    }
    st.setUpdatingiPhone(false);
    root->redraw();
    return 0;
}
