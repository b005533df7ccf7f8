#include "service/gather/gathered_shows.h"

#include "service/text_keys.h"

#include <algorithm>
#include <unordered_map>

namespace vxs {
namespace {

constexpr int kAnswersBeforeGone = 2;

// Two sources' entries are one show when they share the headliner, the day and the city.
std::string mergeKey(const PlacedShow& show) {
    const std::string& headliner = show.event.performers.front();
    std::string performer = artistKey(headliner);
    if (performer.empty()) performer = headliner;
    return performer + '\n' + isoDate(show.event.date) + '\n' + placeKey(show.venueCity);
}

} // namespace

std::string showLink(const GatheredEvent& event) {
    if (!event.ticketUrl.empty()) return event.ticketUrl;
    if (!event.eventUrl.empty()) return event.eventUrl;
    return event.sourceUrl + "#" + event.sourceId;
}

void GatheredShows::sourceAnswered(const std::string& source, std::vector<PlacedShow> shows) {
    store(source, std::move(shows), true);
}

void GatheredShows::sourceAdded(const std::string& source, std::vector<PlacedShow> shows) {
    store(source, std::move(shows), false);
}

void GatheredShows::store(const std::string& source, std::vector<PlacedShow> shows, bool whole) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto first = entries_.lower_bound({source, std::string()});
    for (auto e = first; whole && e != entries_.end() && e->first.first == source; ++e)
        ++e->second.missedAnswers;
    for (PlacedShow& show : shows) {
        if (show.event.performers.empty()) continue;
        Entry& entry = entries_[{source, show.event.sourceId}];
        if (entry.order == 0) entry.order = ++nextOrder_;
        entry.show = std::move(show);
        entry.missedAnswers = 0;
    }
    rebuild();
}

void GatheredShows::rebuild() {
    std::vector<const Entry*> listed;
    for (const auto& [key, entry] : entries_) {
        const ShowStatus status = entry.show.event.status;
        if (entry.missedAnswers < kAnswersBeforeGone && status != ShowStatus::Cancelled &&
            status != ShowStatus::Postponed)
            listed.push_back(&entry);
    }
    std::sort(listed.begin(), listed.end(),
              [](const Entry* a, const Entry* b) { return a->order < b->order; });
    auto served = std::make_shared<std::vector<ServedShow>>();
    std::unordered_map<std::string, std::size_t> byKey;
    for (const Entry* entry : listed) {
        const std::string link = showLink(entry->show.event);
        auto [at, isNew] = byKey.emplace(mergeKey(entry->show), served->size());
        if (isNew) {
            served->push_back(ServedShow{entry->show, {link}});
            continue;
        }
        ServedShow& merged = (*served)[at->second];
        if (std::find(merged.links.begin(), merged.links.end(), link) == merged.links.end())
            merged.links.push_back(link);
        // A later source fills in what the first one left out.
        GatheredEvent& e = merged.show.event;
        if (e.time.empty() && !entry->show.event.time.empty()) {
            e.time = entry->show.event.time;
            e.zone = entry->show.event.zone;
        }
        if (e.doors.empty()) e.doors = entry->show.event.doors;
        if (e.ticketUrl.empty()) e.ticketUrl = entry->show.event.ticketUrl;
    }
    std::sort(served->begin(), served->end(), [](const ServedShow& a, const ServedShow& b) {
        return daysFromCivil(a.show.event.date) < daysFromCivil(b.show.event.date);
    });
    served_ = std::move(served);
}

std::shared_ptr<const std::vector<ServedShow>> GatheredShows::served() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return served_;
}

GatheredShows::Counts GatheredShows::counts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    Counts counts;
    for (const auto& [key, entry] : entries_) {
        if (entry.missedAnswers >= kAnswersBeforeGone) {
            ++counts.gone;
        } else if (entry.show.event.status == ShowStatus::Cancelled) {
            ++counts.cancelled;
        } else {
            ++counts.kept;
        }
    }
    return counts;
}

} // namespace vxs
