#pragma once
// How many events each concert source listed at the last refresh, and of which place and radius:
// a source that suddenly lists far fewer is more likely broken than emptied, and must not cancel
// the user's shows. Kept in "VoxtrailSourceCounts" in the support folder, so a restart keeps them.
#include "plugin/services/concert_search.h"

#include <map>
#include <string>
#include <vector>

namespace vx {

inline constexpr const char* kSourceCountsFile = "VoxtrailSourceCounts";

struct SourceCounts {
    // The place in canonical form (city cleaned, region as its code) and the radius.
    std::string city, region;
    int radius = 0;
    std::map<std::string, long> events; // by source name
};

// The counts in path; none when it is missing or not of this form.
SourceCounts readSourceCounts(const std::string& path);
// Written whole (mode 0600); false when it could not be.
bool writeSourceCounts(const std::string& path, const SourceCounts& counts);

// Whether a refresh's answers may cancel shows: every source asked answered in full, at least one
// was asked, and none of them lists no events at all (unless it listed none at the last refresh of
// this place too) or fewer than half of what it listed at the last refresh of this place and
// radius (`last`, already for this place). Each source that keeps
// shows from being cancelled for its count adds a line to *notes.
bool answersMayCancel(const ConcertSearchAnswers& answers, const SourceCounts& last,
                      std::vector<std::string>* notes);

// `last` with the counts of this refresh's full answers; a refresh of another place starts anew.
SourceCounts countsAfter(const SourceCounts& last, const ConcertSearchAnswers& answers,
                         const std::string& city, const std::string& region, int radius);

} // namespace vx
