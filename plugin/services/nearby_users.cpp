#include "plugin/services/nearby_users.h"

#include "common/fixed_text.h"
#include "plugin/model/text_helpers.h"
#include "plugin/net/web_fetch.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

template <std::size_t N> void tagValue(char (&dst)[N], std::string_view entry, std::string_view tag) {
    const std::string open = "<" + std::string(tag) + ">";
    const std::string close = "</" + std::string(tag) + ">";
    dst[0] = '\0';
    const std::size_t at = entry.find(open);
    if (at == std::string_view::npos) return;
    const std::size_t from = at + open.size();
    const std::size_t end = entry.find(close, from);
    if (end == std::string_view::npos) return;
    const std::string value(entry.substr(from, std::min(end - from, N - 1)));
    vx::copyText(dst, value.c_str());
}

template <std::size_t N> void queryValueOf(char (&dst)[N], const char* text) {
    vx::copyText(dst, text);
    escapeQueryValue(dst, N);
}

} // namespace

void nearbyUsersRequestURL(char* url, std::size_t capacity, const char* serviceHost, const char* city,
                           const char* state) {
    char cityValue[256], stateValue[256];
    queryValueOf(cityValue, city);
    queryValueOf(stateValue, state);
    char query[kFetchURLCapacity];
    std::snprintf(query, sizeof query, "/sharing/sharing.php?TODO=GETLOCALUSERS&CITY=%s&STATE=%s", cityValue,
                  stateValue);
    webServiceURL(url, capacity, serviceHost, query);
}

int getNearbyFriends(WebSession& web) {
    char city[256], state[256];
    web.root->state.getCurCity(city);
    web.root->state.getCurState(state);
    web.fetchReferer[0] = '\0';
    nearbyUsersRequestURL(web.fetchURL, sizeof web.fetchURL, web.services.webServiceHost, city, state);
    return web.getURL() == 0 ? 0 : 2;
}

std::vector<SHARER> readNearbyUsers(const char* reply) {
    std::vector<SHARER> sharers;
    if (!reply) return sharers;
    const std::string_view page(reply);
    constexpr std::string_view kEnd = "</entry>";
    std::size_t start = 0;
    for (std::size_t end; (end = page.find(kEnd, start)) != std::string_view::npos;
         start = end + kEnd.size()) {
        const std::string_view entry = page.substr(start, end - start);
        SHARER& s = sharers.emplace_back();
        tagValue(s.username, entry, "USERNAME");
        tagValue(s.firstname, entry, "FIRSTNAME");
        tagValue(s.lastname, entry, "LASTNAME");
        tagValue(s.city, entry, "CITY");
        tagValue(s.state, entry, "STATE");
    }
    return sharers;
}
