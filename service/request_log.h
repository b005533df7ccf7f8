#pragma once
// One line per request ("GET /path?query 200"), flushed at once, so tests can
// read which requests arrived while the service runs.
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace vxs {

class RequestLog {
  public:
    RequestLog() = default;
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    // Appends to path; without a call, the log goes to standard output.
    bool open(const std::string& path, std::string* error);

    void write(std::string_view server, std::string_view method, std::string_view target, int status);

  private:
    std::mutex mutex_;
    std::FILE* file_ = nullptr; // owned; nullptr means stdout
};

// The target as one printable line: control bytes, blanks and bytes above 127
// are written as %XX, and it is cut at 4096 bytes.
std::string printableTarget(std::string_view target);

} // namespace vxs
