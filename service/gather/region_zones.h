#pragma once
// The usual time zone of a place, for sources that give a clock time but no zone: a US state's or
// Canadian province's most populous zone, or a country's.
#include "service/region_codes.h"

#include <string>

namespace vxs {

// An IANA zone name, or empty when the place has none of its own (a country of many zones the
// table does not split).
std::string regionZone(const RegionRef& place);

} // namespace vxs
