#include "service/gather/gathered_event.h"

#include "common/musicbrainz_id.h"

#include <algorithm>

namespace vxs {

const std::string& performerId(const GatheredEvent& event, std::size_t i) {
    static const std::string kNone;
    return i < event.performerIds.size() ? event.performerIds[i] : kNone;
}

void addPerformer(GatheredEvent& event, std::string name, std::string_view id) {
    if (name.empty() ||
        std::find(event.performers.begin(), event.performers.end(), name) != event.performers.end())
        return;
    event.performers.push_back(std::move(name));
    if (std::string known = vx::musicBrainzId(id); !known.empty()) {
        event.performerIds.resize(event.performers.size());
        event.performerIds.back() = std::move(known);
    }
}

std::string artistIdOfLink(std::string_view link) {
    constexpr std::string_view kArtistPage = "musicbrainz.org/artist/";
    const std::size_t at = link.find(kArtistPage);
    if (at == std::string_view::npos) return {};
    const std::string_view rest = link.substr(at + kArtistPage.size());
    // The id may be followed by a further path or a query, never by more of itself.
    if (rest.size() > vx::kMusicBrainzIdLength && rest[vx::kMusicBrainzIdLength] != '/' &&
        rest[vx::kMusicBrainzIdLength] != '?' && rest[vx::kMusicBrainzIdLength] != '#')
        return {};
    return vx::musicBrainzId(rest.substr(0, vx::kMusicBrainzIdLength));
}

const char* showStatusName(ShowStatus status) {
    switch (status) {
    case ShowStatus::Cancelled:
        return "cancelled";
    case ShowStatus::Postponed:
        return "postponed";
    case ShowStatus::Rescheduled:
        return "rescheduled";
    case ShowStatus::Scheduled:
        break;
    }
    return "scheduled";
}

bool withinListedDays(const CivilDate& date, const CivilDate& today, std::string* reason) {
    const long day = daysFromCivil(date), first = daysFromCivil(today);
    if (day < first) {
        *reason = "dated in the past";
        return false;
    }
    if (day >= first + 365) {
        *reason = "dated more than a year ahead";
        return false;
    }
    return true;
}

} // namespace vxs
