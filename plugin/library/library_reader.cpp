#include "plugin/library/library_reader.h"

#include "plugin/library/artist_name_forms.h"
#include "plugin/library/library_kind.h"
#include "plugin/library/library_scan.h"
#include "plugin/library/line_source.h"
#include "plugin/library/rhythmdb_scan.h"

namespace {

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

int readLibrary(ProtectedData& state, XML_Artist_List& artists, XML_Album_List& albums, ArtistPlays* plays) {
    artists.clear();
    albums.clear();

    char path[1024];
    state.getiTunes_xml_path(path);
    if (vx::libraryKindOf(path) == vx::LibraryKind::rhythmdb) {
        vx::RhythmdbScan scan(artists, albums);
        if (!scan.readFile(path, state)) return 1;
        if (plays) plays->replace(scan.artistPlays());
    } else {
        vx::LibraryScan scan(artists, albums, state);
        if (!scan.readFile(path)) return 1;
        if (plays) plays->replace(scan.artistPlays());
    }

    state.getVoxtrailIncludeBandsList(path);
    addIncludedArtists(artists, path);
    state.getVoxtrailExcludeBandsList(path);
    removeExcludedArtists(artists, path);

    // Compilations are filed under these; no concert is ever theirs.
    artists.remove("various");
    artists.remove("variousartists");
    return 0;
}
