#pragma once
// One GET of a source with libcurl: conditional on what the last answer said, compressed when the
// server offers, within a redirect limit, a body cap and a deadline. One fetcher holds one
// connection cache, so a thread fetching many pages of one host reuses its connections.
#include <atomic>
#include <memory>
#include <string>

namespace vxs {

struct FetchLimits {
    std::size_t maxBytes = 16u << 20;
    long deadlineMs = 60000;
    long maxRedirects = 5;
    std::string userAgent = "voxtrail-service/2.9";
};

// What makes the next request conditional.
struct Validators {
    std::string etag, lastModified;
};

struct FetchResult {
    enum class Outcome { Body, NotModified, Failed };
    Outcome outcome = Outcome::Failed;
    long status = 0;
    std::string body;
    Validators validators;
    std::string error; // why it failed
};

class SourceFetcher {
  public:
    SourceFetcher();
    ~SourceFetcher();
    SourceFetcher(const SourceFetcher&) = delete;
    SourceFetcher& operator=(const SourceFetcher&) = delete;

    // stop, when set during the fetch, ends it as failed.
    FetchResult fetch(const std::string& url, const Validators& known, const FetchLimits& limits,
                      const std::atomic<bool>* stop = nullptr);

  private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

// The host of an http(s) URL, lower case ("example.org:8080"), for rate limits.
std::string urlHost(const std::string& url);

} // namespace vxs
