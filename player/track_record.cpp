#include "player/track_record.h"

#include <cstring>

namespace vx::player {

void setPascalString(Str255& dst, std::string_view text) {
    size_t n = text.size() < 255 ? text.size() : 255;
    // Never end inside a UTF-8 sequence: back up over continuation bytes of a cut character.
    if (n < text.size()) {
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n;
    }
    std::memset(dst, 0, sizeof(Str255));
    dst[0] = static_cast<unsigned char>(n);
    std::memcpy(dst + 1, text.data(), n);
}

ITTrackInfoV1 makeTrackRecord(const LibraryTrack& track) {
    ITTrackInfoV1 r;
    std::memset(&r, 0, sizeof r);
    r.recordLength = sizeof(ITTrackInfoV1);
    r.trackNumber = track.trackNumber;
    r.numTracks = track.trackCount;
    r.year = track.year;
    setPascalString(r.name, track.name);
    setPascalString(r.artist, track.artist);
    setPascalString(r.album, track.album);
    setPascalString(r.genre, track.genre);
    setPascalString(r.kind, track.kind);
    r.totalTimeInMS = track.totalTimeMs;
    r.stopTimeInMS = track.totalTimeMs;
    r.sizeInBytes = track.sizeInBytes;
    r.bitRate = track.bitRate;
    r.sampleRate = track.sampleRate;
    return r;
}

} // namespace vx::player
