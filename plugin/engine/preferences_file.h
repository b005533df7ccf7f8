#pragma once
// Pieces of the preferences file that tests check on their own.
#include <cstdint>
#include <ctime>

namespace vx {

// The first full refresh of a new installation: a random moment one day to eight days and an hour
// from now, drawn from a generator seeded with seed, so that installations do not all ask at once.
int32_t firstRefreshTime(std::time_t now, unsigned seed);

// The format filters of a new installation, in their order.
extern const char* const kDefaultFormatFilters[6];

} // namespace vx
