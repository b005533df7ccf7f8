#pragma once
// The one way the plug-in fetches a page: the client is set up for the request (user agent,
// referer, time-out), the page replaces the previous one, and the outcome tells the caller
// whether the internet connection is still to be trusted.
#include <cstddef>
#include <optional>

#include "plugin/net/query_escape.h"

constexpr int kProgramMajorVersion = 2;
constexpr int kProgramMinorVersion = 9;
// Longest wait for data of one web request, in seconds.
constexpr int kWebTimeoutSeconds = 60;
// The whole budget of the version check, which holds the host thread at start-up: a service
// that accepts and then stalls costs the player this long, and its late answer is dropped.
constexpr int kVersionCheckSeconds = 3;
constexpr std::size_t kFetchURLCapacity = 1024;
constexpr std::size_t kUserAgentCapacity = 128;

// refused: the server answered "400 Bad Request", so the connection works but a value sent was
// not accepted.
enum class WebFetchResult { ok, stopped, failed, refused };

struct WebRequest {
    const char* url;         // fetchURL
    const char* referer;     // fetchReferer
    const char* serviceHost; // the web service host with its port, as in "127.0.0.1:8460"
    const char* uuid;        // the installation's UUID text
    int timeoutSeconds = kWebTimeoutSeconds;
    // Polled while the fetch waits; true ends it as stopped. None waits to the end.
    bool (*stop)(void*) = nullptr;
    void* stopContext = nullptr;
};

// "http://" host pathAndQuery into url (capacity bytes), cut to capacity - 1.
void webServiceURL(char* url, std::size_t capacity, const char* host, const char* pathAndQuery);

// The User-Agent text of a request: "version:2.9 uuid:<uuid>" for the version check on the
// service host, empty for every other address.
void webUserAgentFor(const char* url, const char* serviceHost, const char* uuid,
                     char (&agent)[kUserAgentCapacity]);

// Fetches request.url with settings of its own, so several threads may fetch at once. On ok the new page
// replaces *page (the previous one is freed); otherwise *page is left as it was. A failure, but not a stop,
// is written to standard error.
WebFetchResult webFetch(const WebRequest& request, char** page);

// The valid-internet-connection flag after a fetch: true (also after a refusal, which the server
// answered), false, or unchanged (none) after a stop and after a successful fetch of the service
// host's "/current_version.html".
std::optional<bool> webConnectionAfter(WebFetchResult result, const char* url, const char* serviceHost);
