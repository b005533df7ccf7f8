#include "plugin/library/library_reader.h"

#include "plugin/library/artist_name_forms.h"
#include "plugin/library/database_scan.h"
#include "plugin/library/library_kind.h"
#include "plugin/library/library_scan.h"
#include "plugin/library/line_source.h"
#include "plugin/library/rhythmdb_scan.h"

namespace {

// The start of every notice of a library that could not be read; a later reading that works
// takes it away.
constexpr std::string_view kNotRead = "Library not read (";

void tellNotRead(ProtectedData& state, const char* path, const std::string& problem) {
    state.setLibraryNotice(
        (std::string(kNotRead) + problem + "), artists kept from before: " + path).c_str());
}

void clearNotReadNotice(ProtectedData& state) {
    char notice[ProtectedData::libraryNoticeCapacity];
    state.getLibraryNotice(notice);
    if (std::string_view(notice).substr(0, kNotRead.size()) == kNotRead) state.setLibraryNotice("");
}

// Whether a file that starts with binary bytes still holds tracks of an XML library further on:
// it is read aside first, so that a file of no library kind leaves the lists alone.
bool holdsTracks(ProtectedData& state, const char* path) {
    XML_Artist_List artists;
    XML_Album_List albums;
    vx::LibraryScan scan(artists, albums, state);
    return scan.readFile(path) && (artists.size() > 0 || albums.size() > 0);
}

void takeSongs(const vx::SongLists& songs, XML_Artist_List& artists, XML_Album_List& albums,
               ArtistPlays* plays, vx::ArtistIds* ids) {
    artists.clear();
    albums.clear();
    songs.addTo(artists, albums);
    if (plays) plays->replace(songs.plays());
    if (ids) *ids = songs.ids();
}

void addIncludedArtists(XML_Artist_List& artists, const char* path) {
    vx::forEachLine(path, [&](std::string_view line) {
        const vx::ArtistNameForms forms = vx::artistNameForms(line);
        artists.add(new XMLARTIST(forms.first.c_str()));
        if (forms.two) artists.add(new XMLARTIST(forms.second.c_str()));
    });
}

void removeExcludedArtists(XML_Artist_List& artists, const char* path) {
    vx::forEachLine(path, [&](std::string_view line) {
        const vx::ArtistNameForms forms = vx::artistNameForms(line);
        if (forms.first.empty()) return;
        artists.remove(forms.first.c_str());
        if (forms.two) artists.remove(forms.second.c_str());
    });
}

} // namespace

int readLibrary(ProtectedData& state, XML_Artist_List& artists, XML_Album_List& albums, ArtistPlays* plays,
                vx::ArtistIds* ids) {
    char path[1024];
    state.getiTunes_xml_path(path);
    const vx::LibraryKind kind = vx::libraryKindOf(path);
    if (kind == vx::LibraryKind::unknown && !holdsTracks(state, path)) {
        // Its artists would be none: the ones read before stay until the file is a library again.
        tellNotRead(state, path, "not a library file");
        return 1;
    }
    if (vx::isDatabaseKind(kind)) {
        vx::DatabaseScan scan;
        std::string problem;
        if (!scan.readFile(path, state, &problem)) {
            tellNotRead(state, path, problem);
            return 1;
        }
        takeSongs(scan.songs(), artists, albums, plays, ids);
    } else if (kind == vx::LibraryKind::rhythmdb) {
        vx::RhythmdbScan scan;
        if (!scan.readFile(path, state)) {
            artists.clear();
            albums.clear();
            return 1;
        }
        takeSongs(scan.songs(), artists, albums, plays, ids);
    } else {
        artists.clear();
        albums.clear();
        if (ids) ids->clear();
        vx::LibraryScan scan(artists, albums, state);
        if (!scan.readFile(path)) return 1;
        if (plays) plays->replace(scan.artistPlays());
    }
    clearNotReadNotice(state);

    state.getVoxtrailIncludeBandsList(path);
    addIncludedArtists(artists, path);
    state.getVoxtrailExcludeBandsList(path);
    removeExcludedArtists(artists, path);

    // Compilations are filed under these; no concert is ever theirs.
    artists.remove("various");
    artists.remove("variousartists");
    return 0;
}
