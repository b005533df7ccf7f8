#pragma once
// A loopback server for the HTTP client's tests and benchmarks: it reads each connection's
// request up to its blank line, answers with the next canned reply of its script (the last one repeats) and
// records the request bytes it received. One thread serves the connections one after another; stop() joins
// it.
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct CannedReply {
    enum class Then {
        close,         // close the connection after the bytes
        holdOpen,      // keep it open, silent, until the client or the server goes
        streamForever, // keep sending filler bytes until the client goes
        trickle        // keep sending one filler byte at a time, slowly, until the client goes
    };
    std::string bytes;
    Then then = Then::close;
};

class ScriptedServer {
  public:
    explicit ScriptedServer(std::vector<CannedReply> script);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by path.
    std::string url(const std::string& path = "/") const;
    // Replaces the script; connections after this get the new replies.
    void setScript(std::vector<CannedReply> script);
    // Waits until count connections have been served (closed by either side); false when that
    // has not happened within a few seconds.
    bool waitServed(int count);
    int served();
    std::vector<std::string> requests();
    void stop();

  private:
    void run();
    void serve(int fd, const CannedReply& reply);
    static std::vector<std::shared_ptr<const CannedReply>> shared(std::vector<CannedReply> script);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable servedChanged_;
    // Shared so that a large reply is not copied for every connection.
    std::vector<std::shared_ptr<const CannedReply>> script_;
    std::size_t next_ = 0;
    int served_ = 0;
    std::vector<std::string> requests_;
    std::thread thread_;
};
