#pragma once
// Shows from an iCalendar feed (a venue's or a promoter's calendar), read with libical.
#include "service/gather/gathered_event.h"

#include <string_view>

namespace vxs {

// Every VEVENT becomes a show, a recurring one each of its days up to a year ahead; what cannot
// become one is skipped with its reason.
SourceReading readIcsShows(std::string_view text, const ReadContext& context);

} // namespace vxs
