// Start-up when the preferences file or the library is not a file: a FIFO, a link to /dev/zero,
// a large file without line ends. Each start runs in a child process, so that a start that
// hangs or spins shows as a failure instead of holding the test run.
#include "platform/host_services.h"
#include "plugin/host/voxtrail_class.h"
#include "tests/support/host_services_table.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string alertTexts;
int32_t recordAlert(void*, const char*, const char* message, const char*, const char*) {
    alertTexts += std::string(message ? message : "") + "\n";
    return kVxAlertCancelButton;
}
int32_t noFile(void*, const char*, char*, uint32_t) {
    return -1;
}
VxHostServices services = [] {
    VxHostServices t = currentHostServices();
    t.showAlert = recordAlert;
    t.chooseFile = noFile;
    return t;
}();

// A process's high-water mark of resident memory, in KiB.
long residentPeakKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmHWM:" && status >> value) return value;
        status.ignore(256, '\n');
    }
    return 0;
}

struct ChildStart {
    bool finished = false;
    std::string alerts;
    long grownKiB = 0;
};

// Builds the root in a child process; waits at most timeout for it.
ChildStart startInChild(std::chrono::seconds timeout) {
    int out[2];
    if (::pipe(out) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        vx::setHostServicesForTesting(&services);
        const long before = residentPeakKiB();
        {
            VoxtrailClass root;
            root.engine.shutDown();
        }
        const std::string report = std::to_string(residentPeakKiB() - before) + "\n" + alertTexts;
        if (::write(out[1], report.data(), report.size()) < 0) ::_exit(2);
        ::_exit(0);
    }
    ::close(out[1]);
    ChildStart result;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            ::close(out[0]);
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    result.finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.grownKiB = std::atol(report.c_str());
    result.alerts = report.substr(report.find('\n') + 1);
    return result;
}

} // namespace

TEST(FilesNotFiles, StartUpRefusesWhatIsNotARegularFileAndReadsLongLinesWithABound) {
    struct Case {
        const char* name;
        void (*make)(const TempHome&);
        const char* alert; // a part of the expected message, or "" for none
    };
    const Case cases[] = {
        {"preferences FIFO", [](const TempHome& h) { ::mkfifo(h.preferences().c_str(), 0600); },
         "preferences file"},
        {"library linked to /dev/zero",
         [](const TempHome& h) {
             std::filesystem::create_directories(h.path() + "/Music/iTunes");
             std::filesystem::create_symlink("/dev/zero",
                                             h.path() + "/Music/iTunes/iTunes Music Library.xml");
         },
         "library file"},
        {"256 MiB sparse preferences without a line end",
         [](const TempHome& h) {
             h.write("Library/Application Support/Voxtrail/VoxtrailPref", "x");
             std::filesystem::resize_file(h.preferences(), std::uintmax_t{256} << 20);
         },
         ""},
    };
    for (const Case& c : cases) {
        TempHome home;
        c.make(home);
        const ChildStart start = startInChild(std::chrono::seconds(30));
        if (!start.finished) {
            ADD_FAILURE() << c.name << ": start-up did not end";
            continue;
        }
        if (*c.alert) {
            EXPECT_NE(start.alerts.find(c.alert), std::string::npos) << c.name << ": " << start.alerts;
            EXPECT_NE(start.alerts.find("is not a regular file"), std::string::npos) << c.name;
        }
        // Lines are read in blocks of a few MiB at most, never whole.
        EXPECT_LT(start.grownKiB, 64 * 1024) << c.name;
    }
}
