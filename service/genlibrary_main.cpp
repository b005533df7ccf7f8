// voxtrail-genlibrary: writes a sample music library file of the service's artists.
#include "service/catalogue.h"
#include "service/library_writer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

const char* kUsage =
    "usage: voxtrail-genlibrary --tracks N --out FILE [--seed S] [--artists K]\n"
    "                           [--voxtrail-playlist M] [--app-version V] [--print-artists]\n";

bool parseCount(const char* text, long lo, long hi, long* out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end != '\0' || v < lo || v > hi) return false;
    *out = v;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    vxs::LibraryPlan plan;
    std::string outPath;
    bool haveTracks = false, printArtists = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--print-artists") {
            printArtists = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "voxtrail-genlibrary: missing value after %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
        const char* value = argv[++i];
        long n = 0;
        bool ok = true;
        if (arg == "--tracks")
            ok = haveTracks = parseCount(value, 1, 1000000, &n), plan.tracks = static_cast<int>(n);
        else if (arg == "--seed")
            ok = parseCount(value, 0, 2147483647L, &n), plan.seed = static_cast<std::uint64_t>(n);
        else if (arg == "--artists")
            ok = parseCount(value, 1, 100000, &n), plan.artists = static_cast<int>(n);
        else if (arg == "--voxtrail-playlist")
            ok = parseCount(value, 0, 1000000, &n), plan.voxtrailPlaylist = static_cast<int>(n);
        else if (arg == "--app-version")
            plan.appVersion = value;
        else if (arg == "--out")
            outPath = value;
        else
            ok = false;
        if (!ok) {
            std::fprintf(stderr, "voxtrail-genlibrary: bad option %s %s\n%s", arg.c_str(), value, kUsage);
            return 2;
        }
    }
    if (!haveTracks || outPath.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
    if (!out) {
        std::fprintf(stderr, "voxtrail-genlibrary: cannot write %s\n", outPath.c_str());
        return 1;
    }
    vxs::Catalogue catalogue = vxs::Catalogue::builtIn();
    vxs::LibrarySummary summary = vxs::writeLibrary(catalogue, plan, out);
    out.close();
    if (!out) {
        std::fprintf(stderr, "voxtrail-genlibrary: writing %s failed\n", outPath.c_str());
        return 1;
    }
    if (printArtists)
        for (const std::string& a : summary.artists)
            std::printf("%s\n", a.c_str());
    std::fprintf(stderr, "wrote %d tracks by %zu artists to %s\n", summary.tracks, summary.artists.size(),
                 outPath.c_str());
    return 0;
}
