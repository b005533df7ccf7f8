// http_fetch: one GET request, its redirects, the header and the body, all within one deadline.
#include "plugin/net/http_chunked.h"
#include "plugin/net/http_fetcher.h"
#include "plugin/net/http_header_field.h"
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
#include <string>
#include <string_view>
#include <sys/mman.h>

namespace {

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};
using HeapText = std::unique_ptr<char, FreeDeleter>;

// Room for a body that does not say how long it is, and the least room added when a body outgrows
// its buffer.
constexpr std::size_t kDefaultChunk = 204800;
// The least stretch of memory committed ahead of the bytes.
constexpr std::size_t kReadStep = 1u << 20;
// Room kept behind an announced body, where the server's close is seen.
constexpr std::size_t kCloseRoom = 4096;
// A body read without keeping it passes through this much.
constexpr std::size_t kDropChunk = 64u << 10;
// A page buffer from this size on is asked for in huge pages.
constexpr std::size_t kHugeFrom = 8u << 20;
// The first read of a reply: the header and, mostly, the start of the body.
constexpr std::size_t kFirstRead = 16u << 10;

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

// The first bytes of a reply: the header text and whatever of the body came with it.
struct ReplyStart {
    char header[kHttpMaxHeader + 1];
    char bytes[kFirstRead];
    std::size_t got = 0;       // bytes read into `bytes`
    std::size_t bodyStart = 0; // where the body begins in `bytes`
    std::string_view bodyPrefix() const { return {bytes + bodyStart, got - bodyStart}; }
};

// Reads the header in as few calls as the server allows, until a blank line or kHttpMaxHeader
// bytes; what follows in the same reads is the body's start. The header text ends before the
// blank line's line ends (so the last header line keeps its last character). 0, or -1.
int _http_read_header(int fd, ReplyStart& r, const HttpDeadline& deadline, const HttpCancelCheck& cancel) {
    int lineFeeds = 0;
    std::size_t scanned = 0;
    std::size_t headerEnd = 0;
    while (headerEnd == 0) {
        ssize_t n = httpReadSome(fd, r.bytes + r.got, sizeof r.bytes - r.got, deadline,
                                 HTTP_ERR_HEADER_TIMEOUT, cancel);
        if (n < 0) return -1;
        if (n == 0) {
            // A reply that stops before its blank line has lost its header's end: not a success.
            return httpFailClient(HTTP_ERR_HEADER_CUT);
        }
        r.got += static_cast<std::size_t>(n);
        for (; scanned < r.got && headerEnd == 0; ++scanned) {
            const char c = r.bytes[scanned];
            if (c == '\n') {
                if (++lineFeeds == 2) headerEnd = scanned + 1;
            } else if (c != '\r') {
                lineFeeds = 0;
            }
            if (scanned + 1 == static_cast<std::size_t>(kHttpMaxHeader)) headerEnd = scanned + 1;
        }
    }
    std::size_t end = headerEnd;
    while (end > 0 && (r.bytes[end - 1] == '\r' || r.bytes[end - 1] == '\n'))
        --end;
    std::memcpy(r.header, r.bytes, end);
    // A NUL inside the header ends its text, as it always has for the searches below.
    r.header[end] = '\0';
    r.bodyStart = headerEnd;
    return 0;
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

// The redirect target of the "Location" field, up to a blank, resolved against the address
// asked; -1 when there is none.
int readLocation(const char* header, int status, const std::string& asked, std::string* location) {
    const auto field = httpHeaderField(header, "Location");
    const std::string_view value = field ? field->substr(0, field->find(' ')) : std::string_view();
    if (value.empty()) return httpFailClient(HTTP_ERR_NO_LOCATION, status);
    *location = httpResolveRedirect(asked, value);
    return 0;
}

// The Content-Length value, or -1 when the header has none.
int readContentLength(const char* header, long long* length) {
    *length = -1;
    const auto field = httpHeaderField(header, "Content-Length");
    if (!field) return 0;
    if (!readDecimal(std::string(*field).c_str(), length)) return httpFailClient(HTTP_ERR_BAD_CONTENT_LENGTH);
    return 0;
}

// A large body is written into fresh memory page by page, and each first touch of a page is a
// fault; asking for the pages of the next stretch in one call costs far less. Only the stretch the
// next read may fill is asked for, so memory is committed as the bytes arrive. Where the system
// cannot, the pages simply fault in as they are written.
void prefaultPages(char* from, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    constexpr std::uintptr_t kPage = 4096;
    if (bytes < (64u << 10)) return;
    const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(from) + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t stop = (reinterpret_cast<std::uintptr_t>(from) + bytes) & ~(kPage - 1);
    if (stop > start) madvise(reinterpret_cast<void*>(start), stop - start, MADV_POPULATE_WRITE);
#else
    (void)from;
    (void)bytes;
#endif
}

// A large page's memory in 2 MiB pages where the system offers them on request: one fault, or one
// populate step, then maps 512 small pages' worth, which for a large body costs less than its
// reading. Memory then comes at most one huge page past the stretch populated ahead of the bytes.
void askHugePages(char* from, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHuge = 2u << 20;
    const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(from) + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t stop = (reinterpret_cast<std::uintptr_t>(from) + bytes) & ~(kHuge - 1);
    if (stop > start) madvise(reinterpret_cast<void*>(start), stop - start, MADV_HUGEPAGE);
#else
    (void)from;
    (void)bytes;
#endif
}

// Reads the body until the server closes, after the bytes that came with the header; returns its
// length and, when body is given, the terminated buffer. Without a body the bytes are counted in
// a small buffer and dropped.
int readBody(int fd, long long contentLength, std::string_view prefix, const HttpSettings& s,
             const HttpDeadline& deadline, HeapText* body) {
    if (contentLength > static_cast<long long>(kHttpMaxBody)) return httpFailClient(HTTP_ERR_BODY_TOO_LARGE);
    if (contentLength == 0) {
        // Nothing is owed: whatever follows the header is not waited for.
        if (body) {
            body->reset(static_cast<char*>(std::malloc(1)));
            if (!*body) return httpFailSystem(ENOMEM);
            body->get()[0] = '\0';
        }
        return 0;
    }
    // One byte more than the cap, so that a body over it shows itself without growing further.
    const std::size_t limit = kHttpMaxBody + 1;
    const std::size_t announced = contentLength > 0 ? static_cast<std::size_t>(contentLength) : 0;
    // Room for the announced body and a little more, to see the server close without growing.
    // Without a length, room for the cap is taken as address space only: the pages come as the
    // bytes do (below), and the buffer never moves, which for a large body costs more than its
    // reading.
    std::size_t capacity =
        body ? (announced > 0
                    ? std::min(std::max({announced + kCloseRoom, kDefaultChunk, prefix.size()}), limit)
                    : limit)
             : kDropChunk;
    HeapText buffer(static_cast<char*>(std::malloc(capacity)));
    if (!buffer && body && announced == 0) {
        // Where address space is counted as memory, the room grows with the body instead.
        capacity = std::max(kDefaultChunk, prefix.size());
        buffer.reset(static_cast<char*>(std::malloc(capacity)));
    }
    if (!buffer) return httpFailSystem(ENOMEM);
    if (body && capacity >= kHugeFrom) askHugePages(buffer.get(), capacity);
    std::size_t held = std::min(prefix.size(), limit);
    std::memcpy(buffer.get(), prefix.data(), held);
    std::size_t total = held; // bytes received, kept or not
    std::size_t populated = held;
    for (;;) {
        if (total > kHttpMaxBody) return httpFailClient(HTTP_ERR_BODY_TOO_LARGE);
        if (!body) held = 0;
        if (held == capacity) {
            // Past an announced length a little room is enough to see the server close; should
            // more keep coming, the room doubles, so the copies stay few.
            const std::size_t step = std::max(kDefaultChunk, held);
            std::size_t grown = std::min(held + step, limit);
            char* bigger = static_cast<char*>(std::realloc(buffer.get(), grown));
            if (!bigger) return httpFailSystem(ENOMEM);
            (void)buffer.release();
            buffer.reset(bigger);
            capacity = grown;
        }
        const std::size_t want = capacity - held;
        if (body && held + std::min(want, kReadStep) > populated) {
            // Ahead of the bytes by a quarter of what has arrived (a step at least), so well under
            // twice what came, and never past an announced end.
            std::size_t ahead = std::min(capacity, held + std::max(held / 4, kReadStep));
            if (announced > held) ahead = std::min(ahead, announced);
            if (ahead > populated) prefaultPages(buffer.get() + populated, ahead - populated);
            populated = std::max(populated, ahead);
        }
        // One step a read at most: the stop is polled at least once a step, and a read never
        // lands past the pages already made ready.
        ssize_t n = httpReadSome(fd, buffer.get() + held, std::min(want, kReadStep), deadline,
                                 HTTP_ERR_BODY_TIMEOUT, s.cancel);
        if (n < 0) return -1;
        if (n == 0) break;
        held += static_cast<std::size_t>(n);
        total += static_cast<std::size_t>(n);
    }
    // A close before the announced length is a lost connection, not a complete page.
    if (contentLength > 0 && static_cast<long long>(total) < contentLength)
        return httpFailClient(HTTP_ERR_BODY_CUT, static_cast<int>(total));
    if (body) {
        char* exact = static_cast<char*>(std::realloc(buffer.get(), held + 1));
        if (!exact) return httpFailSystem(ENOMEM);
        (void)buffer.release();
        buffer.reset(exact);
        exact[held] = '\0';
        *body = std::move(buffer);
    }
    return static_cast<int>(total);
}

// Reads a chunked body, decoding it as it comes, up to its last chunk and trailer; the server's
// close is not waited for. Returns the decoded length and, when body is given, the buffer.
int readChunkedBody(int fd, std::string_view prefix, const HttpSettings& s, const HttpDeadline& deadline,
                    HeapText* body) {
    ChunkedDecoder decoder;
    HeapText raw(static_cast<char*>(std::malloc(kDropChunk)));
    std::size_t capacity = body ? kDefaultChunk : kDropChunk;
    HeapText buffer(static_cast<char*>(std::malloc(capacity)));
    if (!raw || !buffer) return httpFailSystem(ENOMEM);
    std::size_t held = 0;
    std::size_t total = 0;
    std::string_view in = prefix;
    for (;;) {
        if (body && capacity - held < in.size() + 1) {
            const std::size_t grown = std::max(capacity * 2, held + in.size() + 1);
            char* bigger = static_cast<char*>(std::realloc(buffer.get(), grown));
            if (!bigger) return httpFailSystem(ENOMEM);
            (void)buffer.release();
            buffer.reset(bigger);
            capacity = grown;
        }
        if (!body) held = 0;
        std::size_t written = 0;
        const ChunkedDecoder::Status status = decoder.feed(in, buffer.get() + held, &written);
        held += written;
        total += written;
        if (total > kHttpMaxBody) return httpFailClient(HTTP_ERR_BODY_TOO_LARGE);
        if (status == ChunkedDecoder::Status::malformed) return httpFailClient(HTTP_ERR_BAD_CHUNK);
        if (status == ChunkedDecoder::Status::done) break;
        const ssize_t n = httpReadSome(fd, raw.get(), kDropChunk, deadline, HTTP_ERR_BODY_TIMEOUT, s.cancel);
        if (n < 0) return -1;
        // A close before the last chunk is a lost connection, not a complete page.
        if (n == 0) return httpFailClient(HTTP_ERR_BODY_CUT, static_cast<int>(total));
        in = std::string_view(raw.get(), static_cast<std::size_t>(n));
    }
    if (body) {
        char* exact = static_cast<char*>(std::realloc(buffer.get(), held + 1));
        if (!exact) return httpFailSystem(ENOMEM);
        (void)buffer.release();
        buffer.reset(exact);
        exact[held] = '\0';
        *body = std::move(buffer);
    }
    return static_cast<int>(total);
}

} // namespace

int http_fetch(const char* url, char** pageOut) {
    return http_fetchWith(url, httpSettingsSnapshot(), pageOut);
}

int http_fetchWith(const char* url, const HttpSettings& s, char** pageOut) {
    if (!url) return httpFailClient(HTTP_ERR_NULL_URL);
    if (s.cancel.stopRequested()) return httpFailClient(HTTP_ERR_STOPPED);
    HeapText working(strdup(url));
    if (!working) return httpFailSystem(ENOMEM);

    HttpSocket sock;
    // The time-out is the budget of the whole exchange, connect and redirects included.
    const HttpDeadline deadline = HttpDeadline::after(s.timeout);
    auto reply = std::make_unique<ReplyStart>();
    int redirects = 0;
    for (;;) {
        // Kept whole: a relative redirect is resolved against it.
        const std::string asked = working.get();
        char* host = working.get();
        if (char* scheme = std::strstr(host, "://")) host = scheme + 3;
        char* path = std::strchr(host, '/');
        const std::size_t hostLength = path ? static_cast<std::size_t>(path - host) : std::strlen(host);

        HeapText request = buildRequest(host, hostLength, path, s);
        if (!request) return -1;
        host[hostLength] = '\0';
        sock.reset(httpConnect(host, deadline, s.cancel));
        if (!sock.isOpen()) return -1;
        working.reset();

        if (httpWriteAll(sock.fd(), request.get(), std::strlen(request.get()), deadline, s.cancel) != 0)
            return -1;
        request.reset();

        *reply = ReplyStart{};
        if (_http_read_header(sock.fd(), *reply, deadline, s.cancel) < 0) return -1;
        int status = 0;
        if (readStatus(reply->header, &status) != 0) return -1;
        if (status < 200 || status > 307) return httpFailClient(HTTP_ERR_STATUS, status);
        if (status <= 299) break;

        ++redirects;
        std::string location;
        if (readLocation(reply->header, status, asked, &location) != 0) return -1;
        sock.close();
        if (s.followRedirects >= 0 && redirects > s.followRedirects)
            return httpFailClient(HTTP_ERR_TOO_MANY_REDIRECTS, s.followRedirects);
        working.reset(strdup(location.c_str()));
        if (!working) return httpFailSystem(ENOMEM);
    }

    HeapText body;
    int length = 0;
    // A chunked body says its own length; a Content-Length beside it is not to be trusted.
    const auto coding = httpHeaderField(reply->header, "Transfer-Encoding");
    if (coding && httpIsChunked(*coding)) {
        length = readChunkedBody(sock.fd(), reply->bodyPrefix(), s, deadline, pageOut ? &body : nullptr);
    } else {
        long long contentLength = -1;
        if (readContentLength(reply->header, &contentLength) != 0) return -1;
        length =
            readBody(sock.fd(), contentLength, reply->bodyPrefix(), s, deadline, pageOut ? &body : nullptr);
    }
    if (length < 0) return -1;
    if (pageOut) *pageOut = body.release();
    return length;
}
