// The HTTP client's module-wide settings, each thread's last error and the message table.
#include "plugin/net/http_state.h"
#include "plugin/net/http_fetcher.h"

#include "common/fixed_text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <netdb.h>

namespace {

const char* const http_errlist[HTTP_ERR_COUNT] = {
    "Success",
    "Internal Error. What the hell?!",
    "Got NULL url",
    "Timed out, no metadata for %d seconds",
    "Timed out, no data for %d seconds",
    "Couldn't find return code in HTTP response",
    "Couldn't convert return code in HTTP response",
    "Request returned a status code of %d",
    "Couldn't convert Content-Length to integer",
    "Network error (description unavailable)",
    "Status code of %d but no Location: field",
    "Followed the maximum number of redirects (%d)",
    "Stopped by request",
    "Body larger than 16 MiB",
    "Connection closed before the end of the header",
    "Connection closed after %d bytes of the body",
    "Malformed chunked body",
};

constexpr const char* kDefaultUserAgent = "HTTP Fetcher/0.1";

std::mutex stateMutex;

char* userAgent = nullptr;
bool hideUserAgent = false;
bool freeOldAgent = false;
char* referer = nullptr;
bool hideReferer = true;
bool freeOldReferer = false;
int timeout = 30;
int followRedirects = 3;
HttpCancelCheck cancelCheck;

// Per thread, so fetches on several threads each tell their own caller why they failed.
thread_local HttpError lastError = {HTTP_SOURCE_CLIENT, HTTP_ERR_SUCCESS, 0, 0, 0};
thread_local char convertedError[128];

// Replaces one copy-owned text setting; the previous copy goes only once the new one exists.
int replaceText(char*& slot, bool& freeOld, bool& hide, const char* text) {
    char* copy = nullptr;
    if (text) {
        copy = strdup(text);
        if (!copy) return httpFailSystem(ENOMEM);
    }
    std::lock_guard<std::mutex> lock(stateMutex);
    if (freeOld) std::free(slot);
    slot = copy;
    freeOld = copy != nullptr;
    hide = copy == nullptr;
    return 0;
}

// The message of a client error with its first "%d" replaced by errorInt, into convertedError.
const char* formatClientMessage(const HttpError& e) {
    if (e.http_errno < 0 || e.http_errno >= HTTP_ERR_COUNT) return http_errlist[HTTP_ERR_INTERNAL];
    const char* message = http_errlist[e.http_errno];
    const char* mark = std::strstr(message, "%d");
    if (!mark) return message;
    std::snprintf(convertedError, sizeof convertedError, "%.*s%d%s", static_cast<int>(mark - message),
                  message, e.errorInt, mark + 2);
    return convertedError;
}

} // namespace

HttpSettings httpSettingsSnapshot() {
    std::lock_guard<std::mutex> lock(stateMutex);
    HttpSettings s;
    s.sendUserAgent = !hideUserAgent;
    s.userAgent = userAgent ? userAgent : kDefaultUserAgent;
    s.sendReferer = !hideReferer && referer;
    s.referer = referer ? referer : "";
    s.timeout = timeout;
    s.followRedirects = followRedirects;
    s.cancel = cancelCheck;
    return s;
}

HttpCancelCheck httpCancelCheck() {
    std::lock_guard<std::mutex> lock(stateMutex);
    return cancelCheck;
}

int httpFailClient(int index, int errorInt) {
    lastError.errorSource = HTTP_SOURCE_CLIENT;
    lastError.http_errno = index;
    lastError.errorInt = errorInt;
    return -1;
}

int httpFailSystem(int savedErrno) {
    lastError.errorSource = HTTP_SOURCE_SYSTEM;
    lastError.systemErrno = savedErrno;
    errno = savedErrno;
    return -1;
}

int httpFailResolver(int resolverError) {
    lastError.errorSource = HTTP_SOURCE_RESOLVER;
    lastError.resolverError = resolverError;
    return -1;
}

int http_setUserAgent(const char* text) {
    return replaceText(userAgent, freeOldAgent, hideUserAgent, text);
}

int http_setReferer(const char* text) {
    return replaceText(referer, freeOldReferer, hideReferer, text);
}

void http_setTimeout(int seconds) {
    std::lock_guard<std::mutex> lock(stateMutex);
    timeout = seconds;
}

void http_setRedirects(int count) {
    std::lock_guard<std::mutex> lock(stateMutex);
    followRedirects = count;
}

void http_restoreDefaults() {
    std::lock_guard<std::mutex> lock(stateMutex);
    if (freeOldAgent) std::free(userAgent);
    if (freeOldReferer) std::free(referer);
    userAgent = nullptr;
    hideUserAgent = false;
    freeOldAgent = false;
    referer = nullptr;
    hideReferer = true;
    freeOldReferer = false;
    timeout = 30;
    followRedirects = 3;
    cancelCheck = HttpCancelCheck{};
}

void http_setCancelCheck(bool (*check)(void*), void* ctx) {
    std::lock_guard<std::mutex> lock(stateMutex);
    cancelCheck.check = check;
    cancelCheck.ctx = check ? ctx : nullptr;
}

bool http_wasStopped() {
    return lastError.errorSource == HTTP_SOURCE_CLIENT && lastError.http_errno == HTTP_ERR_STOPPED;
}

HttpError http_lastError() {
    return lastError;
}

const char* http_strerror() {
    switch (lastError.errorSource) {
    case HTTP_SOURCE_SYSTEM:
        vx::copyText(convertedError,
                     strerror_r(lastError.systemErrno, convertedError, sizeof convertedError));
        return convertedError;
    case HTTP_SOURCE_RESOLVER:
        return http_errlist[HTTP_ERR_RESOLVER];
    case HTTP_SOURCE_CLIENT:
        return formatClientMessage(lastError);
    default:
        return http_errlist[HTTP_ERR_INTERNAL];
    }
}

void http_perror(const char* prefix) {
    const bool withPrefix = prefix && *prefix;
    switch (lastError.errorSource) {
    case HTTP_SOURCE_SYSTEM:
        errno = lastError.systemErrno;
        std::perror(prefix);
        break;
    case HTTP_SOURCE_RESOLVER:
        // The resolver's own wording, laid out as herror() lays it out.
        std::fprintf(stderr, "%s%s%s\n", withPrefix ? prefix : "", withPrefix ? ": " : "",
                     gai_strerror(lastError.resolverError));
        break;
    case HTTP_SOURCE_CLIENT: {
        const char* message = formatClientMessage(lastError);
        if (message == convertedError)
            std::fprintf(stderr, "%s\n", message);
        else
            std::fprintf(stderr, "%s: %s\n", prefix ? prefix : "", message);
        break;
    }
    default:
        break;
    }
}

int http_parseFilename(const char* url, char** nameOut) {
    if (!url) return httpFailClient(HTTP_ERR_NULL_URL);
    const char* slash = std::strrchr(url, '/');
    if (!slash || slash[1] == '\0') return 1;
    char* copy = strdup(slash + 1);
    if (!copy) return httpFailSystem(ENOMEM);
    if (nameOut)
        *nameOut = copy;
    else
        std::free(copy);
    return 0;
}

void my_init_http_fetch() {}

void my_close_http_fetch() {}

// The client's copies of its texts go with the code that made them, when the host unloads the
// bundle. The low priority runs this after the root's release has joined the update thread.
__attribute__((destructor(101))) static void releaseClientTextsAtUnload() {
    if (freeOldAgent) std::free(userAgent);
    if (freeOldReferer) std::free(referer);
    userAgent = referer = nullptr;
    freeOldAgent = freeOldReferer = false;
}
