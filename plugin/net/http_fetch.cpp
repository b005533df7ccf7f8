// http_fetch: one GET request, its redirects, the header read byte by byte and the body.
#include "plugin/net/http_fetcher.h"
#include "plugin/net/http_socket.h"
#include "plugin/net/http_state.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/mman.h>

namespace {

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};
using HeapText = std::unique_ptr<char, FreeDeleter>;

// Bytes read at a time when the reply does not say how long its body is.
constexpr std::size_t kDefaultChunk = 204800;

// Makes room for needed more characters in a terminated heap text of *size bytes.
int _checkBufSize(char** buffer, std::size_t* size, std::size_t needed) {
    std::size_t length = std::strlen(*buffer);
    if (*size - length - 1 > needed) return 0;
    char* grown = static_cast<char*>(std::realloc(*buffer, *size + needed + 1));
    if (!grown) return httpFailSystem(ENOMEM);
    *buffer = grown;
    *size += needed + 1;
    return 0;
}

// Appends one formatted piece after making room for need characters.
template <typename... Args>
int appendPiece(HeapText& text, std::size_t& size, std::size_t need, const char* format, Args... args) {
    char* raw = text.release();
    int rc = _checkBufSize(&raw, &size, need);
    text.reset(raw);
    if (rc != 0) return -1;
    std::size_t length = std::strlen(raw);
    std::snprintf(raw + length, size - length, format, args...);
    return 0;
}

// The request for host (hostLength characters, port included) and path, or null on failure.
HeapText buildRequest(const char* host, std::size_t hostLength, const char* path, const HttpSettings& s) {
    std::size_t size = 1024;
    HeapText text(static_cast<char*>(std::malloc(size)));
    if (!text) {
        httpFailSystem(ENOMEM);
        return nullptr;
    }
    text.get()[0] = '\0';
    const int hostChars = static_cast<int>(std::min<std::size_t>(hostLength, INT_MAX));
    int rc = path ? appendPiece(text, size, std::strlen(path) + 16, "GET %s %s\r\n", path, "HTTP/1.1")
                  : appendPiece(text, size, 15, "GET / %s\r\n", "HTTP/1.1");
    if (rc == 0) rc = appendPiece(text, size, hostLength + 137, "Host: %.*s\r\n", hostChars, host);
    if (rc == 0 && s.sendReferer)
        rc = appendPiece(text, size, s.referer.size() + 12, "Referer: %s\r\n", s.referer.c_str());
    if (rc == 0 && s.sendUserAgent)
        rc = appendPiece(text, size, s.userAgent.size() + 15, "User-Agent: %s\r\n", s.userAgent.c_str());
    if (rc == 0) rc = appendPiece(text, size, 21, "%s", "Connection: Close\r\n\r\n");
    if (rc != 0) return nullptr;
    char* shrunk = static_cast<char*>(std::realloc(text.get(), std::strlen(text.get()) + 1));
    if (shrunk) {
        (void)text.release();
        text.reset(shrunk);
    }
    return text;
}

// Reads the header one byte per call, so that every body byte stays in the socket, until a
// blank line or kHttpMaxHeader bytes. The text ends before the blank line's line ends (so the
// last header line keeps its last character). Returns the bytes read, or -1.
int _http_read_header(int fd, char* header, const HttpSettings& s) {
    int count = 0;
    int lineFeeds = 0;
    while (count < kHttpMaxHeader) {
        char c;
        ssize_t r = httpReadSome(fd, &c, 1, s.timeout, HTTP_ERR_HEADER_TIMEOUT, s.cancel);
        if (r < 0) return -1;
        if (r == 0) {
            // A reply that stops before its blank line has lost its header's end: not a success.
            header[count] = '\0';
            return httpFailClient(HTTP_ERR_HEADER_CUT);
        }
        header[count++] = c;
        if (c == '\n') {
            if (++lineFeeds == 2) break;
        } else if (c != '\r') {
            lineFeeds = 0;
        }
    }
    int end = count;
    while (end > 0 && (header[end - 1] == '\r' || header[end - 1] == '\n'))
        --end;
    header[end] = '\0';
    return count;
}

// An optionally signed decimal number behind blanks and tabs; false when there is none.
bool readDecimal(const char* p, long long* value) {
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p < '0' || *p > '9') return false;
    long long v = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        v = std::min<long long>(v * 10 + (*p - '0'), LLONG_MAX / 16);
    *value = negative ? -v : v;
    return true;
}

int readStatus(const char* header, int* status) {
    const char* http = std::strstr(header, "HTTP/");
    if (!http) return httpFailClient(HTTP_ERR_NO_RETURN_CODE);
    // The code follows the first blank of the status line.
    const char* blank = http + std::strcspn(http, " \r\n");
    long long value = 0;
    if (*blank != ' ' || !readDecimal(blank + 1, &value)) return httpFailClient(HTTP_ERR_BAD_RETURN_CODE);
    *status = static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
    return 0;
}

// The redirect target behind "Location:", up to a blank or a line end; -1 when there is none.
int readLocation(const char* header, int status, HeapText* location) {
    const char* field = std::strstr(header, "Location:");
    if (!field) return httpFailClient(HTTP_ERR_NO_LOCATION, status);
    const char* value = field + std::strlen("Location:");
    value += std::strspn(value, " \t");
    std::size_t length = std::strcspn(value, " \r\n");
    if (length == 0) return httpFailClient(HTTP_ERR_NO_LOCATION, status);
    location->reset(strndup(value, length));
    if (!*location) return httpFailSystem(ENOMEM);
    return 0;
}

// The Content-Length value, or -1 when the header has none.
int readContentLength(const char* header, long long* length) {
    *length = -1;
    const char* field = std::strstr(header, "Content-Length:");
    if (!field) field = std::strstr(header, "Content-length:");
    if (!field) return 0;
    if (!readDecimal(field + std::strlen("Content-Length:"), length))
        return httpFailClient(HTTP_ERR_BAD_CONTENT_LENGTH);
    return 0;
}

// A large body is written into fresh memory page by page, and each first touch of a page is a
// fault; asking for the pages in one call up front costs far less. Where the system cannot, the
// pages simply fault in as they are written.
void prefaultPages(char* buffer, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    constexpr std::uintptr_t kPage = 4096;
    if (bytes < (1u << 20)) return;
    const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(buffer) + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(buffer) + bytes) & ~(kPage - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
    (void)buffer;
    (void)bytes;
#endif
}

// Reads the body until the server closes; returns its length and the terminated buffer.
int readBody(int fd, long long contentLength, const HttpSettings& s, HeapText* body) {
    if (contentLength > static_cast<long long>(kHttpMaxBody)) return httpFailClient(HTTP_ERR_BODY_TOO_LARGE);
    if (contentLength == 0) {
        // Nothing is owed: whatever follows the header is not waited for.
        body->reset(static_cast<char*>(std::malloc(1)));
        if (!*body) return httpFailSystem(ENOMEM);
        body->get()[0] = '\0';
        return 0;
    }
    const std::size_t chunk = contentLength > 0 ? static_cast<std::size_t>(contentLength) : kDefaultChunk;
    // One byte more than the cap, so that a body over it shows itself without growing further.
    const std::size_t limit = kHttpMaxBody + 1;
    std::size_t capacity = std::min(chunk, limit);
    HeapText buffer(static_cast<char*>(std::malloc(capacity)));
    if (!buffer) return httpFailSystem(ENOMEM);
    prefaultPages(buffer.get(), capacity);
    std::size_t held = 0;
    for (;;) {
        if (held == capacity) {
            // Past an announced length a little room is enough to see the server close; should
            // more keep coming, that extra room doubles, so the copies stay few.
            const bool announcedAllRead = contentLength > 0 && held >= chunk;
            const std::size_t step =
                announcedAllRead ? std::max(kDefaultChunk, held - chunk) : std::max(chunk, held / 2);
            std::size_t grown = std::min(held + step, limit);
            char* bigger = static_cast<char*>(std::realloc(buffer.get(), grown));
            if (!bigger) return httpFailSystem(ENOMEM);
            (void)buffer.release();
            buffer.reset(bigger);
            prefaultPages(bigger + held, grown - held);
            capacity = grown;
        }
        ssize_t n = httpReadSome(fd, buffer.get() + held, capacity - held, s.timeout, HTTP_ERR_BODY_TIMEOUT,
                                 s.cancel);
        if (n < 0) return -1;
        if (n == 0) break;
        held += static_cast<std::size_t>(n);
        if (held > kHttpMaxBody) return httpFailClient(HTTP_ERR_BODY_TOO_LARGE);
    }
    // A close before the announced length is a lost connection, not a complete page.
    if (contentLength > 0 && static_cast<long long>(held) < contentLength)
        return httpFailClient(HTTP_ERR_BODY_CUT, static_cast<int>(held));
    char* exact = static_cast<char*>(std::realloc(buffer.get(), held + 1));
    if (!exact) return httpFailSystem(ENOMEM);
    (void)buffer.release();
    buffer.reset(exact);
    exact[held] = '\0';
    *body = std::move(buffer);
    return static_cast<int>(held);
}

} // namespace

int http_fetch(const char* url, char** pageOut) {
    if (!url) return httpFailClient(HTTP_ERR_NULL_URL);
    const HttpSettings s = httpSettingsSnapshot();
    if (s.cancel.stopRequested()) return httpFailClient(HTTP_ERR_STOPPED);
    HeapText working(strdup(url));
    if (!working) return httpFailSystem(ENOMEM);

    HttpSocket sock;
    char header[kHttpMaxHeader + 1];
    int redirects = 0;
    for (;;) {
        char* host = working.get();
        if (char* scheme = std::strstr(host, "://")) host = scheme + 3;
        char* path = std::strchr(host, '/');
        const std::size_t hostLength = path ? static_cast<std::size_t>(path - host) : std::strlen(host);

        HeapText request = buildRequest(host, hostLength, path, s);
        if (!request) return -1;
        host[hostLength] = '\0';
        sock.reset(httpConnect(host, s.cancel));
        if (!sock.isOpen()) return -1;
        working.reset();

        if (httpWriteAll(sock.fd(), request.get(), std::strlen(request.get()), s.timeout, s.cancel) != 0)
            return -1;
        request.reset();

        if (_http_read_header(sock.fd(), header, s) < 0) return -1;
        int status = 0;
        if (readStatus(header, &status) != 0) return -1;
        if (status < 200 || status > 307) return httpFailClient(HTTP_ERR_STATUS, status);
        if (status <= 299) break;

        ++redirects;
        HeapText location;
        if (readLocation(header, status, &location) != 0) return -1;
        sock.close();
        if (s.followRedirects >= 0 && redirects > s.followRedirects)
            return httpFailClient(HTTP_ERR_TOO_MANY_REDIRECTS, s.followRedirects);
        working = std::move(location);
    }

    long long contentLength = -1;
    if (readContentLength(header, &contentLength) != 0) return -1;
    HeapText body;
    int length = readBody(sock.fd(), contentLength, s, &body);
    if (length < 0) return -1;
    if (pageOut) *pageOut = body.release();
    return length;
}
