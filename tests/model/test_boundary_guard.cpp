#include "plugin/model/boundary_guard.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

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
