// One export of 5,000 chosen shows: to the iCal file (10.4) and through the calendar-store bundle
// into the vdir store (10.6), each in a temporary home. The store export writes one file per
// show and swaps the calendar in whole, replacing the one the previous run left.
#include "bench/bench_timing.h"
#include "common/fixed_text.h"
#include "plugin/export/calendar_store_export.h"
#include "plugin/export/ical_file.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

using namespace vx::bench;
namespace fs = std::filesystem;

namespace {

constexpr int kShows = 5000;
constexpr int kRuns = 5;

void fill(PluginData& data) {
    for (int i = 0; i < kShows; ++i) {
        auto* e = new SHOWENTRY;
        vx::copyText(e->artist, libraryName(i).c_str());
        vx::copyText(e->venue, ("Hall " + std::to_string(i % 300)).c_str());
        vx::copyText(e->location, "Boston, MA");
        if (i % 4 == 0) vx::copyText(e->otherArtists, libraryName(i + 1).c_str());
        vx::copyText(e->url, ("http://tickets.example/event/" + std::to_string(i)).c_str());
        e->year = 2030 + i % 3;
        e->month = 1 + i % 12;
        e->day = 1 + (i / 12) % 28;
        e->selected = true;
        e->ticketsAvailable = i % 2;
        data.concerts->addShow(e, nullptr);
    }
}

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

template <typename Export> double medianOf(Export run) {
    std::vector<double> times;
    for (int r = 0; r < kRuns; ++r) {
        const Clock::time_point start = Clock::now();
        run();
        times.push_back(millisecondsOf(start));
    }
    return median(times);
}

} // namespace

int main() {
    std::string home = (fs::temp_directory_path() / "vx-bench-XXXXXX").string();
    if (!mkdtemp(home.data())) return 1;
    setenv("HOME", home.c_str(), 1);

    // The built plug-in bundle, made known by its identifier as the plug-in's own would be.
    VxCFURL bundleURL;
    bundleURL.path = VX_VOXTRAIL_BUNDLE;
    if (!CFBundleCreate(kCFAllocatorDefault, &bundleURL)) return 1;

    PluginData data;
    fill(data);
    std::printf("%u shows, all chosen\n", data.concerts->size());

    const std::string file = home + "/corestorage.ics";
    data.state.setiCalLoc(file.c_str());
    const double fileMs = medianOf([&] { performExportTo_iCal(&data, "127.0.0.1:8460"); });
    // The floor: the same bytes written to a file beside it and renamed over it.
    const std::string fileBytes = contentOf(file);
    const double fileFloorMs = medianOf([&] {
        writeFile(file + ".new", fileBytes);
        fs::rename(file + ".new", file);
    });
    std::printf(
        "iCal file: %.1f ms per export (median of %d), %zu bytes; writing and renaming them: %.2f ms\n",
        fileMs, kRuns, fileBytes.size(), fileFloorMs);

    const double storeMs = medianOf([&] { performExportTo_iCalCalendarStore(&data, "127.0.0.1:8460"); });
    const fs::path calendar = fs::path(home) / "Library/Calendars/Voxtrail Store/Voxtrail_Concerts";
    const auto events = std::distance(fs::directory_iterator(calendar), fs::directory_iterator()) - 1;
    // The floor: the same files written into a new folder that is swapped in for the calendar.
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& entry : fs::directory_iterator(calendar))
        files.emplace_back(entry.path().filename().string(), contentOf(entry.path()));
    const fs::path floorCalendar = fs::path(home) / "floor";
    fs::create_directories(floorCalendar);
    const double storeFloorMs = medianOf([&] {
        const fs::path fresh = fs::path(home) / "floor.new", old = fs::path(home) / "floor.old";
        fs::create_directory(fresh);
        for (const auto& [name, bytes] : files)
            writeFile(fresh / name, bytes);
        fs::rename(floorCalendar, old);
        fs::rename(fresh, floorCalendar);
        fs::remove_all(old);
    });
    std::printf("calendar store: %.1f ms per export (median of %d), %td event files; writing them into a "
                "folder swapped in: %.1f ms\n",
                storeMs, kRuns, events, storeFloorMs);

    std::error_code ec;
    fs::remove_all(home, ec);
    return 0;
}
