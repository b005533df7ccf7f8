#include "player/host_version.h"

#include <algorithm>
#include <charconv>

namespace vx::player {

std::optional<DottedVersion> parseDottedVersion(std::string_view text) {
    int parts[3] = {0, 0, 0};
    int count = 0;
    size_t pos = 0;
    while (count < 3) {
        size_t dot = text.find('.', pos);
        std::string_view part =
            text.substr(pos, dot == std::string_view::npos ? text.size() - pos : dot - pos);
        if (part.empty() || part.size() > 4) return std::nullopt;
        int v = 0;
        auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), v);
        if (ec != std::errc() || end != part.data() + part.size() || v < 0) return std::nullopt;
        parts[count++] = v;
        if (dot == std::string_view::npos) return DottedVersion{parts[0], parts[1], parts[2]};
        pos = dot + 1;
    }
    return std::nullopt; // a fourth part
}

std::string toString(const DottedVersion& v) {
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.fix);
}

NumVersion toNumVersion(const DottedVersion& v) {
    NumVersion n{};
    n.majorRev = static_cast<uint8_t>(std::min(v.major, 255));
    n.minorAndBugRev = static_cast<uint8_t>((std::min(v.minor, 15) << 4) | std::min(v.fix, 15));
    n.stage = 0x80;
    n.nonRelRev = 0;
    return n;
}

bool hasMouseOffsetQuirk(const DottedVersion& host) {
    int v = host.major * 10000 + host.minor;
    return v >= 8 * 10000 + 1 && v < 10 * 10000;
}

} // namespace vx::player
