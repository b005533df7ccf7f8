#pragma once
// Feed tokens. A token is the HMAC, under the service's secret key, of a random nonce the service
// keeps and the installation's id, which only the owner sends: the database holds the nonce and the
// token's hash, never the token or the key, so a copy of the database alone gives no feed away, yet
// the service can show the owner the same address again.
#include <optional>
#include <string>
#include <string_view>

namespace vxs {

// Lower-case hex of the SHA-256 of text.
std::string sha256Hex(std::string_view text);

// bytes random bytes from the system, as lower-case hex; "" when none could be had.
std::string randomHex(std::size_t bytes);

// A new random key (64 hex digits); "" when the system gave no random bytes.
std::string newFeedKey();

// The key kept in the file at path, made there (mode 0600) when there is none. Processes that
// share one database share the key through this file; the first to start makes it, atomically,
// so every process reads the same key. nullopt with a message in *error when the file cannot be
// read or made, or holds anything but a key.
std::optional<std::string> loadOrCreateFeedKey(const std::string& path, std::string* error);

// The token (64 hex digits, 256 bits) of a nonce and an installation id under key.
std::string feedToken(std::string_view key, const std::string& nonce, const std::string& uuid);

} // namespace vxs
