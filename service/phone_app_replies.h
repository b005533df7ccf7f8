#pragma once
// The phone web app at "/app/": its files, its sign-in with the phone account, the shows near the
// phone, the stars and their calendar feed ("/app/feed/TOKEN.ics").
#include "service/phone_app_store.h"
#include "service/reply.h"
#include "service/service_data.h"

#include <string>

namespace vxs {

// What the app's handlers read of a request, apart from the HTTP library.
struct AppRequest {
    std::string method; // "GET" or "POST"
    std::string path;   // decoded, without the query
    std::string target; // as sent, with the query
    std::string body;   // a POST's form, URL-encoded
    std::string cookie, origin, referer, ifNoneMatch;
    std::string host;    // the Host the request named (checked), for addresses and the origin check
    std::string client;  // the peer's address, for the sign-in throttle
    bool secure = false; // reached over TLS (directly or through a proxy on this host)
};

Reply phoneAppReply(const AppRequest& request, ServiceData& data);

} // namespace vxs
