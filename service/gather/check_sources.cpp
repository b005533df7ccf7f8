#include "service/gather/check_sources.h"

#include "service/gather/gathered_shows.h"
#include "service/gather/source_round.h"

namespace vxs {
namespace {

void printShow(const PlacedShow& placed, std::FILE* out) {
    const GatheredEvent& e = placed.event;
    std::string performers;
    for (const std::string& p : e.performers)
        performers += (performers.empty() ? "" : ", ") + p;
    std::fprintf(out, "  show %s %s%s%s | %s | %s, %s, %s | %s", isoDate(e.date).c_str(),
                 e.time.empty() ? "(no time)" : e.time.c_str(), e.zone.empty() ? "" : " ", e.zone.c_str(),
                 performers.c_str(), e.venue.c_str(), placed.venueCity.c_str(), placed.venueRegion.c_str(),
                 showStatusName(e.status));
    if (!e.doors.empty()) std::fprintf(out, " | doors %s", e.doors.c_str());
    if (e.previousDate) std::fprintf(out, " | was %s", isoDate(*e.previousDate).c_str());
    std::fprintf(out, " | %s\n", showLink(e).c_str());
}

} // namespace

int checkSources(const GatherOptions& options, const CityTable& cities, const CivilDate& today,
                 std::FILE* out) {
    std::string error;
    const auto sources = readSourceList(options.checkSourcesPath, &error);
    if (!sources) {
        std::fprintf(stderr, "voxtrail-service: %s\n", error.c_str());
        return 2;
    }
    FetchLimits limits;
    limits.maxBytes = options.maxBytes;
    limits.deadlineMs = options.deadlineMs;
    limits.userAgent = gatherUserAgent(options);
    SourceFetcher fetcher;
    int failed = 0;
    for (const GatherSource& source : *sources) {
        const SourceRound round = gatherSource(source, {}, fetcher, limits, cities, today);
        std::fprintf(out, "source line %d: %s %s\n", source.line, sourceKindName(source.kind),
                     source.url.c_str());
        if (round.fetch.outcome == FetchResult::Outcome::Failed) {
            std::fprintf(out, "  failed: %s\n", round.fetch.error.c_str());
            ++failed;
            continue;
        }
        for (const PlacedShow& show : round.shows)
            printShow(show, out);
        for (const SkippedEntry& s : round.skipped)
            std::fprintf(out, "  skipped %s: %s\n", s.entry.c_str(), s.reason.c_str());
        if (round.skippedCount > round.skipped.size())
            std::fprintf(out, "  skipped %zu more\n", round.skippedCount - round.skipped.size());
        std::fprintf(out, "  %zu shows, %zu skipped%s\n", round.shows.size(), round.skippedCount,
                     round.whole ? "" : ", the answer did not read in full");
    }
    std::fprintf(out, "%zu sources, %d failed\n", sources->size(), failed);
    return failed == 0 ? 0 : 1;
}

} // namespace vxs
