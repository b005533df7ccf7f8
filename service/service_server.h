#pragma once
// The two HTTP servers of the process: the web service with the concert sources,
// and the IP-location page on a port of its own.
#include "service/connection_gate.h"
#include "service/request_log.h"
#include "service/service_data.h"
#include "service/source_page_cache.h"

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace vxs {

class ServiceServer {
  public:
    // data and log must outlive the server.
    ServiceServer(ServiceData& data, RequestLog& log);
    ServiceServer(const ServiceServer&) = delete;
    ServiceServer& operator=(const ServiceServer&) = delete;

    // Binds both ports (0: a free one); false with a reason when either fails.
    bool bind(const std::string& host, int port, int iplocPort, std::string* error);
    int port() const { return port_; }
    int iplocPort() const { return iplocPort_; }

    // Serves until stop(); returns when both servers have ended.
    void run();
    // Safe from any thread, also before run().
    void stop();

  private:
    void configure(httplib::Server& server, const char* name);
    void addWebRoutes();
    void addIpLocationRoutes();
    std::string hostFor(const httplib::Request& req) const;
    std::string hostFor(std::string_view host) const;
    // The version check and kept source pages, answered on the gate's thread.
    std::optional<QuickReply> answerAtOnce(const QuickRequest& request);

    ServiceData& data_;
    RequestLog& log_;
    SourcePageCache sourcePages_;
    GatedServer web_;
    GatedServer iploc_;
    int port_ = 0;
    int iplocPort_ = 0;
    std::mutex stopMutex_;
    std::condition_variable stopChanged_;
    bool stopRequested_ = false;
};

} // namespace vxs
