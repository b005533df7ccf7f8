#pragma once
// The other library the plug-in reads: the XML database a Linux music player keeps of its songs
// (rhythmdb.xml). Its bytes are walked once, block by block, in a small state machine that holds
// at most one tag and one value at a time, so a file of any size or shape costs bounded memory.
#include "plugin/library/song_lists.h"

#include <cstddef>
#include <string>
#include <string_view>

class ProtectedData;

namespace vx {

class RhythmdbScan {
  public:
    // The longest tag and the longest value kept; the rest of either is dropped.
    static constexpr std::size_t kLongestTag = 256;
    static constexpr std::size_t kLongestValue = 1024;

    // Any run of the file's bytes, in file order; a tag or value may be split between runs.
    void feed(std::string_view bytes);
    // The whole file; a shutdown ends the reading between blocks. False when it does not open.
    bool readFile(const char* path, ProtectedData& state);
    // The songs read so far.
    const SongLists& songs() const { return found; }

    // The fields kept of a song, by the tag that holds each.
    enum class Field { none, artist, albumArtist, album, playCount, artistId, albumArtistId };

  private:
    enum class Mode { text, tag, cdata, comment };

    std::size_t skipTagsThatDoNothing(std::string_view bytes, std::size_t i) const;
    void endText();
    void keep(std::string_view text);
    void tagEnded(std::string_view text);
    void entryStarted(std::string_view start);
    void entryEnded();

    SongLists found;

    Mode mode = Mode::text;
    std::string tag;       // the tag being read, without '<' and '>'
    std::string pending;   // text of the current field not yet decoded
    std::size_t marks = 0; // the ']' or '-' just read in a CDATA section or comment
    bool inEntry = false;
    bool isSong = false;
    Field field = Field::none;
    std::string values[7]; // by Field
};

} // namespace vx
