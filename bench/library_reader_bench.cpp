// The library reader on a generated 50,000-track library, against `grep -c '<key>Artist</key>'`
// of the same file: a plain scan of every line is the floor a line reader can be held to.
#include "plugin/host/voxtrail_class.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTracks = 50000;
constexpr int kTracksPerAlbum = 11;
constexpr int kAlbumsPerArtist = 3;
constexpr int kRuns = 7;

double millisecondsOf(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A library laid out as the player writes it: every track with its usual keys, the tracks of an
// album one after another as they were imported, then the master playlist naming every track.
// Shuffled, every track names another album than the one before it: the worst order for the
// reader, which normalises each name once and remembers the last one.
void writeLibrary(const std::string& path, bool shuffled) {
    std::ofstream out(path, std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "\t<key>Major Version</key><integer>1</integer>\n"
           "\t<key>Application Version</key><string>9.1</string>\n"
           "\t<key>Tracks</key>\n\t<dict>\n";
    for (int t = 1; t <= kTracks; ++t) {
        const int albumNumber = (shuffled ? (t * 7919) % kTracks : t - 1) / kTracksPerAlbum;
        const int artist = albumNumber / kAlbumsPerArtist;
        const std::string artistName = (artist % 10 == 0 ? "Band, The " : "Artist ") + std::to_string(artist);
        out << "\t\t<key>" << t << "</key>\n\t\t<dict>\n"
            << "\t\t\t<key>Track ID</key><integer>" << t << "</integer>\n"
            << "\t\t\t<key>Name</key><string>Song number " << t << "</string>\n"
            << "\t\t\t<key>Artist</key><string>" << artistName << "</string>\n"
            << "\t\t\t<key>Album</key><string>Album number " << albumNumber << "</string>\n"
            << "\t\t\t<key>Genre</key><string>" << (t % 50 == 0 ? "Podcast" : "Rock") << "</string>\n"
            << "\t\t\t<key>Kind</key><string>MPEG audio file</string>\n"
            << "\t\t\t<key>Size</key><integer>" << 4000000 + t << "</integer>\n"
            << "\t\t\t<key>Total Time</key><integer>" << 180000 + t << "</integer>\n"
            << "\t\t\t<key>Track Number</key><integer>" << t % 12 + 1 << "</integer>\n"
            << "\t\t\t<key>Year</key><integer>" << 1960 + t % 60 << "</integer>\n"
            << "\t\t\t<key>Date Modified</key><date>2008-09-11T04:24:30Z</date>\n"
            << "\t\t\t<key>Date Added</key><date>2010-04-24T13:22:02Z</date>\n"
            << "\t\t\t<key>Bit Rate</key><integer>256</integer>\n"
            << "\t\t\t<key>Sample Rate</key><integer>44100</integer>\n"
            << "\t\t\t<key>Persistent ID</key><string>56EBC325DF" << t << "</string>\n"
            << "\t\t\t<key>Track Type</key><string>File</string>\n"
            << "\t\t\t<key>Location</key><string>file://localhost/Music/Artist%20" << artist << "/" << t
            << ".mp3</string>\n"
            << "\t\t\t<key>File Folder Count</key><integer>4</integer>\n"
            << "\t\t</dict>\n";
    }
    out << "\t</dict>\n\t<key>Playlists</key>\n\t<array>\n\t\t<dict>\n"
           "\t\t\t<key>Name</key><string>Library</string>\n\t\t\t<key>Master</key><true/>\n"
           "\t\t\t<key>Playlist Items</key>\n\t\t\t<array>\n";
    for (int t = 1; t <= kTracks; ++t)
        out << "\t\t\t\t<dict>\n\t\t\t\t\t<key>Track ID</key><integer>" << t
            << "</integer>\n\t\t\t\t</dict>\n";
    out << "\t\t\t</array>\n\t\t</dict>\n\t</array>\n</dict>\n</plist>\n";
}

// One grep over the file; -1 when grep failed.
double timeGrep(const std::string& path) {
    std::vector<std::string> args = {"sh", "-c", "grep -c '<key>Artist</key>' \"$0\" > \"$0.count\"", path};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "sh", nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const double ms = millisecondsOf(start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

// Times the reader and grep on one library, alternating, and prints the medians.
bool compare(VoxtrailClass& root, const std::string& library, const char* layout) {
    root.state.setiTunes_xml_path(library.c_str());
    std::vector<double> reader, grep;
    bool ok = true;
    for (int run = 0; run < kRuns; ++run) {
        auto start = Clock::now();
        const int parsed = root.engine.parseXML();
        reader.push_back(millisecondsOf(start));
        grep.push_back(timeGrep(library));
        if (parsed != 0 || grep.back() < 0) ok = false;
    }
    const double r = median(reader), g = median(grep);
    std::printf("%s library: %d tracks, %.1f MB; %u artists, %u albums\n", layout, kTracks,
                static_cast<double>(std::filesystem::file_size(library)) / 1e6, root.engine.artists.size(),
                root.engine.albums.size());
    std::printf("  parseXML   median %8.1f ms over %d runs\n", r, kRuns);
    std::printf("  grep -c    median %8.1f ms over %d runs\n", g, kRuns);
    std::printf("  ratio      %8.2f (parseXML / grep)\n", r / g);
    return ok;
}

} // namespace

// --write FILE [shuffled]: the generated library, for timing a reader against grep from outside.
// One read of the given library in a home of its own: the whole-process figure to hold against
// `grep -c '<key>Artist</key>' FILE` with an outside timer.
int readOnce(const char* library) {
    namespace fs = std::filesystem;
    std::string home = (fs::temp_directory_path() / "vxbench.XXXXXX").string();
    if (!mkdtemp(home.data())) return 1;
    setenv("HOME", home.c_str(), 1);
    int parsed = 1;
    {
        auto root = std::make_unique<VoxtrailClass>();
        root->state.setiTunes_xml_path(library);
        parsed = root->engine.parseXML();
        std::printf("%u artists, %u albums\n", root->engine.artists.size(), root->engine.albums.size());
    }
    fs::remove_all(home);
    return parsed;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--read") return readOnce(argv[2]);
    if (argc >= 3 && std::string(argv[1]) == "--write") {
        writeLibrary(argv[2], argc > 3 && std::string(argv[3]) == "shuffled");
        return 0;
    }
    namespace fs = std::filesystem;
    std::string home = (fs::temp_directory_path() / "vxbench.XXXXXX").string();
    if (!mkdtemp(home.data())) return 1;
    setenv("HOME", home.c_str(), 1);
    fs::create_directories(home + "/Library/Application Support/Voxtrail");
    std::ofstream(home + "/Library/Application Support/Voxtrail/VoxtrailServices")
        << "127.0.0.1:9\n127.0.0.1:9\n";
    const std::string grouped = home + "/library.xml";
    const std::string shuffled = home + "/shuffled.xml";
    writeLibrary(grouped, false);
    writeLibrary(shuffled, true);

    bool ok = true;
    {
        auto root = std::make_unique<VoxtrailClass>();
        ok = compare(*root, grouped, "album-ordered") && ok;
        ok = compare(*root, shuffled, "shuffled") && ok;
    }
    fs::remove_all(home);
    return ok ? 0 : 1;
}
