// One gathering pass as a whole process, for timing against other tools on the same input:
//   gather_once sources LIST   each line "URL<TAB>ETAG": one conditional request per source through
//                              one fetcher, as the gathering thread makes them; prints the outcomes
//   gather_once ics FILE       the gathering's read of an iCalendar file
//   gather_once libical FILE   libical's own parse of the same file, and nothing more
#include "service/gather/ics_reader.h"
#include "service/gather/source_round.h"
#include "service/regular_file_text.h"

#include <libical/ical.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: gather_once sources|ics|libical FILE\n");
        return 2;
    }
    const std::string mode = argv[1];
    if (mode == "sources") {
        std::ifstream in(argv[2]);
        vxs::SourceFetcher fetcher;
        vxs::FetchLimits limits;
        vxs::CityTable cities; // the lists' sources name no place
        int notModified = 0, bodies = 0, failed = 0, shows = 0;
        for (std::string line; std::getline(in, line);) {
            const std::size_t tab = line.find('\t');
            vxs::GatherSource source{vxs::SourceKind::Ics, line.substr(0, tab), "", "", 0};
            const vxs::Validators known{tab == std::string::npos ? "" : line.substr(tab + 1), ""};
            const vxs::SourceRound round =
                vxs::gatherSource(source, known, fetcher, limits, cities, vxs::CivilDate{2026, 12, 10});
            using Outcome = vxs::FetchResult::Outcome;
            notModified += round.fetch.outcome == Outcome::NotModified;
            bodies += round.fetch.outcome == Outcome::Body;
            failed += round.fetch.outcome == Outcome::Failed;
            shows += static_cast<int>(round.shows.size() + round.skippedCount);
        }
        std::printf("304: %d, 200: %d, failed: %d, entries read: %d\n", notModified, bodies, failed, shows);
        return failed == 0 ? 0 : 1;
    }
    std::string text, why;
    if (!vxs::readRegularFile(argv[2], 64u << 20, &text, &why)) {
        std::fprintf(stderr, "gather_once: %s\n", why.c_str());
        return 1;
    }
    if (mode == "libical") {
        icalcomponent* root = icalparser_parse_string(text.c_str());
        int events = 0;
        for (icalcomponent* e = root ? icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT)
                                     : nullptr;
             e; e = icalcomponent_get_next_component(root, ICAL_VEVENT_COMPONENT))
            ++events;
        std::printf("events: %d\n", events);
        if (root) icalcomponent_free(root);
        return 0;
    }
    const vxs::SourceReading reading = vxs::readIcsShows(
        text, vxs::ReadContext{vxs::CivilDate{2026, 12, 10}, argv[2], "America/New_York", 20000});
    std::printf("shows: %zu, skipped: %zu\n", reading.events.size(), reading.skippedCount);
    return 0;
}
