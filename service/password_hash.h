#pragma once
// Passwords of the phone accounts are kept only as salted hashes, never as the text the user
// typed: yescrypt (memory-hard, so a stolen database costs a guesser dearly) with a fresh random
// salt per password. Hashes of an older service (SHA-512 crypt) are still read, and replaced when
// their owner next signs in.
#include <atomic>
#include <string>

namespace vxs {

// libxcrypt's cost for yescrypt; 0 takes the library's recommended default.
constexpr int kDefaultHashCost = 0;

// The stored form of password; empty when no hash could be made (never to be stored).
std::string hashPassword(const std::string& password, int cost = kDefaultHashCost);
// Whether password is the one stored; false for an empty or malformed stored form, and for a
// password holding a NUL (the hash would see only its start).
bool passwordMatches(const std::string& password, const std::string& stored);
// Whether a stored text is a hash of either form (older databases kept the plain text).
bool isPasswordHash(const std::string& stored);
// Whether a stored hash is of the current form, or is to be made again at the next sign-in.
bool isCurrentHash(const std::string& stored);

// How many hashes this process has computed: lets tests see that work is equal or spared.
std::size_t passwordHashesComputed();

} // namespace vxs
