#pragma once
// The version-1 track record the player hands to a visual plug-in.
#include "platform/visual_plugin_api.h"
#include "player/music_library.h"

#include <string_view>

namespace vx::player {

// Stores text as a Pascal string (length byte first), cut to 255 bytes at a character boundary.
void setPascalString(Str255& dst, std::string_view text);

// A zero-filled record with the track's fields.
ITTrackInfoV1 makeTrackRecord(const LibraryTrack& track);

} // namespace vx::player
