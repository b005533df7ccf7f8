// Reads the user's library file into the engine's artist and album lists, then applies the
// user's include and exclude files to the artists.
#include "plugin/engine/cal_get_data.h"
#include "plugin/host/voxtrail_class.h"
#include "plugin/services/artist_name_forms.h"
#include "plugin/services/library_scan.h"
#include "plugin/services/line_source.h"

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

int CalGetData::parseXML() {
    artists.clear();
    albums.clear();

    ProtectedData& state = root->state;
    char path[1024];
    state.getiTunes_xml_path(path);
    vx::LibraryScan scan(artists, albums, state);
    if (!vx::forEachLine(path, [&](std::string_view line) { scan.readLine(line); })) return 1;

    state.getVoxtrailIncludeBandsList(path);
    addIncludedArtists(artists, path);
    state.getVoxtrailExcludeBandsList(path);
    removeExcludedArtists(artists, path);

    // Compilations are filed under these; no concert is ever theirs.
    artists.remove("various");
    artists.remove("variousartists");
    return 0;
}
