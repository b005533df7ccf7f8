// Arbitrary bytes as a source's answer, read as an iCalendar feed, a page with JSON-LD or a
// MusicBrainz answer (by the first byte): no reader crashes, and every show it gives is whole:
// performers and texts of one clean line, a real calendar day within the listed year.
#include "common/musicbrainz_id.h"
#include "service/gather/ics_reader.h"
#include "service/gather/jsonld_reader.h"
#include "service/gather/musicbrainz_reader.h"

#include <cstdint>
#include <string>

namespace {

bool oneLine(const std::string& text) {
    for (char c : text)
        if (c == '\n' || c == '\r' || c == '\0') return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    vxs::ReadContext context{vxs::CivilDate{2026, 12, 10}, "https://source.example/", "America/New_York",
                             500};
    const vxs::SourceReading reading = data[0] % 3 == 0   ? vxs::readIcsShows(text, context)
                                       : data[0] % 3 == 1 ? vxs::readJsonLdShows(text, context)
                                                          : vxs::readMusicBrainzShows(text, context);
    if (reading.events.size() > context.maxEvents) __builtin_trap();
    if (reading.skipped.size() > vxs::SourceReading::kKeptSkips ||
        reading.skippedCount < reading.skipped.size())
        __builtin_trap();
    const long first = vxs::daysFromCivil(context.today);
    for (const vxs::GatheredEvent& e : reading.events) {
        if (e.performers.empty()) __builtin_trap();
        for (const std::string& p : e.performers)
            if (p.empty() || !oneLine(p)) __builtin_trap();
        // Ids stand beside their performers, each an id in the form the plug-in compares.
        if (e.performerIds.size() > e.performers.size()) __builtin_trap();
        for (const std::string& id : e.performerIds)
            if (!id.empty() && id != vx::musicBrainzId(id)) __builtin_trap();
        for (const std::string* field :
             {&e.venue, &e.city, &e.region, &e.time, &e.doors, &e.ticketUrl, &e.eventUrl})
            if (!oneLine(*field)) __builtin_trap();
        const long day = vxs::daysFromCivil(e.date);
        if (day < first || day >= first + 365 || e.date.day > vxs::daysInMonth(e.date.year, e.date.month))
            __builtin_trap();
        if (!e.time.empty() && e.time.size() != 5) __builtin_trap();
    }
    return 0;
}
