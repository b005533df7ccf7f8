// What the client sends, how it splits a URL and finds its host, and the helpers beside it.
#include "tests/net/http_test_support.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using HttpRequest = HttpTest;

const CannedReply kOk = closeAfter("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");

std::string requestFor(const std::string& url) {
    ScriptedServer server({kOk});
    std::string full = url;
    std::size_t mark = full.find("PORT");
    if (mark != std::string::npos) full.replace(mark, 4, std::to_string(server.port()));
    EXPECT_EQ(fetch(full).length, 2) << full;
    server.stop();
    auto requests = server.requests();
    return requests.empty() ? "" : requests[0];
}

TEST_F(HttpRequest, DefaultRequestHasNoRefererAndTheDefaultAgent) {
    ScriptedServer server({kOk});
    ASSERT_EQ(fetch(server.url("/a/b.html?x=1 2")).length, 2);
    server.stop();
    EXPECT_EQ(server.requests().at(0), "GET /a/b.html?x=1 2 HTTP/1.1\r\n"
                                       "Host: 127.0.0.1:" +
                                           std::to_string(server.port()) +
                                           "\r\n"
                                           "User-Agent: HTTP Fetcher/0.1\r\n"
                                           "Connection: Close\r\n\r\n");
}

TEST_F(HttpRequest, AgentAndRefererAreSentAsSetAndHiddenWhenNone) {
    ASSERT_EQ(http_setUserAgent("agent/1"), 0);
    ASSERT_EQ(http_setReferer("http://from/"), 0);
    std::string request = requestFor("http://127.0.0.1:PORT/");
    EXPECT_NE(request.find("\r\nReferer: http://from/\r\nUser-Agent: agent/1\r\nConnection: Close\r\n\r\n"),
              std::string::npos)
        << request;

    ASSERT_EQ(http_setUserAgent(""), 0);
    ASSERT_EQ(http_setReferer(""), 0);
    request = requestFor("http://127.0.0.1:PORT/");
    EXPECT_NE(request.find("\r\nReferer: \r\nUser-Agent: \r\nConnection"), std::string::npos) << request;

    ASSERT_EQ(http_setUserAgent(nullptr), 0);
    ASSERT_EQ(http_setReferer(nullptr), 0);
    request = requestFor("http://127.0.0.1:PORT/");
    EXPECT_EQ(request.find("Referer"), std::string::npos) << request;
    EXPECT_EQ(request.find("User-Agent"), std::string::npos) << request;
}

TEST_F(HttpRequest, LongAgentAndPathAreSentWhole) {
    std::string agent(5000, 'a');
    std::string path = "/" + std::string(6000, 'p');
    ASSERT_EQ(http_setUserAgent(agent.c_str()), 0);
    std::string request = requestFor("http://127.0.0.1:PORT" + path);
    EXPECT_EQ(request.rfind("GET " + path + " HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(request.find("User-Agent: " + agent + "\r\n"), std::string::npos);
}

TEST_F(HttpRequest, UrlWithoutSchemeKeepsItsPortAndQuery) {
    std::string request = requestFor("127.0.0.1:PORT/a/b?c=d");
    ASSERT_FALSE(request.empty());
    std::string port = request.substr(request.find("Host: 127.0.0.1:") + 16);
    port = port.substr(0, port.find('\r'));
    EXPECT_EQ(request.rfind("GET /a/b?c=d HTTP/1.1\r\nHost: 127.0.0.1:" + port + "\r\n", 0), 0u) << request;
}

TEST_F(HttpRequest, UrlWithNothingBehindTheHostAsksForTheRoot) {
    std::string request = requestFor("http://127.0.0.1:PORT");
    EXPECT_EQ(request.rfind("GET / HTTP/1.1\r\nHost: 127.0.0.1:", 0), 0u) << request;
}

TEST_F(HttpRequest, CallersUrlIsNotChanged) {
    ScriptedServer server({kOk});
    std::string url = server.url("/x");
    std::string copy = url;
    ASSERT_EQ(http_fetch(url.c_str(), nullptr), 2);
    EXPECT_EQ(url, copy);
}

TEST_F(HttpRequest, MissingUrlFails) {
    char* page = nullptr;
    EXPECT_EQ(http_fetch(nullptr, &page), -1);
    EXPECT_EQ(page, nullptr);
    expectClientError(HTTP_ERR_NULL_URL, 0);
    EXPECT_STREQ(http_strerror(), "Got NULL url");
}

TEST_F(HttpRequest, UnresolvableHostIsAResolutionError) {
    EXPECT_EQ(fetch("http://no-such-host.invalid/page").length, -1);
    EXPECT_EQ(http_lastError().errorSource, HTTP_SOURCE_RESOLVER);
    EXPECT_STREQ(http_strerror(), "Network error (description unavailable)");
    testing::internal::CaptureStderr();
    http_perror("http_fetch");
    std::string line = testing::internal::GetCapturedStderr();
    EXPECT_EQ(line.rfind("http_fetch: ", 0), 0u) << line;
    EXPECT_EQ(line.back(), '\n');
}

TEST_F(HttpRequest, EmptyHostIsAResolutionError) {
    EXPECT_EQ(fetch("http:///path").length, -1);
    EXPECT_EQ(http_lastError().errorSource, HTTP_SOURCE_RESOLVER);
}

// A port on which nothing listens: bound, then closed again.
int closedPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

TEST_F(HttpRequest, RefusedConnectionIsASystemError) {
    std::string host = "127.0.0.1:" + std::to_string(closedPort());
    std::vector<char> text(host.begin(), host.end());
    text.push_back('\0');
    EXPECT_EQ(makeSocket(text.data()), -1);
    EXPECT_STREQ(text.data(), "127.0.0.1") << "the ':' is overwritten";
    HttpError e = http_lastError();
    EXPECT_EQ(e.errorSource, HTTP_SOURCE_SYSTEM);
    EXPECT_EQ(e.systemErrno, ECONNREFUSED);
    EXPECT_STREQ(http_strerror(), std::strerror(ECONNREFUSED));
    testing::internal::CaptureStderr();
    http_perror("http_fetch");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string("http_fetch: ") + std::strerror(ECONNREFUSED) + "\n");
}

TEST_F(HttpRequest, MakeSocketConnectsToTheNamedPort) {
    ScriptedServer server({kOk});
    std::string host = "127.0.0.1:" + std::to_string(server.port());
    std::vector<char> text(host.begin(), host.end());
    text.push_back('\0');
    int fd = makeSocket(text.data());
    ASSERT_GE(fd, 0);
    const char request[] = "GET / HTTP/1.1\r\n\r\n";
    EXPECT_EQ(my_writesocket(fd, request, sizeof request - 1), static_cast<ssize_t>(sizeof request - 1));
    EXPECT_EQ(my_closesocket(fd), 0);
    ASSERT_TRUE(server.waitServed(1));
    EXPECT_EQ(server.requests().at(0), request);
}

TEST_F(HttpRequest, BadPortIsRefusedBeforeConnecting) {
    for (const char* host : {"127.0.0.1:", "127.0.0.1:http", "127.0.0.1:70000"}) {
        std::vector<char> text(host, host + std::strlen(host) + 1);
        EXPECT_EQ(makeSocket(text.data()), -1) << host;
        EXPECT_EQ(http_lastError().errorSource, HTTP_SOURCE_SYSTEM) << host;
    }
}

TEST(HttpFilename, TextBehindTheLastSlash) {
    char* name = nullptr;
    EXPECT_EQ(http_parseFilename("http://host/dir/file.xml", &name), 0);
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "file.xml");
    std::free(name);

    name = nullptr;
    EXPECT_EQ(http_parseFilename("http://host/dir/", &name), 1);
    EXPECT_EQ(http_parseFilename("no-slash-at-all", &name), 1);
    EXPECT_EQ(name, nullptr);

    EXPECT_EQ(http_parseFilename(nullptr, &name), -1);
    EXPECT_EQ(http_lastError().http_errno, HTTP_ERR_NULL_URL);
    EXPECT_EQ(name, nullptr);
}

TEST(HttpSettings, ClientErrorWithoutNumberKeepsThePrefix) {
    http_restoreDefaults();
    ASSERT_EQ(http_parseFilename(nullptr, nullptr), -1);
    testing::internal::CaptureStderr();
    http_perror("prefix");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "prefix: Got NULL url\n");
}

} // namespace
