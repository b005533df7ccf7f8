// Arbitrary bytes as a server's whole reply to http_fetch, served over loopback: status, header
// fields, Content-Length and chunked bodies.
#include "plugin/net/http_fetcher.h"
#include "tests/net/scripted_server.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ScriptedServer server({});
    static int served = 0;
    static const bool configured = [] {
        // Redirects are parsed but never followed: a Location could name any host.
        http_setRedirects(0);
        http_setTimeout(2);
        return true;
    }();
    (void)configured;

    server.setScript({CannedReply{std::string(reinterpret_cast<const char*>(data), size), CannedReply::Then::close}});
    char* page = nullptr;
    int n = http_fetch(server.url("/fuzz").c_str(), &page);
    if (n >= 0) {
        // The body is what followed the header, so never longer than the reply, and terminated.
        if (!page || static_cast<std::size_t>(n) > size || page[n] != '\0') __builtin_trap();
        std::free(page);
    } else {
        if (page) __builtin_trap();
        if (std::strlen(http_strerror()) == 0) __builtin_trap();
    }
    // The next input may only be set up once the server has finished with this one.
    if (!server.waitServed(++served)) __builtin_trap();
    return 0;
}
