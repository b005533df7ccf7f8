// Arbitrary bytes as an album release page, read into release records against a small library.
#include "fuzz/fuzz_library.h"
#include "plugin/matching/release_matching.h"
#include "plugin/net/concert_search_place.h"

#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    XML_Artist_List& library = vx::fuzz::smallLibrary();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // The step reads the page as the text it is, up to its first NUL.
    const std::string page(bytes.c_str());
    static const ConcertSearchPlace place = concertSearchPlace("new york", "New York", 0);
    SHOWLIST releases;
    SHOWLIST previous;
    addLibraryReleases(page, "127.0.0.1:8460", place, library, releases, &previous);
    uint32_t linked = 0;
    for (const SHOWENTRY* s = releases.head; s; s = s->next, ++linked) {
        if (std::strlen(s->artist) > 255 || std::strlen(s->venue) > 255 || std::strlen(s->url) > 255)
            __builtin_trap();
        if (s->month < 1 || s->month > 12 || s->day < 1 || s->day > 31) __builtin_trap();
        if (s->next && compareDates(s, s->next) > 0) __builtin_trap();
        for (const FRIENDNAME* n = s->nameList->head; n; n = n->next)
            if (n->name[0] == '\0' || std::strlen(n->name) > 63) __builtin_trap();
    }
    if (linked != releases.size()) __builtin_trap();
    return 0;
}
