// Arbitrary bytes after the root tag of a song database, as the library file; the include and exclude files
// beside it.
#include "fuzz/fuzz_home.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Names in the lists are normalised: at most 255 digits and lower-case letters, strictly
// ascending, linked both ways.
template <typename L> void checkList(L& list) {
    const char* previous = nullptr;
    std::uint32_t n = 0;
    for (auto* r = list.head; r; r = r->next) {
        const std::size_t len = strnlen(r->name, sizeof r->name);
        if (len > 255) __builtin_trap();
        for (std::size_t i = 0; i < len; ++i) {
            const char c = r->name[i];
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) __builtin_trap();
        }
        if (previous && std::strcmp(previous, r->name) >= 0) __builtin_trap();
        if (r->next ? r->next->prev != r : list.tail != r) __builtin_trap();
        previous = r->name;
        ++n;
    }
    if (n != list.count) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    VoxtrailClass& root = vx::fuzz::fuzzRoot();
    static const std::string library = vx::fuzz::fuzzHome() + "/rhythmdb.xml";
    static const bool configured = [&] {
        root.state.setiTunes_xml_path(library.c_str());
        return true;
    }();
    (void)configured;

    char include[1024], exclude[1024];
    root.state.getVoxtrailIncludeBandsList(include);
    root.state.getVoxtrailExcludeBandsList(exclude);
    // The root tag makes the file a song database; the bytes after it are the fuzzer's.
    std::string bytes = "<rhythmdb version=\"2.0\">\n";
    bytes.append(reinterpret_cast<const char*>(data), size);
    vx::fuzz::writeBytes(library, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    // Half the inputs also stand as the user's two name files.
    const bool names = size > 0 && (data[0] & 1);
    vx::fuzz::writeBytes(include, data, names ? size : 0);
    vx::fuzz::writeBytes(exclude, data, names ? size / 2 : 0);

    if (root.engine.parseXML() != 0) __builtin_trap();
    checkList(root.engine.artists);
    checkList(root.engine.albums);
    if (root.engine.artists.contains("various") || root.engine.artists.contains("variousartists"))
        __builtin_trap();
    return 0;
}
