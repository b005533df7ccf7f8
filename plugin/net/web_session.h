#pragma once
// The web exchange area: the request, its referer and the last page, with the lock that makes
// every web exchange of the plug-in sequential across threads. The update engine is one.
#include "plugin/model/plugin_data.h"
#include "plugin/net/service_hosts.h"
#include "plugin/net/web_fetch.h"

#include <mutex>

class WebSession {
  public:
    explicit WebSession(PluginData* root) : root(root) {}
    ~WebSession();
    WebSession(const WebSession&) = delete;
    WebSession& operator=(const WebSession&) = delete;

    PluginData* root;
    std::recursive_mutex webLock;
    char* fetchPage = nullptr; // reply of the last successful web request; owned here
    char fetchURL[kFetchURLCapacity] = {};
    char fetchReferer[kFetchURLCapacity] = {};
    // Where the web service and the IP-location page are; read at start-up.
    ServiceHosts services = defaultServiceHosts();

    void lockInternet() { webLock.lock(); }
    void unlockInternet() { webLock.unlock(); }

    // Fetches fetchURL into fetchPage; 0 on success (callers hold the web lock). A newer refresh
    // or the shutdown stops it within a fraction of a second; the whole exchange ends within
    // timeoutSeconds.
    int getURL(int timeoutSeconds = kWebTimeoutSeconds);
    // Fetches url into *page (the previous one freed on success) outside the exchange area, with
    // no referer: several threads may call it at once, without the web lock. It leaves the
    // connection flag to getURL's fetches, which run one at a time.
    WebFetchResult fetchInto(const char* url, char** page, int timeoutSeconds = kWebTimeoutSeconds);
    // While above 0, no getURL waits longer than this many seconds: the preferences window's
    // requests hold the host thread, which a stalled service must not keep for a minute. Set and
    // read under the web lock; fetchInto, which takes no lock, does not read it.
    int requestBudgetSeconds = 0;
    // How the last getURL ended; a refusal is told apart from a lost connection.
    WebFetchResult lastFetch = WebFetchResult::ok;
    // True when a running refresh must stop.
    bool stopRequested() { return root->stopRequested(); }

  private:
    WebFetchResult fetchWith(const char* url, const char* referer, char** page, int timeoutSeconds,
                             bool tellsConnection);
};
