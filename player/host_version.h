#pragma once
// Dotted version numbers ("9.1", "11.1.3") of the host and of the system it reports.
#include "platform/visual_plugin_api.h"

#include <optional>
#include <string>
#include <string_view>

namespace vx::player {

struct DottedVersion {
    int major = 0;
    int minor = 0;
    int fix = 0;
};

// "X", "X.Y" or "X.Y.Z" with each part 0..9999; anything else gives nothing.
std::optional<DottedVersion> parseDottedVersion(std::string_view text);

std::string toString(const DottedVersion& v);

// The host's NumVersion: major in the first byte, minor in the high and fix in the low nibble
// of the second (each cut to what fits), final release stage.
NumVersion toNumVersion(const DottedVersion& v);

// Hosts from 8.1 up to (not including) 10.0 reported mouse locations 22 pixels higher; the
// plug-in adds the 22 back for those versions, so the player reproduces the offset.
bool hasMouseOffsetQuirk(const DottedVersion& host);
constexpr int kMouseQuirkOffset = 22;

} // namespace vx::player
