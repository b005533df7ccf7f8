#pragma once
// A loopback web server for the search and location tests: each request's target (path and
// query) goes to a handler that answers with a page or refuses it, and every target is recorded.
// The handler runs on the server's thread, at the moment the request arrives.
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class RoutedServer {
  public:
    // A page sent with status 200, or none for a 404; a page starting "HTTP/1." is sent as the
    // whole reply, status line included.
    using Handler = std::function<std::optional<std::string>(const std::string& target)>;

    explicit RoutedServer(Handler handler);
    ~RoutedServer();
    RoutedServer(const RoutedServer&) = delete;
    RoutedServer& operator=(const RoutedServer&) = delete;

    // "127.0.0.1:<port>"
    std::string host() const;
    std::vector<std::string> targets();
    void stop();

  private:
    void run();
    void serve(int fd);

    Handler handler_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<std::string> targets_;
    std::thread thread_;
};
