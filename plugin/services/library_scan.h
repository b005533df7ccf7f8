#pragma once
// The line-by-line walk over a library file: tracks are recognised by the keys iTunes writes one
// per line, and a playlist named after the product narrows the lists to its own tracks.
#include "plugin/model/record_lists.h"

#include <map>
#include <string>
#include <string_view>

class ProtectedData;

namespace vx {

class LibraryScan {
public:
    LibraryScan(XML_Artist_List& artists, XML_Album_List& albums, ProtectedData& state)
        : artists(artists), albums(albums), state(state) {}

    void readLine(std::string_view line);

private:
    void takeVersion(std::string_view line);
    // False when the line was used up by the playlist.
    bool playlistLine(std::string_view line);
    void trackLine(std::string_view line);
    void recordTrack();
    void addArtists(const std::string& stored);
    void clearTrack();

    XML_Artist_List& artists;
    XML_Album_List& albums;
    ProtectedData& state;

    bool dictOpened = false;
    bool dictClosed = false;
    bool artistSeen = false;
    bool albumSeen = false;
    bool genreSeen = false;
    bool trackIdSeen = false;
    char trackId[256] = {};
    char artist[512] = {}; // one name, or two joined by a comma
    char album[256] = {};
    char genre[256] = {};

    bool versionTaken = false;
    bool playlistMode = false;
    bool insideItems = false;
    bool firstPlaylistLine = true;

    std::map<std::string, std::string> trackArtists;
    std::map<std::string, std::string> trackAlbums;
};

} // namespace vx
