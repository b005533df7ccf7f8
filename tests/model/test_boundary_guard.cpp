#include "platform/boundary_guard.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

// The status and the standard-error text of one guarded call.
template <typename Work> std::pair<OSStatus, std::string> guarded(Work work) {
    ::testing::internal::CaptureStderr();
    const OSStatus status = vx::guardBoundary("test call", work);
    return {status, ::testing::internal::GetCapturedStderr()};
}

} // namespace

TEST(BoundaryGuard, PassesStatusesThroughAndTurnsEachExceptionIntoAStatusAndOneLine) {
    EXPECT_EQ(guarded([] { return OSStatus{-1234}; }), std::make_pair(OSStatus{-1234}, std::string()));
    int ran = 0;
    EXPECT_EQ(guarded([&] { ++ran; }), std::make_pair(OSStatus{noErr}, std::string()));
    EXPECT_EQ(ran, 1);

    EXPECT_EQ(guarded([]() -> OSStatus { throw std::bad_alloc(); }),
              std::make_pair(OSStatus{memFullErr}, std::string("Voxtrail: test call: out of memory\n")));
    EXPECT_EQ(guarded([] { throw std::runtime_error("disk gone"); }),
              std::make_pair(OSStatus{paramErr}, std::string("Voxtrail: test call: disk gone\n")));
    EXPECT_EQ(guarded([] { throw 42; }),
              std::make_pair(OSStatus{paramErr}, std::string("Voxtrail: test call: unknown exception\n")));
}

namespace {

OSStatus failingHandler(VxWindow*, const VxWindowEvent*, void*) {
    throw std::runtime_error("handler broke");
}
void failingTimer(VxTimer*, void* ran) {
    *static_cast<bool*>(ran) = true;
    throw std::bad_alloc();
}

} // namespace

// What is handed to the host or a thread answers as the guard does, under its own name.
TEST(BoundaryGuard, GuardedCallbacksAndThreadsKeepTheirExceptionsInside) {
    ::testing::internal::CaptureStderr();
    const auto handler = vx::guarded<"preferences window", failingHandler>();
    EXPECT_EQ(handler.get()(nullptr, nullptr, nullptr), paramErr);
    bool ran = false;
    vx::guarded<"notify window timer", failingTimer>().get()(nullptr, &ran);
    EXPECT_TRUE(ran);
    std::thread worker =
        vx::startGuardedThread("click queue", [] { throw std::runtime_error("send broke"); });
    worker.join();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Voxtrail: preferences window: handler broke\n"
                                                        "Voxtrail: notify window timer: out of memory\n"
                                                        "Voxtrail: click queue: send broke\n");
}
