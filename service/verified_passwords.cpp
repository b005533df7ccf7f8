#include "service/verified_passwords.h"

#include "service/text_keys.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <stdexcept>

namespace vxs {

VerifiedPasswords::VerifiedPasswords(std::chrono::seconds lifetime, std::size_t capacity)
    : lifetime_(lifetime), capacity_(capacity) {
    if (RAND_bytes(key_.data(), static_cast<int>(key_.size())) != 1)
        throw std::runtime_error("no random key for the password cache");
}

std::string VerifiedPasswords::mac(const std::string& name, const std::string& password) const {
    // Names are compared without letter case, as the database does; the NUL keeps the two apart.
    std::string text = upperAscii(name);
    text += '\0';
    text += password;
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha256(), key_.data(), static_cast<int>(key_.size()),
         reinterpret_cast<const unsigned char*>(text.data()), text.size(), out, &length);
    return std::string(reinterpret_cast<const char*>(out), length);
}

bool VerifiedPasswords::holds(const std::string& name, const std::string& password,
                              const std::string& storedHash, Clock::time_point now) {
    const std::string id = mac(name, password);
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = entries_.find(id);
    if (found == entries_.end()) return false;
    if (now < found->second.expires && found->second.storedHash == storedHash) return true;
    entries_.erase(found);
    return false;
}

void VerifiedPasswords::remember(const std::string& name, const std::string& password,
                                 const std::string& storedHash, Clock::time_point now) {
    const std::string id = mac(name, password);
    std::lock_guard<std::mutex> lock(mutex_);
    if (entries_.size() >= capacity_) {
        std::erase_if(entries_, [&](const auto& entry) { return now >= entry.second.expires; });
        // Still full: a fresh entry is worth more than any old one.
        if (entries_.size() >= capacity_) entries_.erase(entries_.begin());
    }
    entries_[id] = Entry{now + lifetime_, storedHash};
}

} // namespace vxs
