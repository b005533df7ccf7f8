// How the client reads a reply: status, header, Content-Length and body, and the errors of each.
#include "plugin/net/http_chunked.h"
#include "tests/net/http_test_support.h"

#include <string>

namespace {

using HttpResponse = HttpTest;

TEST_F(HttpResponse, BodyIsReadWithOrWithoutContentLength) {
    ScriptedServer server({closeAfter("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello"),
                           closeAfter("HTTP/1.1 200 OK\r\n\r\nhello"),
                           closeAfter("HTTP/1.1 200 OK\r\nContent-Length:5\r\n\r\nhello")});
    for (int i = 0; i < 3; ++i) {
        Fetched f = fetch(server.url());
        EXPECT_EQ(f.length, 5) << "reply " << i;
        EXPECT_EQ(f.page, withNul("hello")) << "reply " << i;
    }
}

TEST_F(HttpResponse, LengthOnlySizesTheReadingSoALongerBodyIsKept) {
    std::string body(300000, 'b');
    ScriptedServer server({closeAfter("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n" + body),
                           closeAfter("HTTP/1.1 200 OK\r\nContent-length: 3\r\n\r\nabcdef")});
    Fetched f = fetch(server.url());
    EXPECT_EQ(f.length, static_cast<int>(body.size()));
    EXPECT_EQ(f.page, withNul(body));
    f = fetch(server.url());
    EXPECT_EQ(f.page, withNul("abcdef"));
}

TEST_F(HttpResponse, ZeroContentLengthGivesAnEmptyPageWhateverFollows) {
    ScriptedServer server(
        {closeAfter("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\nignored"),
         CannedReply{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", CannedReply::Then::holdOpen}});
    for (int i = 0; i < 2; ++i) {
        Fetched f = fetch(server.url());
        EXPECT_EQ(f.length, 0);
        EXPECT_EQ(f.page, std::string(1, '\0'));
    }
}

TEST_F(HttpResponse, WithoutPageOutTheBodyIsReadAndCounted) {
    ScriptedServer server({closeAfter("HTTP/1.1 200 OK\r\n\r\n0123456789")});
    EXPECT_EQ(http_fetch(server.url().c_str(), nullptr), 10);
}

TEST_F(HttpResponse, BareLineFeedsEndTheHeaderLikeCarriageReturns) {
    ScriptedServer server({closeAfter("HTTP/1.1 200 OK\nContent-Length: 5\n\nhello"),
                           closeAfter("HTTP/1.1 200 OK\r\nContent-Length: 5\n\r\nhello")});
    for (int i = 0; i < 2; ++i) {
        Fetched f = fetch(server.url());
        EXPECT_EQ(f.length, 5) << "reply " << i;
        EXPECT_EQ(f.page, withNul("hello")) << "reply " << i;
    }
}

TEST_F(HttpResponse, HeaderOverTheLimitIsCutAndTheRestIsBody) {
    std::string head = "HTTP/1.1 200 OK\r\nX-Pad: " + std::string(2000, 'p') + "\r\n\r\n";
    ScriptedServer server({closeAfter(head + "tail")});
    Fetched f = fetch(server.url());
    std::string rest = head.substr(kHttpMaxHeader) + "tail";
    EXPECT_EQ(f.length, static_cast<int>(rest.size()));
    EXPECT_EQ(f.page, withNul(rest));
}

TEST_F(HttpResponse, StatusOutsideTheAcceptedRangeFails) {
    ScriptedServer server({closeAfter("HTTP/1.0 404 Not Found\r\n\r\nmissing"),
                           closeAfter("HTTP/1.1 308 Moved\r\n"
                                      "Location: http://x/\r\n\r\n"),
                           closeAfter("HTTP/1.1 199 Early\r\n\r\n"),
                           closeAfter("HTTP/1.1 500 Oops\r\n\r\n")});
    char* page = nullptr;
    for (int status : {404, 308, 199, 500}) {
        EXPECT_EQ(http_fetch(server.url().c_str(), &page), -1) << status;
        expectClientError(HTTP_ERR_STATUS, status);
    }
    EXPECT_EQ(page, nullptr) << "a failed fetch hands nothing out";
}

TEST_F(HttpResponse, StatusErrorTextCarriesTheCodeAndPerrorDropsThePrefix) {
    ScriptedServer server({closeAfter("HTTP/1.0 404 Not Found\r\n\r\n")});
    ASSERT_EQ(fetch(server.url()).length, -1);
    EXPECT_STREQ(http_strerror(), "Request returned a status code of 404");
    testing::internal::CaptureStderr();
    http_perror("http_fetch");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Request returned a status code of 404\n");
}

TEST_F(HttpResponse, UnreadableStatusLinesFail) {
    ScriptedServer server({closeAfter("HTTP/1.1 OK\r\n\r\n"), closeAfter("HTTP/1.1\r\nX: 200\r\n\r\n"),
                           closeAfter("ICY 200 OK\r\n\r\n"), closeAfter("garbage\r\n\r\n")});
    EXPECT_EQ(fetch(server.url()).length, -1);
    expectClientError(HTTP_ERR_BAD_RETURN_CODE, 0);
    EXPECT_EQ(fetch(server.url()).length, -1);
    expectClientError(HTTP_ERR_BAD_RETURN_CODE, 0);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(fetch(server.url()).length, -1);
        EXPECT_EQ(http_lastError().http_errno, HTTP_ERR_NO_RETURN_CODE);
    }
    testing::internal::CaptureStderr();
    http_perror("http_fetch");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "http_fetch: Couldn't find return code in HTTP response\n");
}

TEST_F(HttpResponse, ContentLengthWithoutANumberFails) {
    ScriptedServer server({closeAfter("HTTP/1.1 200 OK\r\nContent-Length: many\r\n\r\nhello")});
    EXPECT_EQ(fetch(server.url()).length, -1);
    EXPECT_EQ(http_lastError().http_errno, HTTP_ERR_BAD_CONTENT_LENGTH);
}

TEST_F(HttpResponse, CloseBeforeTheHeaderEndsIsAnError) {
    ScriptedServer server(
        {closeAfter(""), closeAfter("HTTP/1.1 200 OK\r\nContent-Le"), closeAfter("HTTP/1.1 200 OK\r\n")});
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(fetch(server.url()).length, -1) << "reply " << i;
        EXPECT_EQ(http_lastError().http_errno, HTTP_ERR_HEADER_CUT) << "reply " << i;
    }
}

TEST_F(HttpResponse, CloseBeforeTheAnnouncedLengthIsAnError) {
    ScriptedServer server({closeAfter("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten..")});
    char* page = nullptr;
    EXPECT_EQ(http_fetch(server.url().c_str(), &page), -1);
    EXPECT_EQ(page, nullptr);
    expectClientError(HTTP_ERR_BODY_CUT, 10);
    EXPECT_STREQ(http_strerror(), "Connection closed after 10 bytes of the body");
    EXPECT_FALSE(http_wasStopped());
}

TEST_F(HttpResponse, DeclaredLengthOverTheCapFailsAtOnce) {
    ScriptedServer server({CannedReply{"HTTP/1.1 200 OK\r\nContent-Length: 999999999999\r\n\r\nx",
                                       CannedReply::Then::holdOpen}});
    EXPECT_EQ(fetch(server.url()).length, -1);
    EXPECT_EQ(http_lastError().http_errno, HTTP_ERR_BODY_TOO_LARGE);
    EXPECT_STREQ(http_strerror(), "Body larger than 16 MiB");
}

const std::string kChunkedHead =
    "HTTP/1.1 200 OK\r\nContent-Length: 3\r\ntransfer-encoding: gzip, Chunked\r\n\r\n";
const std::string kChunkedBody = "5\r\nhello\r\n7;name=value\r\n, world\n0\r\nX-Trailer: t\r\n\r\n";

// The coding is named in any case, outweighs a Content-Length, and ends with its last chunk: a
// server that then keeps the connection open is not waited for.
TEST_F(HttpResponse, ChunkedBodiesAreDecodedUpToTheirLastChunk) {
    ScriptedServer server({closeAfter(kChunkedHead + kChunkedBody),
                           CannedReply{kChunkedHead + kChunkedBody, CannedReply::Then::holdOpen}});
    for (int i = 0; i < 2; ++i) {
        Fetched f = fetch(server.url());
        EXPECT_EQ(f.length, 12) << "reply " << i;
        EXPECT_EQ(f.page, withNul("hello, world")) << "reply " << i;
    }
}

TEST_F(HttpResponse, ChunkedFramingArrivingInPiecesDecodesTheSame) {
    ChunkedDecoder decoder;
    std::string out(kChunkedBody.size(), '\0');
    std::size_t held = 0;
    for (char c : kChunkedBody + "after the end") {
        std::size_t written = 0;
        EXPECT_NE(decoder.feed(std::string_view(&c, 1), out.data() + held, &written),
                  ChunkedDecoder::Status::malformed);
        held += written;
    }
    EXPECT_TRUE(decoder.done());
    EXPECT_EQ(out.substr(0, held), "hello, world");
}

TEST_F(HttpResponse, BrokenOrCutChunkedBodiesFail) {
    const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    ScriptedServer server({closeAfter(head + "5\r\nhello\r\n"), closeAfter(head + "zz\r\nhello\r\n0\r\n\r\n"),
                           closeAfter(head + "3\r\nhello\r\n0\r\n\r\n")});
    EXPECT_EQ(fetch(server.url()).length, -1);
    expectClientError(HTTP_ERR_BODY_CUT, 5);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(fetch(server.url()).length, -1);
        expectClientError(HTTP_ERR_BAD_CHUNK, 0);
    }
}

// Only a field of that whole name counts, whatever its case.
TEST_F(HttpResponse, ContentLengthIsFoundByItsWholeNameInAnyCase) {
    ScriptedServer server(
        {closeAfter("HTTP/1.1 200 OK\r\nX-Content-Length: abc\r\n\r\nhello"),
         CannedReply{"HTTP/1.1 200 OK\r\nCONTENT-LENGTH: 0\r\n\r\n", CannedReply::Then::holdOpen}});
    EXPECT_EQ(fetch(server.url()).page, withNul("hello"));
    EXPECT_EQ(fetch(server.url()).length, 0);
}

} // namespace
