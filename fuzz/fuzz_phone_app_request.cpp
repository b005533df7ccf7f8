// Arbitrary bytes as a phone app request: a target, a cookie header, an origin and a form body
// (split at NUL bytes; a fourth part makes it a POST). Every reply is one of the statuses the app gives, and
// no JSON reply holds a raw "<", ">" or control byte, or bytes that are no UTF-8, whatever the request or the
// store held.
#include "common/unicode_letters.h"
#include "service/phone_app_replies.h"
#include "service/service_options.h"
#include "service/service_setup.h"
#include "service/sharing_replies.h"

#include <cstdint>
#include <string>

namespace {

vxs::ServiceData& data() {
    static vxs::ServiceData* built = [] {
        auto* d = new vxs::ServiceData;
        vxs::ServiceOptions options;
        options.dataDir = VX_SERVICE_DATA_DIR;
        options.accounts.hashCost = 1;
        std::string error;
        if (!vxs::buildServiceData(options, d, &error)) __builtin_trap();
        vxs::phoneReply("/iphone/exchange.php?TODO=INITIALIZE_USER&USERNAME=ann&UUID=U&PWD=pw", *d->sharing,
                        "c");
        vxs::phoneReply("/iphone/exchange.php?TODO=ADD_ARTISTS&USERNAME=ann&PWD=pw&ARTISTS=%3Cb%3E@@x%FF%01",
                        *d->sharing, "c");
        return d;
    }();
    return *built;
}

std::string part(const std::string& bytes, std::size_t* at) {
    const std::size_t end = std::min(bytes.find('\0', *at), bytes.size());
    std::string piece = bytes.substr(*at, end - *at);
    *at = end < bytes.size() ? end + 1 : end;
    return piece;
}

bool inertJson(const std::string& body) {
    for (std::size_t i = 0; i < body.size();) {
        const unsigned char c = static_cast<unsigned char>(body[i]);
        if (c == '<' || c == '>' || (c < 0x20 && c != '\n')) return false;
        const std::size_t length = c < 0x80 ? 1 : vx::utf8CharLength(body, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(bytes), size);
    std::size_t at = 0;
    vxs::AppRequest r;
    r.target = part(input, &at);
    r.path = r.target.substr(0, r.target.find('?'));
    r.cookie = part(input, &at);
    r.origin = part(input, &at);
    r.body = part(input, &at);
    r.method = at < input.size() || !r.body.empty() ? "POST" : "GET";
    r.host = "127.0.0.1:8460";
    r.client = "10.0.0.1";
    const vxs::Reply reply = vxs::phoneAppReply(r, data());
    switch (reply.status) {
    case 200:
    case 301:
    case 304:
    case 400:
    case 401:
    case 403:
    case 404:
    case 405:
    case 409:
    case 429:
    case 503:
        break;
    default:
        __builtin_trap();
    }
    if (reply.contentType.rfind("application/json", 0) == 0 && !inertJson(reply.body)) __builtin_trap();
    return 0;
}
