// Arbitrary bytes as what a client has sent so far: the gate's verdict never reads past them and
// agrees with the bytes (a complete head has its blank line, a long line has no line end in time).
#include "service/connection_gate.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the size, so that AddressSanitizer sees any read past the end.
    std::vector<char> bytes(data, data + size);
    vxs::GateLimits limits;
    limits.maxRequestLine = 64;
    limits.maxHeaderLines = 8;
    limits.maxHeadBytes = 512;
    using Head = vxs::ConnectionGate::Head;
    const Head head = vxs::ConnectionGate::judge(bytes.data(), bytes.size(), limits);
    const char* firstFeed =
        size == 0 ? nullptr : static_cast<const char*>(std::memchr(bytes.data(), '\n', size));
    if (head == Head::complete) {
        const std::string_view text(bytes.data(), size);
        if (text.find("\n\n") == std::string_view::npos && text.find("\n\r\n") == std::string_view::npos)
            __builtin_trap();
        if (static_cast<std::size_t>(firstFeed - bytes.data()) > limits.maxRequestLine) __builtin_trap();
    }
    if (head == Head::lineTooLong && firstFeed &&
        static_cast<std::size_t>(firstFeed - bytes.data()) <= limits.maxRequestLine)
        __builtin_trap();
    return 0;
}
