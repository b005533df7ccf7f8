#include "service/gather/gathered_shows.h"

#include "common/musicbrainz_id.h"
#include "service/gather/show_json.h"
#include "service/text_keys.h"

#include <algorithm>
#include <iterator>
#include <unordered_map>

namespace vxs {
namespace {

constexpr int kAnswersBeforeGone = 2;
// A show gone this long (a past one no source lists any more) is dropped from the store.
constexpr int kAnswersBeforeForgotten = 10;

// Two sources' entries are one show when they share the headliner, the day and the city.
std::string mergeKey(const PlacedShow& show) {
    const std::string& headliner = show.event.performers.front();
    std::string performer = artistKey(headliner);
    if (performer.empty()) performer = headliner;
    return performer + '\n' + isoDate(show.event.date) + '\n' + placeKey(show.venueCity);
}

// The performers' ids as the store keeps them beside the show: in bill order, joined by ",", an
// empty place for a performer without one.
std::string joinedIds(const GatheredEvent& event) {
    std::string joined;
    for (std::size_t i = 0; i < event.performerIds.size(); ++i)
        joined += (i ? "," : "") + event.performerIds[i];
    return joined;
}

void readIds(std::string_view joined, GatheredEvent* event) {
    for (std::size_t i = 0; i < event->performers.size() && !joined.empty(); ++i) {
        const std::size_t comma = joined.find(',');
        const std::string id = vx::musicBrainzId(joined.substr(0, comma));
        if (!id.empty()) {
            event->performerIds.resize(i + 1);
            event->performerIds[i] = id;
        }
        joined = comma == std::string_view::npos ? std::string_view() : joined.substr(comma + 1);
    }
}

// A later source's ids fill in those the first one left out, performer by performer.
void fillIds(GatheredEvent& into, const GatheredEvent& from) {
    for (std::size_t i = 0; i < into.performers.size(); ++i) {
        if (!performerId(into, i).empty()) continue;
        const auto same = std::find(from.performers.begin(), from.performers.end(), into.performers[i]);
        const std::string& id =
            same == from.performers.end() ? std::string() : performerId(from, same - from.performers.begin());
        if (id.empty()) continue;
        into.performerIds.resize(std::max(into.performerIds.size(), i + 1));
        into.performerIds[i] = id;
    }
}

} // namespace

std::string showLink(const GatheredEvent& event) {
    if (!event.ticketUrl.empty()) return event.ticketUrl;
    if (!event.eventUrl.empty()) return event.eventUrl;
    return event.sourceUrl + "#" + event.sourceId;
}

GatheredShows::GatheredShows(Database* db) : db_(db) {
    reload();
}

bool GatheredShows::claim(const std::string& source, long long now, long long until, Validators* known,
                          long long* nextDue) {
    if (!db_) return true;
    db_->run("INSERT INTO gather_sources (source) VALUES (?1) ON CONFLICT (source) DO NOTHING", {source});
    // One statement decides: of processes asking together, one sees the source due and moves its
    // turn on; the others find it moved and leave it.
    const SqlResult taken = db_->run(
        "UPDATE gather_sources SET next_due = ?3 WHERE source = ?1 AND next_due <= ?2", {source, now, until});
    if (taken.changes != 1) {
        if (nextDue) {
            const SqlResult due = db_->run("SELECT next_due FROM gather_sources WHERE source = ?1", {source});
            *nextDue = due.rows.empty() ? until : due.rows[0].integer(0);
        }
        return false;
    }
    const SqlResult row =
        db_->run("SELECT etag, last_modified FROM gather_sources WHERE source = ?1", {source});
    if (!row.rows.empty()) *known = Validators{row.rows[0].text(0), row.rows[0].text(1)};
    return true;
}

void GatheredShows::release(const std::string& source, long long nextDue, const Validators* answered) {
    if (!db_) return;
    if (answered) {
        db_->run("UPDATE gather_sources SET next_due = ?2, etag = ?3, last_modified = ?4 WHERE source = ?1",
                 {source, nextDue, answered->etag, answered->lastModified});
    } else {
        db_->run("UPDATE gather_sources SET next_due = ?2 WHERE source = ?1", {source, nextDue});
    }
}

void GatheredShows::reload() {
    if (!db_) return;
    const SqlResult rows = db_->run(
        "SELECT source, source_id, show, missed, first_seen, performer_ids FROM gathered_shows ORDER BY "
        "first_seen");
    std::map<std::pair<std::string, std::string>, Entry> entries;
    std::uint64_t order = 0;
    for (const SqlRow& row : rows.rows) {
        std::optional<PlacedShow> show = showFromJson(row.text(2));
        if (!show) continue; // a row this service cannot read is left as it is
        readIds(row.text(5), &show->event);
        entries[{row.text(0), row.text(1)}] =
            Entry{std::move(*show), static_cast<int>(row.integer(3)), static_cast<std::uint64_t>(++order)};
    }
    std::lock_guard<std::mutex> lock(mutex_);
    entries_ = std::move(entries);
    nextOrder_ = order;
    rebuild();
}

void GatheredShows::write(const std::string& source, const std::vector<PlacedShow>& shows, bool whole) {
    withRetries(*db_, [&](SqlConnection& c) {
        Transaction t(c, TransactionKind::Write);
        if (whole) {
            c.run("UPDATE gathered_shows SET missed = missed + 1 WHERE source = ?1", {source});
            c.run("DELETE FROM gathered_shows WHERE source = ?1 AND missed >= ?2",
                  {source, static_cast<long long>(kAnswersBeforeForgotten)});
        }
        const long long next =
            c.run("SELECT COALESCE(MAX(first_seen), 0) FROM gathered_shows").rows[0].integer(0) + 1;
        long long i = 0;
        for (const PlacedShow& show : shows) {
            if (!storableText(show.event.sourceId)) continue;
            c.run("INSERT INTO gathered_shows (source, source_id, show, missed, first_seen, performer_ids) "
                  "VALUES (?1, ?2, ?3, 0, ?4, ?5) ON CONFLICT (source, source_id) DO UPDATE SET show = "
                  "excluded.show, missed = 0, performer_ids = excluded.performer_ids",
                  {source, show.event.sourceId, showJson(show), next + i++, joinedIds(show.event)});
        }
        t.commit();
        return 0;
    });
}

void GatheredShows::sourceAnswered(const std::string& source, std::vector<PlacedShow> shows) {
    store(source, std::move(shows), true);
}

void GatheredShows::sourceAdded(const std::string& source, std::vector<PlacedShow> shows) {
    store(source, std::move(shows), false);
}

void GatheredShows::store(const std::string& source, std::vector<PlacedShow> shows, bool whole) {
    if (db_) write(source, shows, whole); // what other processes wrote comes with the next reload
    std::lock_guard<std::mutex> lock(mutex_);
    auto first = entries_.lower_bound({source, std::string()});
    for (auto e = first; whole && e != entries_.end() && e->first.first == source;)
        e = ++e->second.missedAnswers >= kAnswersBeforeForgotten ? entries_.erase(e) : std::next(e);
    for (PlacedShow& show : shows) {
        if (show.event.performers.empty()) continue;
        Entry& entry = entries_[{source, show.event.sourceId}];
        if (entry.order == 0) entry.order = ++nextOrder_;
        entry.show = std::move(show);
        entry.missedAnswers = 0;
    }
    rebuild();
}

void GatheredShows::serveOnly(std::vector<std::string> sources) {
    std::lock_guard<std::mutex> lock(mutex_);
    listedSources_.emplace(std::make_move_iterator(sources.begin()), std::make_move_iterator(sources.end()));
    rebuild();
}

void GatheredShows::rebuild() {
    std::vector<const Entry*> listed;
    for (const auto& [key, entry] : entries_) {
        if (listedSources_ && !listedSources_->count(key.first)) continue;
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
        fillIds(e, entry->show.event);
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
