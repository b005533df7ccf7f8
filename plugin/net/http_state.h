#pragma once
// Inside the HTTP client: a fetch takes one copy of the settings when it starts, so a setter
// called meanwhile cannot change a request halfway; errors are recorded through these calls.
#include <string>

struct HttpCancelCheck {
    bool (*check)(void*) = nullptr;
    void* ctx = nullptr;
    bool stopRequested() const { return check && check(ctx); }
};

struct HttpSettings {
    bool sendUserAgent = true;
    std::string userAgent; // the text sent when sendUserAgent
    bool sendReferer = false;
    std::string referer;
    int timeout = 30;
    int followRedirects = 3;
    HttpCancelCheck cancel;
};

HttpSettings httpSettingsSnapshot();
HttpCancelCheck httpCancelCheck();

// Each records the error and returns -1, so failure paths read "return httpFailX(...)".
int httpFailClient(int index, int errorInt = 0);
int httpFailSystem(int savedErrno);
int httpFailResolver(int resolverError);
