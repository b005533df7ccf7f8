// voxtrail-service: the stand-in for the product's web service, its concert
// sources and the IP-location page.
#include "service/request_log.h"
#include "service/service_data.h"
#include "service/service_options.h"
#include "service/service_server.h"
#include "service/service_setup.h"
#include "service/store_copy.h"

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <thread>

int main(int argc, char** argv) {
    std::string error;
    std::optional<vxs::ServiceOptions> options = vxs::parseServiceOptions(argc, argv, &error);
    if (!options) {
        std::fputs(vxs::serviceUsage(), error == "help" ? stdout : stderr);
        if (error == "help") return 0;
        std::fprintf(stderr, "voxtrail-service: %s\n", error.c_str());
        return 2;
    }
    if (!options->copyFrom.empty()) {
        std::string summary;
        if (!vxs::copyStore(options->copyFrom, options->copyTo, &summary, &error)) {
            std::fprintf(stderr, "voxtrail-service: %s\n", error.c_str());
            return 1;
        }
        std::printf("copied: %s\n", summary.c_str());
        return 0;
    }
    // Termination requests are taken by one thread with sigwait, so no handler runs inside the servers.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    vxs::ServiceData data;
    vxs::RequestLog log;
    if (!vxs::buildServiceData(*options, &data, &error) ||
        (!options->logPath.empty() && !log.open(options->logPath, &error))) {
        std::fprintf(stderr, "voxtrail-service: %s\n", error.c_str());
        return 1;
    }
    vxs::ServiceServer server(data, log);
    if (!server.bind(options->host, options->port, options->iplocPort, &error)) {
        std::fprintf(stderr, "voxtrail-service: %s\n", error.c_str());
        return 1;
    }
    std::printf("port: %d\niploc-port: %d\n", server.port(), server.iplocPort());
    std::fflush(stdout);

    std::thread signalWaiter([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.stop();
    });
    server.run();
    // Wake the waiter if the servers ended on their own.
    pthread_kill(signalWaiter.native_handle(), SIGTERM);
    signalWaiter.join();
    return 0;
}
