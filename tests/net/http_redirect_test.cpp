// Redirects: Location handling and the redirect limit.
#include "tests/net/http_test_support.h"

namespace {

using HttpRedirect = HttpTest;

const CannedReply kOk = closeAfter("HTTP/1.1 200 OK\r\n\r\narrived");

CannedReply redirectTo(const std::string& url, int status = 302) {
    return closeAfter("HTTP/1.1 " + std::to_string(status) + " Moved\r\nLocation: " + url + "\r\n\r\n");
}

// A server whose first `hops` replies redirect to /hop<n> on itself, then a page.
struct RedirectChain {
    explicit RedirectChain(int hops) : server({}) {
        std::vector<CannedReply> script;
        for (int i = 1; i <= hops; ++i)
            script.push_back(redirectTo(server.url("/hop" + std::to_string(i))));
        script.push_back(kOk);
        server.setScript(script);
    }
    ScriptedServer server;
};

TEST_F(HttpRedirect, LocationIsFollowedToTheNewUrl) {
    ScriptedServer target({kOk});
    ScriptedServer first({redirectTo(target.url("/moved/here?q=1"), 302)});
    Fetched f = fetch(first.url("/start"));
    EXPECT_EQ(f.length, 7);
    EXPECT_EQ(f.page, withNul("arrived"));
    target.stop();
    EXPECT_EQ(target.requests().at(0).rfind("GET /moved/here?q=1 HTTP/1.1\r\n", 0), 0u);
}

TEST_F(HttpRedirect, EveryRedirectStatusIsFollowed) {
    for (int status : {300, 301, 303, 307}) {
        ScriptedServer target({kOk});
        ScriptedServer first({redirectTo(target.url("/"), status)});
        EXPECT_EQ(fetch(first.url()).length, 7) << status;
    }
}

TEST_F(HttpRedirect, RedirectWithoutUsableLocationFails) {
    ScriptedServer server({closeAfter("HTTP/1.1 302 Found\r\n\r\n"),
                           closeAfter("HTTP/1.1 301 Moved\r\nLocation:   \r\n\r\n"),
                           closeAfter("HTTP/1.1 303 Other\r\nContent-Location: http://x/\r\n\r\n")});
    EXPECT_EQ(fetch(server.url()).length, -1);
    expectClientError(HTTP_ERR_NO_LOCATION, 302);
    EXPECT_STREQ(http_strerror(), "Status code of 302 but no Location: field");
    EXPECT_EQ(fetch(server.url()).length, -1);
    expectClientError(HTTP_ERR_NO_LOCATION, 301);
    EXPECT_EQ(fetch(server.url()).length, -1);
    expectClientError(HTTP_ERR_NO_LOCATION, 303);
}

TEST_F(HttpRedirect, DefaultLimitFollowsThreeAndFailsOnTheFourth) {
    RedirectChain three(3);
    EXPECT_EQ(fetch(three.server.url()).length, 7);

    RedirectChain four(4);
    EXPECT_EQ(fetch(four.server.url()).length, -1);
    expectClientError(HTTP_ERR_TOO_MANY_REDIRECTS, 3);
    EXPECT_STREQ(http_strerror(), "Followed the maximum number of redirects (3)");
    ASSERT_TRUE(four.server.waitServed(4));
    EXPECT_EQ(four.server.served(), 4) << "no fifth request after the failing redirect";
}

TEST_F(HttpRedirect, LimitZeroFailsOnTheFirstRedirect) {
    http_setRedirects(0);
    RedirectChain one(1);
    EXPECT_EQ(fetch(one.server.url()).length, -1);
    expectClientError(HTTP_ERR_TOO_MANY_REDIRECTS, 0);
}

TEST_F(HttpRedirect, NegativeLimitFollowsAnyNumber) {
    http_setRedirects(-1);
    RedirectChain many(25);
    EXPECT_EQ(fetch(many.server.url()).length, 7);
    many.server.stop();
    EXPECT_EQ(many.server.requests().size(), 26u);
}

TEST_F(HttpRedirect, LocationWithoutSchemeIsHostPortAndPath) {
    ScriptedServer target({kOk});
    ScriptedServer first({redirectTo("127.0.0.1:" + std::to_string(target.port()) + "/bare")});
    EXPECT_EQ(fetch(first.url()).length, 7);
    target.stop();
    EXPECT_EQ(target.requests().at(0).rfind("GET /bare HTTP/1.1\r\n", 0), 0u);
}

TEST_F(HttpRedirect, VeryLongLocationIsCutWithTheHeader) {
    ScriptedServer target({kOk});
    std::string location = target.url("/") + std::string(5000, 'L');
    ScriptedServer first({redirectTo(location)});
    EXPECT_EQ(fetch(first.url()).length, 7);
    target.stop();
    std::string line = target.requests().at(0);
    line = line.substr(0, line.find("\r\n"));
    EXPECT_GT(line.size(), 900u);
    EXPECT_LT(line.size(), static_cast<std::size_t>(kHttpMaxHeader));
    EXPECT_EQ(line.rfind("GET /LLLL", 0), 0u);
}

// A redirect that names no host stays on the server asked; "." and ".." are resolved, and a
// field name is matched whole and in any case.
TEST_F(HttpRedirect, RelativeLocationsAreResolvedAgainstTheRequest) {
    ScriptedServer server({});
    const std::string here = "127.0.0.1:" + std::to_string(server.port());
    const struct {
        std::string field, expected;
    } cases[] = {
        {"Location: /top?q=1", "/top?q=1"},       {"LOCATION: next.php?y=2#part", "/dir/next.php?y=2"},
        {"location:../up/./x", "/up/x"},          {"Location: ?z=3", "/dir/page.php?z=3"},
        {"Location: //" + here + "/net", "/net"},
    };
    for (const auto& c : cases) {
        server.setScript({closeAfter("HTTP/1.1 302 Found\r\n" + c.field + "\r\n\r\n"), kOk});
        const std::size_t before = server.requests().size();
        EXPECT_EQ(fetch(server.url("/dir/page.php?x=1")).length, 7) << c.field;
        ASSERT_TRUE(server.waitServed(static_cast<int>(before) + 2));
        const std::string second = server.requests().at(before + 1);
        EXPECT_EQ(second.substr(0, second.find("\r\n")), "GET " + c.expected + " HTTP/1.1") << c.field;
        EXPECT_NE(second.find("Host: " + here + "\r\n"), std::string::npos) << c.field;
    }
}

} // namespace
