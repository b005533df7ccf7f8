#include "plugin/net/web_session.h"

#include "plugin/net/http_fetcher.h"

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
    char uuid[128];
    root->state.getUUID(uuid);
    fetchURL[sizeof fetchURL - 1] = '\0';
    fetchReferer[sizeof fetchReferer - 1] = '\0';
    if (requestBudgetSeconds > 0 && timeoutSeconds > requestBudgetSeconds)
        timeoutSeconds = requestBudgetSeconds;
    const WebRequest request{fetchURL, fetchReferer, services.webServiceHost, uuid, timeoutSeconds};
    http_setCancelCheck(refreshStopped, this);
    const WebFetchResult result = webFetch(request, &fetchPage);
    lastFetch = result;
    http_setCancelCheck(nullptr, nullptr);
    if (const auto valid = webConnectionAfter(result, fetchURL, services.webServiceHost))
        root->state.setValid_internet_connection(*valid);
    return result == WebFetchResult::ok ? 0 : -1;
}
