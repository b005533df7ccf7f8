#include "service/peer_address.h"

#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

namespace vxs {

std::string peerKey(int fd) {
    sockaddr_storage addr{};
    socklen_t length = sizeof addr;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &length) != 0) return "";
    if (addr.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&addr);
        return std::string("4") + std::string(reinterpret_cast<const char*>(&v4->sin_addr), 4);
    }
    if (addr.ss_family != AF_INET6) return "";
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&addr);
    const auto* bytes = reinterpret_cast<const char*>(v6->sin6_addr.s6_addr);
    if (IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr)) return std::string("4") + std::string(bytes + 12, 4);
    return std::string("6") + std::string(bytes, 8);
}

} // namespace vxs
