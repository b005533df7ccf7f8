#pragma once
// Reads fuzzed bytes as the user's library, with the include and exclude files beside it, and
// traps unless the artist and album lists come out well formed.
#include "fuzz/fuzz_home.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace vx::fuzz {

// Names in the lists are normalised: at most 255 digits and lower-case letters, strictly
// ascending, linked both ways.
template <typename L> void checkNameList(L& list) {
    // Names are kept in their cleaned form: letters and digits of any script, or the own text of a
    // name without any; those of ASCII letters and digits keep the byte order among themselves.
    const char* previous = nullptr;
    std::uint32_t n = 0;
    for (auto* r = list.head; r; r = r->next) {
        const std::size_t len = strnlen(r->name, sizeof r->name);
        if (len > 255) __builtin_trap();
        bool plain = true;
        for (std::size_t i = 0; i < len; ++i) {
            const char c = r->name[i];
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) plain = false;
        }
        if (plain) {
            if (previous && std::strcmp(previous, r->name) >= 0) __builtin_trap();
            previous = r->name;
        }
        if (r->next ? r->next->prev != r : list.tail != r) __builtin_trap();
        ++n;
    }
    if (n != list.count) __builtin_trap();
}

// library holds libraryBytes; half the inputs (data) also stand as the user's two name files.
inline void readFuzzedLibrary(const std::string& library, const std::uint8_t* libraryBytes,
                              std::size_t librarySize, const std::uint8_t* data, std::size_t size) {
    VoxtrailClass& root = fuzzRoot();
    root.state.setiTunes_xml_path(library.c_str());
    char include[1024], exclude[1024];
    root.state.getVoxtrailIncludeBandsList(include);
    root.state.getVoxtrailExcludeBandsList(exclude);
    writeBytes(library, libraryBytes, librarySize);
    const bool names = size > 0 && (data[0] & 1);
    writeBytes(include, data, names ? size : 0);
    writeBytes(exclude, data, names ? size / 2 : 0);

    // A file of no library kind is refused and leaves the lists as they were.
    const std::uint32_t artistsBefore = root.engine.artists.size();
    const std::uint32_t albumsBefore = root.engine.albums.size();
    if (root.engine.parseXML() != 0 &&
        (root.engine.artists.size() != artistsBefore || root.engine.albums.size() != albumsBefore))
        __builtin_trap();
    checkNameList(root.engine.artists);
    checkNameList(root.engine.albums);
    if (root.engine.artists.contains("various") || root.engine.artists.contains("variousartists"))
        __builtin_trap();
}

} // namespace vx::fuzz
