// One download with the plug-in's HTTP client, as a process of its own: the figure to hold
// against `curl -s -o /dev/null URL` with an outside timer. Prints the byte count. The body is
// dropped as curl drops it into /dev/null; with "keep" it is handed out as a page, as the
// plug-in's fetches have it.
#include "plugin/net/http_fetcher.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const bool keep = argc == 3 && std::string(argv[2]) == "keep";
    if (argc != 2 && !keep) {
        std::fprintf(stderr, "usage: bench_http_fetch_once URL [keep]\n");
        return 2;
    }
    char* page = nullptr;
    const int n = http_fetch(argv[1], keep ? &page : nullptr);
    if (n < 0) {
        http_perror("http_fetch");
        return 1;
    }
    std::free(page);
    std::printf("%d bytes\n", n);
    return 0;
}
