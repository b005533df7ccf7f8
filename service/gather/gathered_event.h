#pragma once
// A show read from an outside source (a venue's calendar, a page's JSON-LD, MusicBrainz), before
// and after it is placed on the map. Texts are clean UTF-8 of one line.
#include "service/civil_date.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vxs {

enum class ShowStatus { Scheduled, Cancelled, Postponed, Rescheduled };

const char* showStatusName(ShowStatus status);

struct GatheredEvent {
    std::vector<std::string> performers; // the headliner first
    // Beside performers: each one's MusicBrainz artist id in lower case, "" where the source gave
    // none; shorter than performers when the last ones have none.
    std::vector<std::string> performerIds;
    std::string venue;
    std::string city, region, country; // as the source wrote them; may be empty
    std::optional<double> lat, lon;    // the venue's own point, when the source gives one
    CivilDate date;                    // the venue's local day
    std::string time;                  // "HH:MM" local, empty when the source gives a day only
    std::string zone;                  // IANA zone of the venue, empty when unknown
    std::optional<long long> instant;  // the start in Unix seconds, when the source fixed it (UTC, an
                                       // offset, a TZID): moved into the venue's zone once known
    std::string doors;                 // "HH:MM" local, or empty
    std::string ticketUrl;
    std::string eventUrl; // the event's own page, when it has one
    ShowStatus status = ShowStatus::Scheduled;
    std::optional<CivilDate> previousDate; // of a rescheduled show
    std::string sourceUrl;
    std::string sourceId; // unique within its source
};

// performers[i]'s id, "" when none.
const std::string& performerId(const GatheredEvent& event, std::size_t i);
// Adds a performer not yet on the bill, with its id ("" or any text that is no id for none).
void addPerformer(GatheredEvent& event, std::string name, std::string_view id);
// The artist id a link to MusicBrainz's page of an artist names ("https://musicbrainz.org/artist/ID"),
// "" for any other text.
std::string artistIdOfLink(std::string_view link);

// An entry of a source that gave no event, and why.
struct SkippedEntry {
    std::string entry; // what names it (an id, a summary, a block number)
    std::string reason;
};

// What a source gave: its events, and the skipped entries (the first hundred kept, all counted).
struct SourceReading {
    static constexpr std::size_t kKeptSkips = 100;
    std::vector<GatheredEvent> events;
    std::vector<SkippedEntry> skipped;
    std::size_t skippedCount = 0;
    bool whole = true; // false when the text as a whole did not read, or was cut at a limit

    void skip(std::string entry, std::string reason) {
        if (++skippedCount <= kKeptSkips) skipped.push_back({std::move(entry), std::move(reason)});
    }
};

// What a reader needs besides the text.
struct ReadContext {
    CivilDate today;
    std::string sourceUrl;
    std::string venueZone; // the configured place's zone, empty when unknown
    std::size_t maxEvents = 20000;
    const std::atomic<bool>* stop = nullptr; // set when the service stops: the reading ends, not whole
    std::chrono::milliseconds budget{20000}; // past it the reading ends, not whole
    std::size_t maxRules = 500;              // recurring events expanded in one source
};

// Keeps only the days a listing shows: from today up to a year ahead.
bool withinListedDays(const CivilDate& date, const CivilDate& today, std::string* reason);

} // namespace vxs
