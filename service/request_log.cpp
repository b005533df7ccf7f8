#include "service/request_log.h"

namespace vxs {

RequestLog::~RequestLog() {
    if (file_) std::fclose(file_);
}

bool RequestLog::open(const std::string& path, std::string* error) {
    std::FILE* f = std::fopen(path.c_str(), "a");
    if (!f) {
        if (error) *error = "cannot open log " + path;
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_) std::fclose(file_);
    file_ = f;
    return true;
}

std::string printableTarget(std::string_view target) {
    constexpr std::size_t kMax = 4096;
    std::string out;
    for (unsigned char c : target.substr(0, kMax)) {
        if (c <= ' ' || c >= 127) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (target.size() > kMax) out += "...";
    return out;
}

void RequestLog::write(std::string_view server, std::string_view method, std::string_view target,
                       int status) {
    std::string line = std::string(server) + " " + printableTarget(method) + " " + printableTarget(target) +
                       " " + std::to_string(status) + "\n";
    std::lock_guard<std::mutex> lock(mutex_);
    std::FILE* f = file_ ? file_ : stdout;
    std::fwrite(line.data(), 1, line.size(), f);
    std::fflush(f);
}

} // namespace vxs
