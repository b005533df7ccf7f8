// Start-up when the preferences file or the library is not a file: a FIFO, a link to /dev/zero,
// a large file without line ends. Each start runs in a child process, so that a start that
// hangs or spins shows as a failure instead of holding the test run.
#include "platform/host_services.h"
#include "plugin/engine/change_log.h"
#include "tests/engine/engine_root.h"
#include "tests/support/host_services_table.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
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

// The process's high-water mark of resident memory, in KiB.
long residentPeakKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    for (long value = 0; status >> key;) {
        if (key == "VmHWM:" && status >> value) return value;
        status.ignore(256, '\n');
    }
    return 0;
}

#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer's shadow of every buffer touched counts as resident memory too: only a start
// that stays within what the bounded line reader may take passes.
constexpr long kMostGrowthKiB = 192 * 1024;
#else
constexpr long kMostGrowthKiB = 64 * 1024;
#endif

// Starts the plug-in in a child: its exit status is 0 when start-up ended with the alert (or
// none, for an empty one) and within 64 MiB more memory; -1 when it did not end in 30 s.
int startInChild(const std::string& alert) {
    const pid_t child = ::fork();
    if (child == 0) {
        VxHostServices services = currentHostServices();
        services.showAlert = recordAlert;
        services.chooseFile = noFile;
        vx::setHostServicesForTesting(&services);
        const long before = residentPeakKiB();
        EngineRoot root;
        root.engine.shutDown();
        const bool alerted = alert.empty() || (alertTexts.find(alert) != std::string::npos &&
                                               alertTexts.find("is not a regular file") != std::string::npos);
        ::_exit((alerted ? 0 : 1) | (residentPeakKiB() - before < kMostGrowthKiB ? 0 : 2));
    }
    int status = 0;
    for (int waited = 0; ::waitpid(child, &status, WNOHANG) == 0; waited += 20) {
        if (waited > 30000) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

// Exit 1: the message is missing; 2: the reading took memory by the file's size.
TEST(FilesNotFiles, StartUpRefusesWhatIsNotARegularFileAndReadsLongLinesWithABound) {
    const struct {
        const char* name;
        void (*make)(const TempHome&);
        const char* alert;
    } cases[] = {
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
    for (const auto& c : cases) {
        TempHome home;
        c.make(home);
        EXPECT_EQ(startInChild(c.alert), 0) << c.name;
    }
}

// The change log tells which shows the user chose: a link in its place is replaced, never read
// or written through, and the log is the user's alone.
TEST(ChangeLog, ALinkInItsPlaceIsReplacedNotFollowed) {
    TempHome home;
    const std::string secret = home.path() + "/secret", log = home.path() + "/VoxtrailChanges.log";
    TempHome::writeFile(secret, "password=1\n");
    ASSERT_EQ(::symlink(secret.c_str(), log.c_str()), 0);
    ASSERT_TRUE(vx::appendChangeLog(log, {"Show moved: A"}, 0));
    struct stat info {};
    ASSERT_EQ(::lstat(log.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string text = TempHome::read(log);
    EXPECT_EQ(text.find("password"), std::string::npos) << text;
    EXPECT_NE(text.find(" Show moved: A\n"), std::string::npos) << text;
    EXPECT_EQ(TempHome::read(secret), "password=1\n");
}
