#include "service/feed_show_times.h"

#include "service/gather/gathered_page.h"

namespace vxs {

FeedShowTimes::FeedShowTimes(const std::vector<ServedShow>& served) {
    for (const ServedShow& s : served) {
        const GatheredEvent& e = s.show.event;
        const std::size_t colon = e.time.find(':');
        if (colon == std::string::npos || s.links.empty()) continue;
        ShowStart start;
        try {
            start.hour = std::stoi(e.time.substr(0, colon));
            start.minute = std::stoi(e.time.substr(colon + 1));
        } catch (const std::exception&) {
            continue;
        }
        if (start.hour < 0 || start.hour > 23 || start.minute < 0 || start.minute > 59) continue;
        start.zone = e.zone;
        // The link as the source page wrote it is the one the plug-in and the phone app keep.
        byLink_.emplace(pageField(s.links.front()), std::move(start));
    }
}

ShowStart FeedShowTimes::of(const std::string& link) const {
    const auto it = byLink_.find(link);
    return it == byLink_.end() ? ShowStart{} : it->second;
}

} // namespace vxs
