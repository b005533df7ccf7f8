#pragma once
// One web exchange of a search step: the engine's web lock is held from writing the request
// until the caller is done with the page, and let go on every way out.
#include "common/fixed_text.h"
#include "plugin/net/web_session.h"

#include <string_view>

class WebExchange {
  public:
    explicit WebExchange(WebSession& engine) : engine_(engine) { engine_.lockInternet(); }
    ~WebExchange() { engine_.unlockInternet(); }
    WebExchange(const WebExchange&) = delete;
    WebExchange& operator=(const WebExchange&) = delete;

    // Writes the request (cut to the exchange area) with an empty referer and fetches it; 0
    // when the page came.
    int fetch(const char* url) {
        vx::copyText(engine_.fetchURL, url);
        engine_.fetchReferer[0] = '\0';
        return engine_.getURL();
    }
    // The last request was answered with a refusal of what it sent.
    bool refused() const { return engine_.lastFetch == WebFetchResult::refused; }
    // The last request was stopped by a newer refresh or the shutdown, not answered.
    bool stopped() const { return engine_.lastFetch == WebFetchResult::stopped; }
    // The page of the last successful request.
    const char* page() const { return engine_.fetchPage ? engine_.fetchPage : ""; }

  private:
    WebSession& engine_;
};
