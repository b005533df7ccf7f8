#pragma once
// Runs voxtrail-service as a child process on free loopback ports, and fetches
// from it the way the plug-in's client does (one GET, "Connection: Close", read
// until the server closes).
#include <string>
#include <vector>

struct RawReply {
    bool ok = false; // connected and read to the end
    int status = 0;
    std::string head; // status line and headers
    std::string body;
};

// GET path from 127.0.0.1:port, as the plug-in sends it; from another loopback address when given.
RawReply rawGet(int port, const std::string& path, const char* from = nullptr);
// Sends bytes as they are and reads the answer until the server closes; with endAfterSending
// the sending side is shut first (the server then drops the connection without a reply).
RawReply rawExchange(int port, const std::string& bytes, bool endAfterSending = false,
                     const char* from = nullptr);
// A socket connected to 127.0.0.1:port from the loopback address from (such as "127.0.0.2"), or
// from 127.0.0.1 without one; -1 when it cannot connect.
int connectFrom(const char* from, int port);

class ServiceProcess {
  public:
    // Starts the service with --port 0 --iploc-port 0 --log <temp file> and the extra arguments;
    // waits for the ports it prints.
    explicit ServiceProcess(const std::vector<std::string>& extraArgs = {});
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    bool started() const { return port_ > 0 && iplocPort_ > 0; }
    int port() const { return port_; }
    int iplocPort() const { return iplocPort_; }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    // The request log written so far, one line per request.
    std::vector<std::string> logLines() const;
    // Asks it to stop (or, with SIGKILL, kills it) and waits; the exit status (0 for a clean stop).
    int stop(int signal = 15);

  private:
    int pid_ = -1;
    int port_ = 0;
    int iplocPort_ = 0;
    std::string logPath_;
};

// Runs a program to its end; its exit status, or -1 when it did not run. With alsoStderr the
// text holds what it wrote to standard error too.
int runProgram(const std::vector<std::string>& argv, std::string* stdoutText = nullptr,
               bool alsoStderr = false);
