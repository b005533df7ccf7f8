// The fetch wrapper: user agent and referer of each request, the page hand-over, and what an
// outcome means for the connection flag.
#include "plugin/net/web_fetch.h"
#include "tests/net/http_test_support.h"

#include <atomic>
#include <cstring>
#include <optional>

namespace {

class WebFetch : public HttpTest {
  protected:
    void TearDown() override {
        std::free(page);
        HttpTest::TearDown();
    }
    WebFetchResult get(const std::string& url, const std::string& host, bool (*stop)(void*) = nullptr) {
        WebRequest request{url.c_str(), "", host.c_str(), "1234-ABCD"};
        request.stop = stop;
        return webFetch(request, &page);
    }
    char* page = nullptr;
};

const CannedReply kPage = closeAfter("HTTP/1.1 200 OK\r\n\r\nfirst");

std::string hostOf(const ScriptedServer& server) {
    return "127.0.0.1:" + std::to_string(server.port());
}

TEST_F(WebFetch, VersionCheckCarriesVersionAndUuidOthersAnEmptyAgent) {
    ScriptedServer server({kPage});
    const std::string host = hostOf(server);
    ASSERT_EQ(get("http://" + host + "/current_version.php?VERSION=2.9&OS=MAC", host), WebFetchResult::ok);
    ASSERT_EQ(get("http://" + host + "/datasources/datasources.php?TODO=GETSITES", host), WebFetchResult::ok);
    server.stop();
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].find("\r\nReferer: \r\nUser-Agent: version:2.9 uuid:1234-ABCD\r\n"),
              std::string::npos)
        << requests[0];
    EXPECT_NE(requests[1].find("\r\nReferer: \r\nUser-Agent: \r\n"), std::string::npos) << requests[1];
}

TEST_F(WebFetch, VersionAgentOnlyForTheServiceHostAndCutTo127) {
    char agent[kUserAgentCapacity];
    webUserAgentFor("http://other:1/current_version.php", "host:2", "u", agent);
    EXPECT_STREQ(agent, "");
    webUserAgentFor("http://host:2/current_version.html", "host:2", "u", agent);
    EXPECT_STREQ(agent, "version:2.9 uuid:u");
    std::string longUuid(300, 'u');
    webUserAgentFor("http://host:2/current_version.php", "host:2", longUuid.c_str(), agent);
    EXPECT_EQ(std::strlen(agent), 127u);
}

TEST_F(WebFetch, FailureKeepsThePreviousPageAndSuccessReplacesIt) {
    ScriptedServer server(
        {kPage, closeAfter("HTTP/1.1 500 Broken\r\n\r\n"), closeAfter("HTTP/1.1 200 OK\r\n\r\nsecond")});
    const std::string host = hostOf(server);
    ASSERT_EQ(get(server.url("/a"), host), WebFetchResult::ok);
    ASSERT_NE(page, nullptr);
    EXPECT_STREQ(page, "first");

    testing::internal::CaptureStderr();
    EXPECT_EQ(get(server.url("/b"), host), WebFetchResult::failed);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Request returned a status code of 500\n");
    EXPECT_STREQ(page, "first");

    EXPECT_EQ(get(server.url("/c"), host), WebFetchResult::ok);
    EXPECT_STREQ(page, "second");
}

bool alwaysStop(void*) {
    return true;
}

TEST_F(WebFetch, StopIsReportedApartAndWritesNothing) {
    ScriptedServer server({kPage});
    testing::internal::CaptureStderr();
    EXPECT_EQ(get(server.url("/a"), hostOf(server), alwaysStop), WebFetchResult::stopped);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(page, nullptr);
}

TEST(WebConnection, FlagFollowsTheOutcome) {
    const char* host = "h:1";
    EXPECT_EQ(webConnectionAfter(WebFetchResult::ok, "http://h:1/zipcodes/zipcodes.php", host), true);
    EXPECT_EQ(webConnectionAfter(WebFetchResult::ok, "http://h:1/current_version.php?VERSION=2.9", host),
              true);
    EXPECT_EQ(webConnectionAfter(WebFetchResult::ok, "http://h:1/current_version.html", host), std::nullopt);
    EXPECT_EQ(webConnectionAfter(WebFetchResult::failed, "http://h:1/current_version.html", host), false);
    EXPECT_EQ(webConnectionAfter(WebFetchResult::failed, "http://h:1/x", host), false);
    EXPECT_EQ(webConnectionAfter(WebFetchResult::stopped, "http://h:1/x", host), std::nullopt);
}

TEST(WebServiceURL, JoinsHostAndPathCutToTheBuffer) {
    char url[kFetchURLCapacity];
    webServiceURL(url, sizeof url, "127.0.0.1:8460", "/zipcodes/zipcodes.php?TODO=GETLATLON");
    EXPECT_STREQ(url, "http://127.0.0.1:8460/zipcodes/zipcodes.php?TODO=GETLATLON");
    std::string longPath = "/" + std::string(3000, 'q');
    webServiceURL(url, sizeof url, "h", longPath.c_str());
    EXPECT_EQ(std::strlen(url), kFetchURLCapacity - 1);
}

} // namespace
