// One read of a library file by the plug-in's reader, as a process of its own: the figure to hold
// against `grep -c '<key>Artist</key>' FILE` with an outside timer. Links only the reader's
// layers, so the process costs what the reading costs.
#include "plugin/library/library_reader.h"
#include "plugin/model/protected_data.h"
#include "plugin/model/record_lists.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: bench_library_read_once LIBRARY [SUPPORT_FOLDER]\n");
        return 2;
    }
    ProtectedData state;
    // A music folder keeps what it read in the support folder, when one is given.
    if (argc == 3) state.setVoxtrailPref((std::string(argv[2]) + "/VoxtrailPref").c_str());
    XML_Artist_List artists;
    XML_Album_List albums;
    state.setiTunes_xml_path(argv[1]);
    const int result = readLibrary(state, artists, albums);
    std::printf("%u artists, %u albums, version %.2f\n", artists.size(), albums.size(),
                static_cast<double>(state.getiTunesVersion()));
    return result;
}
