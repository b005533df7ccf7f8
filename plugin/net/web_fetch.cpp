#include "plugin/net/web_fetch.h"

#include "common/fixed_text.h"
#include "plugin/net/http_fetcher.h"
#include "plugin/net/http_state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string serviceAddress(const char* serviceHost, const char* path) {
    return std::string("http://") + (serviceHost ? serviceHost : "") + path;
}

} // namespace

void webServiceURL(char* url, std::size_t capacity, const char* host, const char* pathAndQuery) {
    vx::copyText(url, capacity, serviceAddress(host, pathAndQuery ? pathAndQuery : "").c_str());
}

void webUserAgentFor(const char* url, const char* serviceHost, const char* uuid,
                     char (&agent)[kUserAgentCapacity]) {
    agent[0] = '\0';
    const std::string versionCheck = serviceAddress(serviceHost, "/current_version");
    if (!url || std::strncmp(url, versionCheck.c_str(), versionCheck.size()) != 0) return;
    std::snprintf(agent, sizeof agent, "version:%d.%d uuid:%s", kProgramMajorVersion, kProgramMinorVersion,
                  uuid ? uuid : "");
}

WebFetchResult webFetch(const WebRequest& request, char** page) {
    char agent[kUserAgentCapacity];
    webUserAgentFor(request.url, request.serviceHost, request.uuid, agent);
    // Settings of the request's own: fetches on several threads do not take each other's.
    HttpSettings settings = httpSettingsSnapshot();
    settings.sendUserAgent = true;
    settings.userAgent = agent;
    settings.sendReferer = true;
    settings.referer = request.referer ? request.referer : "";
    settings.timeout = request.timeoutSeconds;
    settings.cancel = {request.stop, request.stopContext};
    char* fetched = nullptr;
    if (http_fetchWith(request.url, settings, &fetched) >= 0) {
        std::free(*page);
        *page = fetched;
        return WebFetchResult::ok;
    }
    if (http_wasStopped()) return WebFetchResult::stopped;
    http_perror("http_fetch");
    const HttpError error = http_lastError();
    if (error.errorSource == HTTP_SOURCE_CLIENT && error.http_errno == HTTP_ERR_STATUS &&
        error.errorInt == 400)
        return WebFetchResult::refused;
    return WebFetchResult::failed;
}

std::optional<bool> webConnectionAfter(WebFetchResult result, const char* url, const char* serviceHost) {
    switch (result) {
    case WebFetchResult::ok:
        // The static version page says nothing about the service being reachable.
        if (url && serviceAddress(serviceHost, "/current_version.html") == url) return std::nullopt;
        return true;
    case WebFetchResult::refused:
        return true;
    case WebFetchResult::failed:
        return false;
    case WebFetchResult::stopped:
        break;
    }
    return std::nullopt;
}
