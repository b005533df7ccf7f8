#include "plugin/net/web_session.h"

#include <cstdlib>

namespace {
// A fetch ends within a fraction of a second once a newer refresh or the shutdown asks for it,
// so the host thread never waits on a slow server when it joins the update thread.
bool refreshStopped(void* session) {
    return static_cast<WebSession*>(session)->stopRequested();
}
} // namespace

WebSession::~WebSession() {
    std::free(fetchPage);
}

int WebSession::getURL(int timeoutSeconds) {
    // The budget is set and read under the web lock; fetches outside it keep their own time-out.
    if (requestBudgetSeconds > 0 && timeoutSeconds > requestBudgetSeconds)
        timeoutSeconds = requestBudgetSeconds;
    fetchURL[sizeof fetchURL - 1] = '\0';
    fetchReferer[sizeof fetchReferer - 1] = '\0';
    lastFetch = fetchWith(fetchURL, fetchReferer, &fetchPage, timeoutSeconds, true);
    return lastFetch == WebFetchResult::ok ? 0 : -1;
}

WebFetchResult WebSession::fetchInto(const char* url, char** page, int timeoutSeconds) {
    // A trip's fetches run beside home's search: which of them ended last must not decide
    // whether the refresh was connected.
    return fetchWith(url, "", page, timeoutSeconds, false);
}

WebFetchResult WebSession::fetchWith(const char* url, const char* referer, char** page, int timeoutSeconds,
                                     bool tellsConnection) {
    char uuid[128];
    root->state.getUUID(uuid);
    WebRequest request{url, referer, services.webServiceHost, uuid, timeoutSeconds};
    request.stop = refreshStopped;
    request.stopContext = this;
    const WebFetchResult result = webFetch(request, page);
    if (const auto valid = webConnectionAfter(result, url, services.webServiceHost); valid && tellsConnection)
        root->state.setValid_internet_connection(*valid);
    return result;
}
