#pragma once
// Shared by the HTTP client's tests: a fetch whose page comes back as a std::string, and a
// fixture that puts the client's module-wide settings back before every test.
#include "plugin/net/http_fetcher.h"
#include "tests/net/scripted_server.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

struct Fetched {
    int length = -1;
    bool gotPage = false;
    std::string page; // the body, with the NUL the client put behind it
};

inline Fetched fetch(const std::string& url) {
    Fetched result;
    char* page = nullptr;
    result.length = http_fetch(url.c_str(), &page);
    if (page) {
        result.gotPage = true;
        if (result.length >= 0) result.page.assign(page, static_cast<std::size_t>(result.length) + 1);
        std::free(page);
    }
    return result;
}

inline CannedReply closeAfter(std::string bytes) {
    return CannedReply{std::move(bytes), CannedReply::Then::close};
}

inline std::string withNul(const std::string& body) {
    return body + std::string(1, '\0');
}

class HttpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        http_restoreDefaults();
        // Long enough for a loaded machine, short enough that a hang shows as a failure.
        http_setTimeout(5);
    }
    void TearDown() override { http_restoreDefaults(); }

    static void expectClientError(int index, int errorInt) {
        HttpError e = http_lastError();
        EXPECT_EQ(e.errorSource, HTTP_SOURCE_CLIENT);
        EXPECT_EQ(e.http_errno, index);
        EXPECT_EQ(e.errorInt, errorInt);
    }
};
