#pragma once
// Feed tokens. A token is made from a random nonce the service keeps and the installation's id,
// which only the owner sends: the service stores the nonce and the token's hash, never the token,
// yet can show the owner the same address again.
#include <string>
#include <string_view>

namespace vxs {

// Lower-case hex of the SHA-256 of text.
std::string sha256Hex(std::string_view text);

// bytes random bytes from the system, as lower-case hex; "" when none could be had.
std::string randomHex(std::size_t bytes);

// The token (64 hex digits, 256 bits) of a nonce and an installation id.
std::string feedToken(const std::string& nonce, const std::string& uuid);

} // namespace vxs
