#include "plugin/library/library_reader.h"

#include "plugin/library/artist_name_forms.h"
#include "plugin/library/database_scan.h"
#include "plugin/library/folder_cache.h"
#include "plugin/library/library_kind.h"
#include "plugin/library/library_scan.h"
#include "plugin/library/line_source.h"
#include "plugin/library/music_folder_scan.h"
#include "plugin/library/rhythmdb_scan.h"

#include <sys/stat.h>

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

// The music folder's cache sits in the support folder, beside the preferences file.
std::string folderCachePath(ProtectedData& state) {
    char prefs[1024];
    state.getVoxtrailPref(prefs);
    const std::string_view named(prefs);
    const std::size_t slash = named.rfind('/');
    if (slash == std::string_view::npos) return {};
    return std::string(named.substr(0, slash + 1)) + vx::kFolderCacheFile;
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

int applyNameFiles(ProtectedData& state, XML_Artist_List& artists) {
    char path[1024];
    state.getVoxtrailIncludeBandsList(path);
    addIncludedArtists(artists, path);
    state.getVoxtrailExcludeBandsList(path);
    removeExcludedArtists(artists, path);

    // Compilations are filed under these; no concert is ever theirs.
    artists.remove("various");
    artists.remove("variousartists");
    return 0;
}

} // namespace

int readLibrary(ProtectedData& state, XML_Artist_List& artists, XML_Album_List& albums, ArtistPlays* plays,
                vx::ArtistIds* ids) {
    char path[1024];
    state.getiTunes_xml_path(path);
    struct stat info {};
    const bool there = ::stat(path, &info) == 0;
    if (there && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        // A device would never end and a FIFO would wait for a writer: neither is opened.
        tellNotRead(state, path, "a device, pipe or socket, not a library");
        return 1;
    }
    if (there && S_ISDIR(info.st_mode)) {
        vx::MusicFolderScan scan;
        if (!scan.readFolder(path, folderCachePath(state), state)) {
            tellNotRead(state, path, "the folder could not be read");
            return 1;
        }
        takeSongs(scan.songs(), artists, albums, plays, ids);
        state.setLibraryNotice(("Music folder " + std::string(path) + ": " + scan.summary()).c_str());
        return applyNameFiles(state, artists);
    }
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
    return applyNameFiles(state, artists);
}
