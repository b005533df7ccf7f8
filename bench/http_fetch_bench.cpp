// Loopback download of a 12 MB page: http_fetch against curl on the same server and URL.
#include "plugin/net/http_fetcher.h"
#include "tests/net/scripted_server.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kBodyBytes = 12u * 1000u * 1000u;
constexpr int kRuns = 7;

double millisecondsOf(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One download with http_fetch; -1 when it failed or came back short.
double timeFetch(const std::string& url) {
    auto start = Clock::now();
    char* page = nullptr;
    int n = http_fetch(url.c_str(), &page);
    double ms = millisecondsOf(start);
    std::free(page);
    return n == static_cast<int>(kBodyBytes) ? ms : -1;
}

// One download with curl into /dev/null; -1 when curl failed.
double timeCurl(const std::string& url) {
    std::vector<std::string> args = {"curl", "-s", "-o", "/dev/null", url};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    double ms = millisecondsOf(start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

} // namespace

int main() {
    const std::string body(kBodyBytes, 'v');
    for (bool withLength : {true, false}) {
        std::string head = "HTTP/1.1 200 OK\r\n";
        if (withLength) head += "Content-Length: " + std::to_string(kBodyBytes) + "\r\n";
        ScriptedServer server({CannedReply{head + "\r\n" + body, CannedReply::Then::close}});
        const std::string url = server.url("/big");
        std::vector<double> fetchMs, curlMs;
        if (timeFetch(url) < 0 || timeCurl(url) < 0) {
            std::fprintf(stderr, "warm-up download failed: %s\n", http_strerror());
            return 1;
        }
        for (int i = 0; i < kRuns; ++i) {
            fetchMs.push_back(timeFetch(url));
            curlMs.push_back(timeCurl(url));
            if (fetchMs.back() < 0 || curlMs.back() < 0) {
                std::fprintf(stderr, "download failed: %s\n", http_strerror());
                return 1;
            }
        }
        double f = median(fetchMs), c = median(curlMs);
        std::printf(
            "12 MB over loopback, %s Content-Length (median of %d): http_fetch %.1f ms, curl %.1f ms, "
            "ratio %.2f\n",
            withLength ? "with" : "without", kRuns, f, c, f / c);
    }
    return 0;
}
