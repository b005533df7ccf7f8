#pragma once
// Hashing and pseudo-random numbers that give the same values on every run and
// every machine, so the service's generated data never changes between starts.
#include <cstdint>
#include <string_view>

namespace vxs {

// 64-bit FNV-1a over the bytes of text, continuing from seed.
inline std::uint64_t stableHash(std::string_view text, std::uint64_t seed = 1469598103934665603ULL) {
    std::uint64_t h = seed;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    return h;
}

inline std::uint64_t mixHash(std::uint64_t h, std::uint64_t value) {
    h ^= value + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2);
    return h;
}

// SplitMix64: small, fast and fully determined by its seed.
class StableRandom {
  public:
    explicit StableRandom(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A value in [0, n); n == 0 gives 0.
    std::uint64_t below(std::uint64_t n) { return n == 0 ? 0 : next() % n; }

    // A value in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

    bool chance(double p) { return unit() < p; }

  private:
    std::uint64_t state_;
};

} // namespace vxs
