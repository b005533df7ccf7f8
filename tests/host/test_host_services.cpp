// The host's services reach the plug-in only through the entry's init record, and only when the
// table is one this plug-in can use.
#include "platform/host_services.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" OSStatus iTunesPluginMainMachO(OSType message, PluginMessageInfo* messageInfo, void* refCon);

namespace {

OSStatus acceptingHost(void*, OSType, PlayerMessageInfo*) {
    return noErr;
}

// Answers the context it was called with, so a test sees that the host's context came back.
void* windowIsContext(void* context) {
    return context;
}
int32_t alertAnswered(void*, const char*, const char*, const char*, const char*) {
    return kVxAlertDefaultButton;
}

class HostServicesHandshake : public ::testing::Test {
  protected:
    int hostContext = 0;
    VxHostServices table{};

    void SetUp() override {
        vx::setHostServicesForTesting(nullptr);
        table.size = sizeof table;
        table.version = kVxHostServicesVersion;
        table.context = &hostContext;
        table.activeNonFloatingWindow = windowIsContext;
        table.showAlert = alertAnswered;
    }
    void TearDown() override { iTunesPluginMainMachO(kPluginCleanupMessage, nullptr, nullptr); }

    // The entry's init as a host of the given minor version sends it; what the plug-in printed.
    static std::string init(const VxHostServices* services,
                            uint32_t minorVersion = kPluginMessageMinorVersion) {
        PluginMessageInfo info{};
        info.u.initMessage.majorVersion = kPluginMessageMajorVersion;
        info.u.initMessage.minorVersion = minorVersion;
        info.u.initMessage.appProc = acceptingHost;
        info.u.initMessage.initMessageSize = sizeof info.u.initMessage;
        info.u.initMessage.hostServices = services;
        ::testing::internal::CaptureStderr();
        const OSStatus status = iTunesPluginMainMachO(kPluginInitMessage, &info, nullptr);
        std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, noErr) << "the plug-in still registers";
        return err;
    }
};

void ignore(void*) {}

} // namespace

TEST_F(HostServicesHandshake, ACurrentTableIsUsedWithItsContextUntilCleanup) {
    EXPECT_EQ(init(&table), "");
    ASSERT_EQ(vx::hostServices(), &table);
    EXPECT_EQ(vx::hostActiveNonFloatingWindow(), &hostContext);
    EXPECT_EQ(vx::hostShowAlert("t", "m", "OK", nullptr), kVxAlertDefaultButton);
    EXPECT_EQ(vx::hostOpenURL("http://example.com/"), unimpErr) << "a null member is absent";

    iTunesPluginMainMachO(kPluginCleanupMessage, nullptr, nullptr);
    EXPECT_EQ(vx::hostServices(), nullptr);
}

TEST_F(HostServicesHandshake, ATooOldOrTooSmallTableIsRefusedWithOneLine) {
    VxHostServices old = table;
    old.version = kVxHostServicesMinimumVersion - 1;
    VxHostServices small = table;
    small.size = VX_HOST_SERVICES_MINIMUM_SIZE - 1;
    for (const VxHostServices* t : {&old, &small}) {
        const std::string err = init(t);
        EXPECT_EQ(err.rfind("Voxtrail: host services refused: ", 0), 0u) << err;
        EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
        EXPECT_EQ(vx::hostServices(), nullptr);
        EXPECT_EQ(vx::hostActiveNonFloatingWindow(), nullptr);
        EXPECT_EQ(vx::hostShowAlert("t", "m", "OK", nullptr), 0);
    }
}

TEST_F(HostServicesHandshake, AnOlderHostsRecordEndsAtRefCon) {
    // A host of minor version 5 has no size field; what lies after refCon is not its own.
    EXPECT_EQ(init(&table, kPluginInitSizedMinorVersion - 1), "");
    EXPECT_EQ(vx::hostServices(), nullptr);
}

TEST_F(HostServicesHandshake, MembersPastAnOlderTablesSizeAreAbsentAndNeverRead) {
    // The host's table of the minimum size ends where readable memory ends: a read of any member
    // past its size would fault.
    const long page = ::sysconf(_SC_PAGESIZE);
    void* mem = ::mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mem, MAP_FAILED);
    char* guard = static_cast<char*>(mem) + page;
    ASSERT_EQ(::mprotect(guard, page, PROT_NONE), 0);
    table.size = VX_HOST_SERVICES_MINIMUM_SIZE;
    std::memcpy(guard - table.size, &table, table.size);
    const auto* older = reinterpret_cast<const VxHostServices*>(guard - table.size);

    EXPECT_EQ(init(older), "");
    ASSERT_EQ(vx::hostServices(), older);
    EXPECT_EQ(vx::hostActiveNonFloatingWindow(), &hostContext);
    char path[8] = "kept";
    int32_t major = -1;
    EXPECT_EQ(vx::hostShowAlert("t", "m", "OK", nullptr), 0);
    EXPECT_EQ(vx::hostChooseFile("t", path, sizeof path), -1);
    EXPECT_EQ(vx::hostOpenURL("http://example.com/"), unimpErr);
    EXPECT_FALSE(vx::hostPostToHostThread(vx::guarded<"test post", ignore>(), nullptr));
    EXPECT_FALSE(vx::hostSystemVersion(&major, nullptr));
    EXPECT_STREQ(path, "kept");
    EXPECT_EQ(major, -1);

    iTunesPluginMainMachO(kPluginCleanupMessage, nullptr, nullptr);
    ::munmap(mem, 2 * page);
}
