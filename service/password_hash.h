#pragma once
// Passwords of the phone accounts are kept only as salted hashes (SHA-512 crypt with a fresh
// random salt per password), never as the text the user typed.
#include <string>

namespace vxs {

// The stored form of password; empty when no hash could be made.
std::string hashPassword(const std::string& password);
// Whether password is the one stored; false for an empty or malformed stored form.
bool passwordMatches(const std::string& password, const std::string& stored);
// Whether a stored text is a hash (older databases kept the plain text).
bool isPasswordHash(const std::string& stored);

} // namespace vxs
