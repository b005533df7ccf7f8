// voxtrail-service: the stand-in for the product's web service, its concert
// sources and the IP-location page.
#include "service/gather/check_sources.h"
#include "service/gather/gatherer.h"
#include "service/request_log.h"
#include "service/service_data.h"
#include "service/service_options.h"
#include "service/service_server.h"
#include "service/service_setup.h"
#include "service/stop_signals.h"
#include "service/store_copy.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>

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
    if (!options->gather.checkSourcesPath.empty()) {
        vxs::CityTable cities;
        if (!cities.load(options->dataDir + "/cities.tsv", &error)) {
            std::fprintf(stderr, "voxtrail-service: %s\n", error.c_str());
            return 1;
        }
        return vxs::checkSources(options->gather, cities, options->today.value_or(vxs::localToday()), stdout);
    }
    std::vector<vxs::GatherSource> sources;
    if (!options->gather.sourcesPath.empty()) {
        auto read = vxs::readSourceList(options->gather.sourcesPath, &error);
        if (!read) {
            std::fprintf(stderr, "voxtrail-service: %s\n", error.c_str());
            return 2;
        }
        sources = std::move(*read);
    }
    vxs::StopSignals signals(std::chrono::seconds(options->startTimeoutSeconds));
    std::signal(SIGPIPE, SIG_IGN);
    // Every waiting connection is a descriptor, and the usual soft limit (1,024) is below what the
    // gate admits: take what the system allows, up to a bound.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = std::min<rlim_t>(files.rlim_max, 65536);
        setrlimit(RLIMIT_NOFILE, &files);
    }

    vxs::ServiceData data;
    vxs::RequestLog log;
    signals.stage("reading its data and opening its store");
    if (!vxs::buildServiceData(*options, &data, &error)) {
        std::fprintf(stderr, "voxtrail-service: %s\n", error.c_str());
        return 1;
    }
    signals.stage("opening its log");
    if (!options->logPath.empty() && !log.open(options->logPath, &error)) {
        std::fprintf(stderr, "voxtrail-service: %s\n", error.c_str());
        return 1;
    }
    for (const vxs::GatherSource& source : sources)
        if (!source.city.empty() && !vxs::configuredCity(source, data.cities)) {
            std::fprintf(
                stderr, "voxtrail-service: %s: line %d: the place \"%s, %s\" is not in the city table\n",
                options->gather.sourcesPath.c_str(), source.line, source.city.c_str(), source.region.c_str());
            return 2;
        }
    std::unique_ptr<vxs::Gatherer> gatherer;
    if (data.gathered) {
        std::vector<std::string> listed;
        for (const vxs::GatherSource& source : sources)
            listed.push_back(source.url);
        data.gathered->serveOnly(std::move(listed));
        vxs::GatherSchedule schedule;
        schedule.interval = options->gather.interval;
        schedule.hostGap = options->gather.hostGap;
        vxs::FetchLimits limits;
        limits.maxBytes = options->gather.maxBytes;
        limits.deadlineMs = options->gather.deadlineMs;
        limits.userAgent = vxs::gatherUserAgent(options->gather);
        gatherer = std::make_unique<vxs::Gatherer>(
            std::move(sources), data.cities, *data.gathered, schedule, limits,
            [&data] { return data.events->today(); },
            [](const std::string& line) { std::fprintf(stderr, "voxtrail-service: %s\n", line.c_str()); });
    }
    vxs::ServiceServer server(data, log);
    signals.stage("taking its ports");
    if (!server.bind(options->host, options->port, options->iplocPort, &error)) {
        std::fprintf(stderr, "voxtrail-service: %s\n", error.c_str());
        return 1;
    }
    signals.serving([&server] { server.stop(); });
    std::printf("port: %d\niploc-port: %d\n", server.port(), server.iplocPort());
    std::fflush(stdout);
    if (gatherer) gatherer->start();
    server.run();
    if (gatherer) gatherer->stop();
    signals.done();
    return 0;
}
