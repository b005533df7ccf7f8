// A loopback server for timing downloads from outside: every connection gets the same reply of
// the given size, with or without Content-Length. Prints its URL, then serves for the given
// number of seconds (at most an hour).
#include "tests/net/scripted_server.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    if (argc != 4 || (std::string(argv[2]) != "length" && std::string(argv[2]) != "no-length")) {
        std::fprintf(stderr, "usage: bench_http_serve BYTES length|no-length SECONDS\n");
        return 2;
    }
    const std::size_t bytes = std::strtoull(argv[1], nullptr, 10);
    const long seconds = std::min(std::strtol(argv[3], nullptr, 10), 3600L);
    std::string head = "HTTP/1.1 200 OK\r\n";
    if (std::string(argv[2]) == "length") head += "Content-Length: " + std::to_string(bytes) + "\r\n";
    ScriptedServer server({CannedReply{head + "\r\n" + std::string(bytes, 'v'), CannedReply::Then::close}});
    std::printf("%s\n", server.url("/big").c_str());
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    return 0;
}
