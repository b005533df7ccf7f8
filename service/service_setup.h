#pragma once
// Builds the service's data from its options: city table, catalogue, venues, events.
#include "service/service_data.h"
#include "service/service_options.h"

#include <string>

namespace vxs {

bool buildServiceData(const ServiceOptions& options, ServiceData* data, std::string* error);

// Where the extra share of shows goes: the focus options, or else the place the
// IP-location page reports; nothing when that place is not in the city table.
std::optional<FocusArea> focusArea(const ServiceOptions& options, const CityTable& cities);

} // namespace vxs
