// One export of 5,000 chosen shows: to the iCal file (10.4) and through the calendar-store bundle
// into the vdir store (10.6), each in a temporary home (under TMPDIR: /dev/shm measures the
// writer rather than the disk). The store export writes one file per show and swaps the calendar
// in whole, replacing the one the previous run left. Each export is paired with its floor, the
// same bytes written with nothing else done: the file written and renamed into place; the store's
// event files written into a new folder, flushed, swapped in and the old one removed.
#include "bench/bench_timing.h"
#include "common/fixed_text.h"
#include "plugin/export/calendar_store_export.h"
#include "plugin/export/ical_file.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace vx::bench;
namespace fs = std::filesystem;

namespace {

constexpr int kShows = 5000;
constexpr int kPairs = 15;

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
        // Shows keep their UID from the first export on.
        vx::copyText(e->uid, ("00000000-0000-4000-8000-" + std::to_string(100000000000 + i)).c_str());
        e->selected = true;
        e->ticketsAvailable = i % 2;
        data.concerts->addShow(e, nullptr);
    }
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Writes the bytes to a new file and flushes them, as both exports do.
bool writeNew(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok =
        ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The file's floor: its bytes written beside it and renamed over it.
void writeFileFloor(const std::string& file, const std::string& bytes) {
    const std::string temporary = file + ".floor";
    if (writeNew(temporary, bytes)) std::rename(temporary.c_str(), file.c_str());
    syncFolder(fs::path(file).parent_path());
}

// The store's floor: the files into a new folder, flushed, swapped with the calendar, the old
// one removed.
void writeStoreFloor(const fs::path& calendar,
                     const std::vector<std::pair<std::string, std::string>>& files) {
    const fs::path staging = calendar.parent_path() / ".floor-staging";
    fs::create_directory(staging);
    for (const auto& [name, bytes] : files)
        writeNew((staging / name).string(), bytes);
    syncFolder(staging);
    renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, calendar.c_str(), RENAME_EXCHANGE);
    syncFolder(calendar.parent_path());
    fs::remove_all(staging);
}

// The processor time this thread has used, in milliseconds: unlike the wall clock, it does not
// count the time other processes of a busy machine take.
double threadMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Side {
    std::vector<double> wall, cpu;
};

void printRatio(const char* what, const char* clock, const std::vector<double>& exported,
                const std::vector<double>& floor) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < exported.size(); ++i)
        ratios.push_back(exported[i] / floor[i]);
    const auto minOf = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
    std::printf("%s, %s: export min %.2f ms, median %.2f ms; floor min %.2f ms, median %.2f ms; "
                "ratio min %.2f, median %.2f (%zu pairs)\n",
                what, clock, minOf(exported), median(exported), minOf(floor), median(floor), minOf(ratios),
                median(ratios), ratios.size());
}

// Runs the export and its floor in turn, kPairs times, and prints both clocks' figures.
template <typename Export, typename Floor> void paired(const char* what, Export exportOnce, Floor floorOnce) {
    Side exported, floor;
    const auto timed = [](Side& side, auto&& run) {
        const double cpu = threadMilliseconds();
        const Clock::time_point start = Clock::now();
        run();
        side.wall.push_back(millisecondsOf(start));
        side.cpu.push_back(threadMilliseconds() - cpu);
    };
    for (int r = 0; r < kPairs; ++r) {
        timed(exported, exportOnce);
        timed(floor, floorOnce);
    }
    printRatio(what, "wall clock", exported.wall, floor.wall);
    printRatio(what, "thread CPU time", exported.cpu, floor.cpu);
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

    std::printf("home: %s\n", home.c_str());
    const std::string file = home + "/corestorage.ics";
    data.state.setiCalLoc(file.c_str());
    performExportTo_iCal(&data, "127.0.0.1:8460");
    const std::string fileBytes = readAll(file);
    std::printf("iCal file: %zu bytes\n", fileBytes.size());
    paired(
        "iCal file", [&] { performExportTo_iCal(&data, "127.0.0.1:8460"); },
        [&] { writeFileFloor(file, fileBytes); });

    performExportTo_iCalCalendarStore(&data, "127.0.0.1:8460");
    const fs::path calendar = fs::path(home) / "Library/Calendars/Voxtrail Store/Voxtrail_Concerts";
    std::vector<std::pair<std::string, std::string>> storeFiles;
    for (const fs::directory_entry& e : fs::directory_iterator(calendar))
        storeFiles.emplace_back(e.path().filename().string(), readAll(e.path()));
    std::printf("calendar store: %zu files\n", storeFiles.size());
    paired(
        "calendar store", [&] { performExportTo_iCalCalendarStore(&data, "127.0.0.1:8460"); },
        [&] { writeStoreFloor(calendar, storeFiles); });

    std::error_code ec;
    fs::remove_all(home, ec);
    return 0;
}
