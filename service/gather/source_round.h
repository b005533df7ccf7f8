#pragma once
// One fetch of one source and what it gave: the shows placed on the map, the entries skipped and
// why, and whether the answer was whole (a show it leaves out may then be gone).
#include "service/city_table.h"
#include "service/gather/show_placing.h"
#include "service/gather/source_fetch.h"
#include "service/gather/source_list.h"

#include <atomic>
#include <vector>

namespace vxs {

struct SourceRound {
    FetchResult fetch;
    bool whole = false; // a body that read as its kind: the shows are all it lists
    std::vector<PlacedShow> shows;
    std::vector<SkippedEntry> skipped;
    std::size_t skippedCount = 0;
};

// The shows of a fetched body, read as the source's kind.
SourceReading readSourceBody(const GatherSource& source, std::string_view body, const ReadContext& context);

SourceRound gatherSource(const GatherSource& source, const Validators& known, SourceFetcher& fetcher,
                         const FetchLimits& limits, const CityTable& cities, const CivilDate& today,
                         const std::atomic<bool>* stop = nullptr);

} // namespace vxs
