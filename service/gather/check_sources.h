#pragma once
// voxtrail-service --check-sources FILE: each source fetched once, and what it gave printed:
// its shows, the entries it skipped and why, or why it failed.
#include "service/city_table.h"
#include "service/civil_date.h"
#include "service/gather/gather_options.h"

#include <cstdio>

namespace vxs {

// Returns the exit status: 0 when every source answered, 1 otherwise (2 for an unreadable file).
int checkSources(const GatherOptions& options, const CityTable& cities, const CivilDate& today,
                 std::FILE* out);

} // namespace vxs
