#pragma once
// Shows from MusicBrainz event data (its web service's JSON: one event, or a search answer's
// "events" list), with performers and the place from the event's relations.
#include "service/gather/gathered_event.h"

#include <string_view>

namespace vxs {

SourceReading readMusicBrainzShows(std::string_view json, const ReadContext& context);

} // namespace vxs
