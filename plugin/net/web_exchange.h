#pragma once
// One web exchange of a search step: the engine's web lock is held from writing the request
// until the caller is done with the page, and let go on every way out. An exchange with a page
// of its own takes no lock, so searches of several places fetch at once.
#include "common/fixed_text.h"
#include "plugin/net/web_session.h"

#include <cstdlib>
#include <string_view>

class WebExchange {
  public:
    enum class Area { shared, own };
    explicit WebExchange(WebSession& engine, Area area = Area::shared)
        : engine_(engine), own_(area == Area::own) {
        if (!own_) engine_.lockInternet();
    }
    ~WebExchange() {
        if (own_)
            std::free(ownPage_);
        else
            engine_.unlockInternet();
    }
    WebExchange(const WebExchange&) = delete;
    WebExchange& operator=(const WebExchange&) = delete;

    // Writes the request (cut to the exchange area) with an empty referer and fetches it; 0
    // when the page came.
    int fetch(const char* url) {
        if (own_) {
            ownResult_ = engine_.fetchInto(url, &ownPage_);
            return ownResult_ == WebFetchResult::ok ? 0 : -1;
        }
        vx::copyText(engine_.fetchURL, url);
        engine_.fetchReferer[0] = '\0';
        return engine_.getURL();
    }
    // The last request was answered with a refusal of what it sent.
    bool refused() const { return result() == WebFetchResult::refused; }
    // The last request was stopped by a newer refresh or the shutdown, not answered.
    bool stopped() const { return result() == WebFetchResult::stopped; }
    // The page of the last successful request.
    const char* page() const {
        const char* page = own_ ? ownPage_ : engine_.fetchPage;
        return page ? page : "";
    }

  private:
    WebFetchResult result() const { return own_ ? ownResult_ : engine_.lastFetch; }

    WebSession& engine_;
    const bool own_;
    char* ownPage_ = nullptr;
    WebFetchResult ownResult_ = WebFetchResult::ok;
};
