#include "plugin/net/service_hosts.h"

#include "common/fixed_text.h"
#include "common/regular_file.h"

#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// Two host lines never need more; a larger file is not ours.
constexpr std::size_t kMaxFileBytes = 4096;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool isHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

// A host name or address, optionally followed by ':' and a port of 1 to 65535.
bool isHostAndPort(const std::string& line) {
    if (line.size() >= kServiceHostCapacity) return false;
    std::size_t colon = line.find(':');
    std::string host = line.substr(0, colon);
    if (host.empty()) return false;
    for (char c : host)
        if (!isHostChar(c)) return false;
    if (colon == std::string::npos) return true;
    std::string port = line.substr(colon + 1);
    if (port.empty() || port.size() > 5) return false;
    long value = 0;
    for (char c : port) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535;
}

std::string trimmed(const std::string& line) {
    const char* blanks = " \t\r";
    std::size_t first = line.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    return line.substr(first, line.find_last_not_of(blanks) - first + 1);
}

// The file's text, or "" when it is missing, too large or not plain text.
std::string readPlainText(const std::string& path) {
    const int fd = vx::openRegularFile(path.c_str());
    std::unique_ptr<std::FILE, FileCloser> file(fd >= 0 ? ::fdopen(fd, "rb") : nullptr);
    if (!file) {
        if (fd >= 0) ::close(fd);
        return "";
    }
    std::string text(kMaxFileBytes + 1, '\0');
    std::size_t n = std::fread(text.data(), 1, text.size(), file.get());
    if (n > kMaxFileBytes) return "";
    text.resize(n);
    for (unsigned char c : text)
        if ((c < 0x20 && c != '\n' && c != '\r' && c != '\t') || c >= 0x7f) return "";
    return text;
}

} // namespace

ServiceHosts defaultServiceHosts() {
    ServiceHosts hosts;
    vx::copyText(hosts.webServiceHost, kDefaultWebServiceHost);
    vx::copyText(hosts.ipLocationHost, kDefaultIpLocationHost);
    return hosts;
}

ServiceHosts readServiceHosts(const char* supportFolder) {
    ServiceHosts hosts = defaultServiceHosts();
    if (!supportFolder || !*supportFolder) return hosts;
    std::string path(supportFolder);
    if (path.back() != '/') path += '/';
    std::string text = readPlainText(path + kServicesFileName);
    std::size_t lineEnd = text.find('\n');
    std::string first = trimmed(text.substr(0, lineEnd));
    std::string second = lineEnd == std::string::npos ? "" : trimmed(text.substr(lineEnd + 1));
    second = trimmed(second.substr(0, second.find('\n')));
    if (isHostAndPort(first)) vx::copyText(hosts.webServiceHost, first.c_str());
    if (isHostAndPort(second)) vx::copyText(hosts.ipLocationHost, second.c_str());
    return hosts;
}
