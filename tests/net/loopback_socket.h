#pragma once
// The socket work the loopback test servers share: a listener on a free port, waits in short
// slices that end when the server stops, and whole sends and request reads.
#include <atomic>
#include <cstddef>
#include <string>

namespace vx::test {

// A listening socket on 127.0.0.1 and a free port; throws std::runtime_error when none is had.
int openLoopbackListener(int* port);

// Waits for events on fd in short slices; false when the server stops or the wait fails.
bool waitFor(int fd, short events, const std::atomic<bool>& stopping);

// Sends all bytes; false when the client has gone or the server stops.
bool sendAll(int fd, const char* data, std::size_t length, const std::atomic<bool>& stopping);

// Reads a request up to its blank line (or 64 KiB), whatever arrived before the client went.
std::string readRequestHead(int fd, const std::atomic<bool>& stopping);

} // namespace vx::test
