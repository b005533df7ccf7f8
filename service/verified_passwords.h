#pragma once
// Passwords that have just been verified, so that the phone's many uploads of one sync cost one
// slow hash, not one each. Neither name nor password is kept: an entry is found by an HMAC of the
// two under a key drawn at random when the process starts, and holds the stored hash it was
// verified against (a changed password no longer matches). Entries live a few minutes, only in
// memory, and the table has a fixed size.
#include <array>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace vxs {

class VerifiedPasswords {
  public:
    using Clock = std::chrono::steady_clock;
    explicit VerifiedPasswords(std::chrono::seconds lifetime = std::chrono::minutes(5),
                               std::size_t capacity = 10000);

    // Whether password was verified for name against storedHash within the lifetime.
    bool holds(const std::string& name, const std::string& password, const std::string& storedHash,
               Clock::time_point now = Clock::now());
    void remember(const std::string& name, const std::string& password, const std::string& storedHash,
                  Clock::time_point now = Clock::now());

  private:
    std::string mac(const std::string& name, const std::string& password) const;

    struct Entry {
        Clock::time_point expires;
        std::string storedHash;
    };
    std::array<unsigned char, 32> key_{};
    std::chrono::seconds lifetime_;
    std::size_t capacity_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

} // namespace vxs
