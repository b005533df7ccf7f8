#pragma once
// Which client a connection comes from, for limits per client: its IPv4 address, or the /64 of an
// IPv6 address (a single host is usually given a whole /64, so its addresses count as one).
#include <string>

namespace vxs {

// A key for the peer of a connected socket: 4 or 8 bytes of its address behind a family byte
// ("" when the peer is unknown). An IPv4 address mapped into IPv6 counts as the IPv4 address.
std::string peerKey(int fd);

} // namespace vxs
