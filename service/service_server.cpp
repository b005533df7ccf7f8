#include "service/service_server.h"

#include "service/album_releases.h"
#include "service/concert_sources.h"
#include "service/feed_replies.h"
#include "service/phone_app_replies.h"
#include "service/place_replies.h"
#include "service/query_params.h"
#include "service/request_log.h"
#include "service/sharing_replies.h"
#include "service/version_reply.h"
#include "service/web_pages.h"

#include <cctype>
#include <chrono>
#include <functional>
#include <sys/socket.h>
#include <thread>

namespace vxs {
namespace {

constexpr std::size_t kMaxTargetBytes = 4096;
// How long a kept connection may wait for its next request, as the replies say.
constexpr int kKeepAliveSeconds = 5;

void send(httplib::Response& res, const Reply& reply) {
    res.status = reply.status;
    if (!reply.location.empty()) res.set_header("Location", reply.location);
    for (const auto& [name, value] : reply.headers)
        res.set_header(name, value);
    res.set_content(reply.body, reply.contentType.c_str());
}

// A reply made for this request gives its body away: an account's reply runs to megabytes.
void send(httplib::Response& res, Reply&& reply) {
    std::string body = std::move(reply.body);
    reply.body.clear();
    send(res, reply);
    res.body = std::move(body);
}

// Parses the query under the service's limits; on a breach answers 400 and gives false.
bool readQuery(const httplib::Request& req, httplib::Response& res, Query* query) {
    std::string error;
    if (query->parse(req.target, QueryLimits{}, &error)) return true;
    send(res, errorReply(400, error));
    return false;
}

bool validHostHeader(const std::string& host) {
    if (host.empty() || host.size() > 255) return false;
    for (char c : host)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == ':' || c == '[' ||
              c == ']'))
            return false;
    return true;
}

// The head the library writes for a plain reply, byte for byte, its fields in the library's order.
std::string replyHead(const Reply& reply, const QuickRequest& request) {
    std::string head = "HTTP/1.1 200 OK\r\n";
    if (!request.keepAlive)
        head += "Connection: close\r\n";
    else if (request.http10)
        head += "Connection: keep-alive\r\n";
    head += "Content-Length: " + std::to_string(reply.body.size()) +
            "\r\nContent-Type: " + reply.contentType + "\r\n";
    if (request.keepAlive)
        head += "Keep-Alive: timeout=" + std::to_string(kKeepAliveSeconds) +
                ", max=" + std::to_string(GateLimits{}.maxRequestsPerConnection) + "\r\n";
    return head + "\r\n";
}

// A proxy on this host that ends TLS names the scheme; no other peer is believed.
bool isLoopbackPeer(const std::string& address) {
    return address == "127.0.0.1" || address == "::1" || address == "::ffff:127.0.0.1";
}

} // namespace

ServiceServer::ServiceServer(ServiceData& data, RequestLog& log) : data_(data), log_(log) {
    configure(web_, "web");
    configure(iploc_, "iploc");
    addWebRoutes();
    addIpLocationRoutes();
    web_.answerAtOnce([this](const QuickRequest& request) { return answerAtOnce(request); });
}

void ServiceServer::configure(httplib::Server& server, const char* name) {
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    // Only named in the replies' Keep-Alive header: the gate keeps the connections and counts.
    server.set_keep_alive_max_count(GateLimits{}.maxRequestsPerConnection);
    server.set_keep_alive_timeout(kKeepAliveSeconds);
    server.set_payload_max_length(64 * 1024);
    // The library's own options add SO_REUSEPORT, which lets a second service share a port held by
    // a running one (the kernel then splits the connections): a port in use must fail to bind.
    server.set_socket_options([](socket_t sock) {
        const int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server.set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        if (req.target.size() <= kMaxTargetBytes) return httplib::Server::HandlerResponse::Unhandled;
        send(res,
             errorReply(414, "request target longer than " + std::to_string(kMaxTargetBytes) + " bytes"));
        return httplib::Server::HandlerResponse::Handled;
    });
    server.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
        if (!res.body.empty()) return;
        std::string reason =
            res.status == 404 ? "no such page " + printableTarget(req.path) : "request refused";
        send(res, errorReply(res.status, reason));
    });
    server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const StoreError& failure) {
            // The database away or too slow: the client may try again, and the next request finds
            // it again when it is back.
            if (failure.kind() == StoreError::Kind::Unavailable ||
                failure.kind() == StoreError::Kind::Conflict)
                send(res, errorReply(503, "the store is unavailable; try again later"));
            else if (failure.kind() == StoreError::Kind::Refused)
                send(res, errorReply(400, "a value the store cannot keep"));
            else
                send(res, errorReply(500, "internal error"));
        } catch (...) {
            send(res, errorReply(500, "internal error"));
        }
    });
    // An HTTP/1.0 client keeps its connection only when the reply says so too.
    server.set_post_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        if (req.version == "HTTP/1.0" && !res.has_header("Connection"))
            res.set_header("Connection", "keep-alive");
    });
    server.set_logger([this, name](const httplib::Request& req, const httplib::Response& res) {
        log_.write(name, req.method, feedTargetForLog(req.target), res.status);
    });
}

std::string ServiceServer::hostFor(const httplib::Request& req) const {
    return hostFor(req.get_header_value("Host"));
}

std::string ServiceServer::hostFor(std::string_view host) const {
    if (validHostHeader(std::string(host))) return std::string(host);
    return "127.0.0.1:" + std::to_string(port_);
}

std::optional<QuickReply> ServiceServer::answerAtOnce(const QuickRequest& request) {
    // Only a plain target reaches a page here; an encoded path or an odd request takes the
    // library's way, which decodes, routes and refuses.
    if (request.method != "GET" || request.target.size() > kMaxTargetBytes) return std::nullopt;
    const std::string_view path = request.target.substr(0, request.target.find('?'));
    if (path.find('%') != std::string_view::npos) return std::nullopt;
    Query query;
    std::string error;
    std::shared_ptr<const Reply> reply;
    std::shared_ptr<const PageFile> file;
    if (path == "/current_version.php") {
        if (!query.parse(request.target, QueryLimits{}, &error)) return std::nullopt;
        reply = std::make_shared<const Reply>(versionReply(query, data_.version));
    } else {
        int source = 0;
        while (source < kSourceCount && path != sourceInfo(source).path)
            ++source;
        if (source == kSourceCount || !data_.sourcePages.empty()) return std::nullopt;
        if (!query.parse(request.target, QueryLimits{}, &error)) return std::nullopt;
        SourcePageCache::KeptPage page = sourcePages_.kept(source, query, data_, hostFor(request.host));
        reply = std::move(page.reply);
        file = std::move(page.file);
    }
    if (!reply || reply->status != 200 || !reply->location.empty() || !reply->headers.empty())
        return std::nullopt;
    log_.write("web", request.method, feedTargetForLog(request.target), reply->status);
    return QuickReply{replyHead(*reply, request), std::shared_ptr<const std::string>(reply, &reply->body),
                      std::move(file)};
}

void ServiceServer::addWebRoutes() {
    web_.Get("/datasources/datasources.php", [this](const httplib::Request& req, httplib::Response& res) {
        Query q;
        if (readQuery(req, res, &q)) send(res, directoryReply(q, data_, hostFor(req)));
    });
    for (int s = 0; s < kSourceCount; ++s) {
        web_.Get(sourceInfo(s).path, [this, s](const httplib::Request& req, httplib::Response& res) {
            Query q;
            if (readQuery(req, res, &q)) send(res, *sourcePages_.reply(s, q, data_, hostFor(req)));
        });
    }
    web_.Get("/zipcodes/zipcodes.php", [this](const httplib::Request& req, httplib::Response& res) {
        Query q;
        if (readQuery(req, res, &q)) send(res, latLonReply(q, data_.cities));
    });
    web_.Get("/current_version.php", [this](const httplib::Request& req, httplib::Response& res) {
        Query q;
        if (readQuery(req, res, &q)) send(res, versionReply(q, data_.version));
    });
    web_.Get(R"(/CDReleases/data/cdReleasesData_(\d{1,2})\.html)",
             [this](const httplib::Request& req, httplib::Response& res) {
                 send(res, releasePage(std::stoi(req.matches[1]), data_.catalogue, data_.events->today()));
             });
    web_.Get("/CDReleases/cdreleaseclickthrough.php",
             [this](const httplib::Request& req, httplib::Response& res) {
                 Query q;
                 if (readQuery(req, res, &q)) send(res, releaseClickThrough(q, data_));
             });
    web_.Get("/clickthrough.php", [this](const httplib::Request& req, httplib::Response& res) {
        send(res, clickThrough(req.target, hostFor(req)));
    });
    for (int s = 0; s < kSourceCount; ++s) {
        web_.Get("/" + std::string(sourceInfo(s).name) + R"(/event/([0-9a-f]{1,16})\.html)",
                 [this, s](const httplib::Request& req, httplib::Response& res) {
                     send(res, eventPage(s, req.matches[1], data_));
                 });
    }
    web_.Get("/download/download_mac_redirect.php", [this](const httplib::Request&, httplib::Response& res) {
        send(res, downloadPage(data_.version));
    });
    // The pane's phone links lead to the phone app.
    for (const char* page : {"/iphone.php", "/android.php"})
        web_.Get(page, [](const httplib::Request&, httplib::Response& res) {
            send(res, Reply{302, "", "text/plain", "/app/"});
        });
    auto app = [this](const httplib::Request& req, httplib::Response& res) {
        AppRequest r{req.method,
                     req.path,
                     req.target,
                     req.body,
                     req.get_header_value("Cookie"),
                     req.get_header_value("Origin"),
                     req.get_header_value("Referer"),
                     req.get_header_value("If-None-Match"),
                     hostFor(req),
                     req.remote_addr,
                     isLoopbackPeer(req.remote_addr) && req.get_header_value("X-Forwarded-Proto") == "https"};
        send(res, phoneAppReply(r, data_));
    };
    web_.Get(R"(/app(/.*)?)", app);
    web_.Post(R"(/app/.*)", app);
    for (const char* page : {"/", "/iphonelink.php", "/donations.php"}) {
        web_.Get(page, [this](const httplib::Request& req, httplib::Response& res) {
            send(res, productPage(req.path, data_.version));
        });
    }
    web_.Get("/sharing/sharing.php", [this](const httplib::Request& req, httplib::Response& res) {
        if (const auto rotate = feedAddressRequest(req.target))
            send(res, feedAddressReply(req.target, *rotate, *data_.sharing, *data_.feeds, hostFor(req)));
        else
            send(res, sharingReply(req.target, *data_.sharing, req.remote_addr));
    });
    web_.Get(R"(/feed/(.*))", [this](const httplib::Request& req, httplib::Response& res) {
        send(res, feedReply(req.matches[1].str(), *data_.feeds, hostFor(req),
                            req.get_header_value("If-None-Match"), req.get_header_value("If-Modified-Since"),
                            data_.gathered.get()));
    });
    web_.Get("/iphone/exchange.php", [this](const httplib::Request& req, httplib::Response& res) {
        send(res, phoneReply(req.target, *data_.sharing, req.remote_addr));
    });
}

void ServiceServer::addIpLocationRoutes() {
    iploc_.Get("/", [this](const httplib::Request& req, httplib::Response& res) {
        if (data_.ipPlace.delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(data_.ipPlace.delayMs));
        send(res, ipLocationPage(data_.ipPlace, req.remote_addr));
    });
}

bool ServiceServer::bind(const std::string& host, int port, int iplocPort, std::string* error) {
    auto bindOne = [&](httplib::Server& server, int wanted, int* got) {
        if (wanted == 0) {
            *got = server.bind_to_any_port(host);
            return *got > 0;
        }
        *got = wanted;
        return server.bind_to_port(host, wanted);
    };
    auto bindWide = [&](GatedServer& server, int wanted, int* got) {
        if (!bindOne(server, wanted, got)) return false;
        server.widenBacklog();
        return true;
    };
    auto failed = [&](int wanted) {
        *error = "cannot listen on " + host + ":" + std::to_string(wanted) +
                 (wanted == 0 ? "" : " (port " + std::to_string(wanted) + " is in use or not allowed)");
        return false;
    };
    if (!bindWide(web_, port, &port_)) return failed(port);
    if (!bindWide(iploc_, iplocPort, &iplocPort_)) return failed(iplocPort);
    return true;
}

void ServiceServer::run() {
    // Each gate accepts and serves on its own thread; this one waits for stop().
    std::thread webThread([this] { web_.serve(); });
    std::thread iplocThread([this] { iploc_.serve(); });
    {
        std::unique_lock<std::mutex> lock(stopMutex_);
        stopChanged_.wait(lock, [this] { return stopRequested_; });
    }
    web_.halt();
    iploc_.halt();
    webThread.join();
    iplocThread.join();
}

void ServiceServer::stop() {
    std::lock_guard<std::mutex> lock(stopMutex_);
    stopRequested_ = true;
    stopChanged_.notify_all();
}

} // namespace vxs
