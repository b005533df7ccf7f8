#pragma once
// The web service on free loopback ports for one test, logging its requests to a file; stopped
// (SIGTERM) when the object goes.
#include "tests/e2e/harness/player_process.h"

#include <memory>
#include <string>
#include <vector>

namespace vx::e2e {

class WebService {
  public:
    // Throws std::runtime_error when the service does not report its ports.
    WebService(const std::string& logPath, const std::vector<std::string>& extraArgs = {});
    ~WebService();
    WebService(const WebService&) = delete;
    WebService& operator=(const WebService&) = delete;

    // "127.0.0.1:<port>" of the web service and of the IP-location page.
    const std::string& host() const { return host_; }
    const std::string& iplocHost() const { return iplocHost_; }
    // The two lines of a "VoxtrailServices" file pointing at this service.
    std::string servicesFile() const { return host_ + "\n" + iplocHost_ + "\n"; }
    // The logged request lines so far, each "<server> GET <target> <status>".
    std::vector<std::string> logLines() const;
    // How many logged request lines hold `part`.
    std::size_t requestsMatching(const std::string& part) const;
    void stop();

  private:
    std::string logPath_;
    std::unique_ptr<PlayerProcess> process_;
    std::string host_, iplocHost_;
};

// The body of a GET of target from hostPort ("127.0.0.1:N"); throws when no 200 reply comes.
std::string httpGet(const std::string& hostPort, const std::string& target);

} // namespace vx::e2e
