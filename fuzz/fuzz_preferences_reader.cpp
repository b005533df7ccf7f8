// Arbitrary bytes as the preferences file read at start-up.
#include "fuzz/fuzz_home.h"

#include <cstdint>
#include <cstring>

namespace {

void checkShows(SHOWLIST& list) {
    const SHOWENTRY* previous = nullptr;
    std::uint32_t n = 0;
    for (SHOWENTRY* e = list.head; e; e = e->next) {
        if (e->month < 1 || e->month > 12 || e->day < 1 || e->day > 31) __builtin_trap();
        if (previous && compareDates(previous, e) > 0) __builtin_trap();
        if (strnlen(e->artist, sizeof e->artist) == sizeof e->artist) __builtin_trap();
        if (strnlen(e->otherArtists, sizeof e->otherArtists) == sizeof e->otherArtists) __builtin_trap();
        previous = e;
        ++n;
    }
    if (n != list.count) __builtin_trap();
}

// Filters accumulate across inputs; the reader adds them one by one, so take them off the same way.
void clearFilters(ProtectedData& st) {
    for (int round = 0; round < 64; ++round) {
        char filters[512];
        st.getFilterString(filters);
        const char* end = std::strstr(filters, "@@");
        if (!end) return;
        std::string first(filters, static_cast<std::size_t>(end - filters));
        if (!st.isFilterOn(first.c_str())) return;
        st.removeFormatFilter(first.c_str());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    VoxtrailClass& root = vx::fuzz::fuzzRoot();
    char path[1024];
    root.state.getVoxtrailPref(path);
    vx::fuzz::writeBytes(path, data, size);

    const int result = root.engine.loadPrefs();
    if (result != 0 && result != -1) __builtin_trap();
    checkShows(*root.concerts);
    checkShows(*root.friendShows);
    checkShows(*root.albumReleases);
    char text[1024];
    root.state.getCurCity(text);
    if (strnlen(text, 256) > 255) __builtin_trap();

    root.concerts->clear();
    root.friendShows->clear();
    root.albumReleases->clear();
    root.friends->clear();
    clearFilters(root.state);
    return 0;
}
