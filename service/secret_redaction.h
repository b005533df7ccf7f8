#pragma once
// What the request log may keep of a request target: the query's key names all stay, but the
// values of keys that authorise (passwords, installation ids, tokens) are blanked, so that a
// reader of the log cannot act as the user.
#include <string>
#include <string_view>

namespace vxs {

// Whether a query key names a secret: PWD, UUID, or any key holding TOKEN, PASSWORD or SECRET
// (in any letter case, after %XX decoding).
bool isSecretKey(std::string_view key);

// target with every secret value replaced by "*". A value runs to the next "&" that starts
// another key ("&NAME="), since the plug-in sends "&" inside values unescaped.
std::string withoutSecrets(std::string_view target);

} // namespace vxs
