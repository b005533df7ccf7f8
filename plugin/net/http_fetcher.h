#pragma once
// A small blocking HTTP/1.1 GET client over sockets. The settings are module-wide (a mutex keeps
// two threads from corrupting them); the last error is each thread's own. A fetch with settings
// of its own shares nothing, so several threads may fetch at once.
#include <cstddef>
#include <sys/types.h>

// Where the last error comes from (errorSource).
enum HttpErrorSource {
    HTTP_SOURCE_CLIENT = 0,   // described by http_errno
    HTTP_SOURCE_SYSTEM = 1,   // described by the system's errno
    HTTP_SOURCE_RESOLVER = 2, // described by the resolver's error number
};

// Indices into the client's message table (http_errno).
enum HttpClientError {
    HTTP_ERR_SUCCESS = 0,
    HTTP_ERR_INTERNAL = 1,
    HTTP_ERR_NULL_URL = 2,
    HTTP_ERR_HEADER_TIMEOUT = 3,
    HTTP_ERR_BODY_TIMEOUT = 4,
    HTTP_ERR_NO_RETURN_CODE = 5,
    HTTP_ERR_BAD_RETURN_CODE = 6,
    HTTP_ERR_STATUS = 7,
    HTTP_ERR_BAD_CONTENT_LENGTH = 8,
    HTTP_ERR_RESOLVER = 9,
    HTTP_ERR_NO_LOCATION = 10,
    HTTP_ERR_TOO_MANY_REDIRECTS = 11,
    HTTP_ERR_STOPPED = 12,
    HTTP_ERR_BODY_TOO_LARGE = 13,
    HTTP_ERR_HEADER_CUT = 14,
    HTTP_ERR_BODY_CUT = 15,
    HTTP_ERR_BAD_CHUNK = 16,
    HTTP_ERR_COUNT = 17,
};

// The largest body a fetch accepts; a longer one fails with HTTP_ERR_BODY_TOO_LARGE. The largest
// page the service sends is a concert source's: about 9.5 MB for a library of 20,000 artists at
// the largest radius a user can type, so this leaves room for a library nearly twice that.
constexpr std::size_t kHttpMaxBody = 16u * 1024u * 1024u;
// Header bytes read at most; the rest of a longer header is read as body.
constexpr int kHttpMaxHeader = 1024;

// A copy of the module-wide error state.
struct HttpError {
    int errorSource;
    int http_errno;
    int errorInt;
    int systemErrno;   // errno saved when errorSource is HTTP_SOURCE_SYSTEM
    int resolverError; // getaddrinfo's code when errorSource is HTTP_SOURCE_RESOLVER
};

// Fetches url; returns the body's byte count, or -1 with the error state set. With pageOut, a
// new malloc'ed buffer of count + 1 bytes (body and a NUL) is handed out; the caller frees it.
int http_fetch(const char* url, char** pageOut);
struct HttpSettings;
// As http_fetch, with these settings rather than the module's.
int http_fetchWith(const char* url, const HttpSettings& settings, char** pageOut);

// A copy of text becomes the User-Agent; none hides the header. -1 when the copy fails.
int http_setUserAgent(const char* text);
// A copy of text becomes the Referer; none hides the header. -1 when the copy fails.
int http_setReferer(const char* text);
// Longest wait in seconds for the next data; negative waits without limit.
void http_setTimeout(int seconds);
// Most redirects one fetch follows; negative follows any number.
void http_setRedirects(int count);
// Every setting and the cancel check back to their start-up values.
void http_restoreDefaults();

// Polled at least every 100 ms while a fetch connects, sends or waits for data; when it returns
// true the fetch ends with HTTP_ERR_STOPPED. None removes it.
void http_setCancelCheck(bool (*check)(void*), void* ctx);
// True when the last failure was a stop by the cancel check (not a lost connection).
bool http_wasStopped();

// 0 and a malloc'ed copy of the text behind the last '/'; 1 when there is none.
int http_parseFilename(const char* url, char** nameOut);
// Text of the last error; owned by the client, overwritten by the next call.
const char* http_strerror();
// Writes the last error to standard error.
void http_perror(const char* prefix);
HttpError http_lastError();

// Connects to "host" or "host:port" (port 80 by default); writes a NUL over the ':'.
// Returns the descriptor, or -1 with the error state set.
int makeSocket(char* hostAndPort);

ssize_t my_readsocket(int socket, void* buffer, size_t length);
ssize_t my_writesocket(int socket, const void* buffer, size_t length);
int my_closesocket(int socket);
void my_init_http_fetch();
void my_close_http_fetch();
