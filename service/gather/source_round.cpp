#include "service/gather/source_round.h"

#include "service/gather/ics_reader.h"
#include "service/gather/jsonld_reader.h"
#include "service/gather/musicbrainz_reader.h"

namespace vxs {

SourceReading readSourceBody(const GatherSource& source, std::string_view body, const ReadContext& context) {
    switch (source.kind) {
    case SourceKind::JsonLd:
        return readJsonLdShows(body, context);
    case SourceKind::MusicBrainz:
        return readMusicBrainzShows(body, context);
    case SourceKind::Ics:
        break;
    }
    return readIcsShows(body, context);
}

SourceRound gatherSource(const GatherSource& source, const Validators& known, SourceFetcher& fetcher,
                         const FetchLimits& limits, const CityTable& cities, const CivilDate& today,
                         const std::atomic<bool>* stop) {
    SourceRound round;
    round.fetch = fetcher.fetch(source.url, known, limits, stop);
    if (round.fetch.outcome != FetchResult::Outcome::Body) return round;
    ReadContext context;
    context.today = today;
    context.sourceUrl = source.url;
    context.venueZone = configuredZone(source, cities);
    context.stop = stop;
    SourceReading reading = readSourceBody(source, round.fetch.body, context);
    round.fetch.body.clear();
    round.whole = reading.whole;
    round.skipped = std::move(reading.skipped);
    round.skippedCount = reading.skippedCount;
    for (GatheredEvent& event : reading.events) {
        std::string why;
        const std::string entry = event.sourceId;
        if (std::optional<PlacedShow> placed = placeShow(std::move(event), source, cities, &why)) {
            round.shows.push_back(std::move(*placed));
        } else if (++round.skippedCount <= SourceReading::kKeptSkips) {
            round.skipped.push_back({entry, why});
        }
    }
    return round;
}

} // namespace vxs
