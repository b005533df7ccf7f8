#include "service/gather/source_fetch.h"

#include <curl/curl.h>

#include <cctype>
#include <mutex>

namespace vxs {
namespace {

struct Transfer {
    std::string* body;
    std::size_t maxBytes;
    bool tooLarge = false;
    Validators validators;
    const std::atomic<bool>* stop;
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (t->body->size() + bytes > t->maxBytes) {
        t->tooLarge = true;
        return 0; // ends the transfer
    }
    t->body->append(data, bytes);
    return bytes;
}

std::string headerValue(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() || line[name.size()] != ':') return {};
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(line[i])) != name[i]) return {};
    std::string_view value = line.substr(name.size() + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' '))
        value.remove_suffix(1);
    return std::string(value.substr(0, 512));
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::string_view line(data, size * count);
    // Each answer of a redirect chain starts with its status line: only the last one's count.
    if (line.starts_with("HTTP/")) t->validators = {};
    if (std::string v = headerValue(line, "etag"); !v.empty()) t->validators.etag = v;
    if (std::string v = headerValue(line, "last-modified"); !v.empty()) t->validators.lastModified = v;
    return size * count;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    return t->stop && t->stop->load() ? 1 : 0;
}

struct SlistFree {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

} // namespace

struct SourceFetcher::Handle {
    CURL* curl = nullptr;
};

SourceFetcher::SourceFetcher() : handle_(std::make_unique<Handle>()) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    handle_->curl = curl_easy_init();
}

SourceFetcher::~SourceFetcher() {
    if (handle_->curl) curl_easy_cleanup(handle_->curl);
}

FetchResult SourceFetcher::fetch(const std::string& url, const Validators& known, const FetchLimits& limits,
                                 const std::atomic<bool>* stop) {
    FetchResult result;
    CURL* curl = handle_->curl;
    if (!curl) {
        result.error = "libcurl did not start";
        return result;
    }
    curl_easy_reset(curl); // keeps the connection cache
    Transfer transfer{&result.body, limits.maxBytes, false, {}, stop};
    std::unique_ptr<curl_slist, SlistFree> headers;
    auto addHeader = [&headers](const std::string& line) {
        headers.reset(curl_slist_append(headers.release(), line.c_str()));
    };
    if (!known.etag.empty()) addHeader("If-None-Match: " + known.etag);
    if (!known.lastModified.empty()) addHeader("If-Modified-Since: " + known.lastModified);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, limits.maxRedirects);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, ""); // every coding libcurl decodes, gzip among them
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, limits.deadlineMs);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, std::min(limits.deadlineMs, 10000L));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, limits.userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

    const CURLcode code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    result.validators = transfer.validators;
    if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        result.error = "the body is larger than " + std::to_string(limits.maxBytes) + " bytes";
    } else if (code == CURLE_TOO_MANY_REDIRECTS) {
        result.error = "more than " + std::to_string(limits.maxRedirects) + " redirects";
    } else if (code == CURLE_OPERATION_TIMEDOUT) {
        result.error = "no whole answer within " + std::to_string(limits.deadlineMs) + " ms";
    } else if (code == CURLE_ABORTED_BY_CALLBACK) {
        result.error = "stopped";
    } else if (code != CURLE_OK) {
        result.error = curl_easy_strerror(code);
    } else if (result.status == 304) {
        result.outcome = FetchResult::Outcome::NotModified;
    } else if (result.status != 200) {
        result.error = "HTTP status " + std::to_string(result.status);
    } else {
        result.outcome = FetchResult::Outcome::Body;
    }
    if (result.outcome == FetchResult::Outcome::Failed) result.body.clear();
    return result;
}

std::string urlHost(const std::string& url) {
    std::size_t from = url.find("://");
    from = from == std::string::npos ? 0 : from + 3;
    const std::size_t end = url.find_first_of("/?#", from);
    std::string host = url.substr(from, end == std::string::npos ? std::string::npos : end - from);
    if (const std::size_t at = host.rfind('@'); at != std::string::npos) host = host.substr(at + 1);
    for (char& c : host)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return host;
}

} // namespace vxs
