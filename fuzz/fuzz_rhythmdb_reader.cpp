// Arbitrary bytes after the root tag of a song database, as the library file; the include and
// exclude files beside it. The same bytes are also fed to the reader whole, one byte at a time
// (where no tag is ever whole in a run, so none is skipped unread) and in runs the input sizes:
// every way must read the same songs.
#include "fuzz/fuzz_library_lists.h"
#include "plugin/library/rhythmdb_scan.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Everything a reading gives the plug-in: the lists' names in order, plays and ids.
struct ReadSongs {
    std::vector<std::string> artists, albums;
    ArtistPlays::Counts plays;
    vx::ArtistIds ids;
    bool operator==(const ReadSongs&) const = default;
};

ReadSongs readInRuns(std::string_view bytes, std::size_t run) {
    vx::RhythmdbScan scan;
    for (std::size_t at = 0; at < bytes.size(); at += run)
        scan.feed(bytes.substr(at, run));
    XML_Artist_List artists;
    XML_Album_List albums;
    scan.songs().addTo(artists, albums);
    ReadSongs read{{}, {}, scan.songs().plays(), scan.songs().ids()};
    for (auto* r = artists.head; r; r = r->next)
        read.artists.emplace_back(r->name);
    for (auto* r = albums.head; r; r = r->next)
        read.albums.emplace_back(r->name);
    return read;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string library = vx::fuzz::fuzzHome() + "/rhythmdb.xml";
    // The root tag makes the file a song database; the bytes after it are the fuzzer's.
    std::string bytes = "<rhythmdb version=\"2.0\">\n";
    bytes.append(reinterpret_cast<const char*>(data), size);
    vx::fuzz::readFuzzedLibrary(library, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                                data, size);

    const ReadSongs whole = readInRuns(bytes, std::max<std::size_t>(bytes.size(), 1));
    if (readInRuns(bytes, 1) != whole) __builtin_trap();
    const std::size_t run = size > 0 ? 2 + data[size - 1] % 61 : 7;
    if (readInRuns(bytes, run) != whole) __builtin_trap();
    return 0;
}
