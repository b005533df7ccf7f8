// The phone step on a 20,000-artist library against the web service stand-in: the whole step
// (library read, registration, every batch and the service storing the names), with the
// number of requests and the longest one.
#include "bench/bench_timing.h"
#include "plugin/host/voxtrail_class.h"
#include "plugin/services/phone_artists.h"
#include "plugin/services/phone_sync.h"
#include "tests/e2e/harness/web_service.h"
#include "tests/support/temp_home.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kArtists = 20000;
constexpr int kTracksPerArtist = 3;
constexpr int kRuns = 3;

// Names of every length a library holds, some with characters the phone drops or spells out.
std::string artistName(int i) {
    std::string name = vx::bench::libraryName(i);
    if (i % 7 == 0) name += " &#38; The Orchestra Of The Late Evening";
    if (i % 11 == 0) name = "AC/DC Tribute " + std::to_string(i);
    return name;
}

void writeLibrary(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "\t<key>Application Version</key><string>9.1</string>\n\t<key>Tracks</key>\n\t<dict>\n";
    int id = 1;
    for (int a = 0; a < kArtists; ++a)
        for (int t = 0; t < kTracksPerArtist; ++t, ++id)
            out << "\t\t<key>" << id << "</key>\n\t\t<dict>\n\t\t\t<key>Track ID</key><integer>" << id
                << "</integer>\n\t\t\t<key>Artist</key><string>" << artistName(a)
                << "</string>\n\t\t\t<key>Genre</key><string>Rock</string>\n\t\t</dict>\n";
    out << "\t</dict>\n</dict>\n</plist>\n";
}

} // namespace

int main() {
    TempHome home;
    const std::string log = home.path() + "/service.log";
    vx::e2e::WebService service(log);
    home.write("Library/Application Support/Voxtrail/VoxtrailServices", service.servicesFile());
    writeLibrary(home.path() + "/Music/iTunes/iTunes Music Library.xml");

    VoxtrailClass root;
    if (!std::filesystem::exists(home.path() + "/Music/iTunes/iTunes Music Library.xml")) return 1;
    ProtectedData& st = root.state;
    st.setiPhoneSync(true);
    st.setUsername("bench user");
    st.setPassword("bench & password");

    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = vx::bench::Clock::now();
        if (iPhoneSync_addAllArtists(root.engine.web) != 0) {
            std::fprintf(stderr, "the phone step stopped early\n");
            return 1;
        }
        times.push_back(vx::bench::millisecondsOf(start));
    }
    // The part of the step that is the plug-in's own work: reading the library into the list.
    std::vector<double> listTimes;
    XML_Artist_List list;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = vx::bench::Clock::now();
        GetFullArtistList(st, list);
        listTimes.push_back(vx::bench::millisecondsOf(start));
    }
    std::size_t uploads = 0, longest = 0;
    for (const std::string& line : service.logLines()) {
        const std::size_t at = line.find("/iphone/exchange.php?TODO=ADD_ARTISTS");
        if (at == std::string::npos) continue;
        ++uploads;
        longest = std::max(longest, ("http://" + service.host()).size() + line.rfind(' ') - at);
    }
    root.engine.shutDown();
    std::printf("phone step, %d artists (%u phone names): median %.0f ms of %d runs; "
                "%zu upload requests a run plus 1 registration; longest request %zu characters; "
                "the phone list alone (library of %d tracks) %.0f ms\n",
                kArtists, all_artists.size(), vx::bench::median(times), kRuns, uploads / kRuns, longest,
                kArtists * kTracksPerArtist, vx::bench::median(listTimes));
    return 0;
}
