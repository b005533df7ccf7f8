#include "plugin/model/show_identity.h"

#include "common/fixed_text.h"
#include "plugin/model/record_lists.h"
#include "plugin/model/show_copy.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

namespace {

bool isPast(int32_t y, int32_t m, int32_t d, const ChangeRules& r) {
    if (y != r.todayYear) return y < r.todayYear;
    if (m != r.todayMonth) return m < r.todayMonth;
    return d < r.todayDay;
}

bool sameDate(const SHOWENTRY& a, const SHOWENTRY& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

bool sameVenue(const SHOWENTRY& a, const SHOWENTRY& b) {
    return cleanedName(a.venue) == cleanedName(b.venue);
}

ShowChange changeOf(ShowChange::Kind kind, const SHOWENTRY& show) {
    ShowChange c;
    c.kind = kind;
    c.artist = show.artist;
    c.venue = show.venue;
    c.year = show.year, c.month = show.month, c.day = show.day;
    return c;
}

// What a show keeps of itself from one refresh to the next.
void carryIdentity(const SHOWENTRY& from, SHOWENTRY& to) {
    vx::copyText(to.uid, from.uid);
    to.sequence = from.sequence;
    to.movedYear = from.movedYear, to.movedMonth = from.movedMonth, to.movedDay = from.movedDay;
    vx::copyText(to.movedVenue, from.movedVenue);
}

// p (of the list before) is c (of this refresh); reports what changed for a chosen show.
void sameShow(const SHOWENTRY& p, SHOWENTRY& c, std::vector<ShowChange>& changes) {
    carryIdentity(p, c);
    const bool moved = !sameDate(p, c) || !sameVenue(p, c);
    if (moved) {
        c.movedYear = p.year, c.movedMonth = p.month, c.movedDay = p.day;
        vx::copyText(c.movedVenue, sameVenue(p, c) ? "" : p.venue);
    }
    if (!p.selected) return;
    c.selected = true;
    if (moved || p.cancelled) ++c.sequence;
    if (moved) {
        ShowChange m = changeOf(ShowChange::Moved, c);
        m.oldVenue = p.venue;
        m.oldYear = p.year, m.oldMonth = p.month, m.oldDay = p.day;
        changes.push_back(std::move(m));
    } else if (p.cancelled) {
        changes.push_back(changeOf(ShowChange::Back, c));
    }
}

// A chosen show that no source lists any more. It stays the user's until its date passes; only a
// search of the place it was found for, where every source answered, may cancel it.
void notListed(const SHOWENTRY& p, SHOWLIST& current, const ChangeRules& rules,
               std::vector<ShowChange>& changes) {
    if (!p.selected || isPast(p.year, p.month, p.day, rules)) return;
    const ChangeRules::Found found = rules.foundAt ? rules.foundAt(p) : ChangeRules::Found::Here;
    const bool here = found == ChangeRules::Found::Here;
    SHOWENTRY* kept = newShowLike(p);
    kept->selected = true;
    carryIdentity(p, *kept);
    vx::copyText(kept->foundCity, p.foundCity);
    vx::copyText(kept->foundState, p.foundState);
    kept->foundRadius = p.foundRadius;
    kept->elsewhere = found == ChangeRules::Found::Elsewhere;
    kept->onTrip = p.onTrip && !kept->elsewhere;
    kept->cancelled = p.cancelled;
    const bool cancels = here && rules.samePlace && rules.sourcesAsUsual && !p.cancelled;
    if (cancels) {
        kept->cancelled = true;
        ++kept->sequence;
    }
    const ShowChange change = changeOf(ShowChange::Cancelled, *kept);
    // The user's own choice is kept even in a full list; one merged into a show of the same date
    // and artist was listed after all, and nothing is cancelled.
    if (current.addShow(kept, nullptr, true) && cancels) changes.push_back(change);
}

} // namespace

std::string showIdentity(const SHOWENTRY& show) {
    const std::string artist = cleanedName(show.artist);
    if (show.url[0]) return std::string("u\x1f") + show.url + "\x1f" + artist;
    return "v\x1f" + artist + "\x1f" + cleanedName(show.venue);
}

std::vector<ShowChange> trackShowChanges(SHOWLIST& current, SHOWLIST& previous, const ChangeRules& rules) {
    struct Group {
        std::vector<SHOWENTRY*> before, now;
    };
    std::unordered_map<std::string, Group> groups;
    std::unordered_map<std::string, SHOWENTRY*> byUid;
    for (SHOWENTRY* e = current.head; e; e = e->next) {
        groups[showIdentity(*e)].now.push_back(e);
        if (e->uid[0]) byUid.emplace(e->uid, e);
    }
    for (SHOWENTRY* e = previous.head; e; e = e->next)
        groups[showIdentity(*e)].before.push_back(e);

    std::vector<ShowChange> changes;
    std::unordered_set<const SHOWENTRY*> matched;
    std::vector<const SHOWENTRY*> unmatched;
    // The list carried the UID of a show of the same date and artist: the same show.
    for (SHOWENTRY* p = previous.head; p; p = p->next) {
        auto it = p->uid[0] ? byUid.find(p->uid) : byUid.end();
        if (it != byUid.end() && !matched.count(it->second)) {
            matched.insert(it->second);
            sameShow(*p, *it->second, changes);
        } else {
            unmatched.push_back(p);
        }
    }
    std::unordered_set<const SHOWENTRY*> gone(unmatched.begin(), unmatched.end());
    // Other shows are matched within their identity: by date first (two nights of one event
    // are two shows), then one left on each side is one show moved.
    std::vector<SHOWENTRY*> fresh;
    for (auto& [identity, g] : groups) {
        std::vector<SHOWENTRY*> before, now;
        for (SHOWENTRY* p : g.before)
            if (gone.count(p)) before.push_back(p);
        for (SHOWENTRY* c : g.now)
            if (!matched.count(c)) now.push_back(c);
        for (auto p = before.begin(); p != before.end();) {
            auto c = std::find_if(now.begin(), now.end(), [&](SHOWENTRY* e) { return sameDate(**p, *e); });
            if (c == now.end()) {
                ++p;
                continue;
            }
            sameShow(**p, **c, changes);
            now.erase(c);
            p = before.erase(p);
        }
        if (before.size() == 1 && now.size() == 1) {
            sameShow(*before[0], *now[0], changes);
            continue;
        }
        for (SHOWENTRY* p : before)
            notListed(*p, current, rules, changes);
        // Only an identity no show before had is new: a second night of a run listed before
        // is a show the user has seen announced.
        if (g.before.empty()) fresh.insert(fresh.end(), now.begin(), now.end());
    }
    if (rules.samePlace && rules.mostPlayed && previous.head) {
        // A trip's shows are new to the user when the trip is: they are not announced one by one.
        for (SHOWENTRY* c : fresh)
            if (!c->onTrip && !isPast(c->year, c->month, c->day, rules) &&
                rules.mostPlayed->count(cleanedName(c->artist)))
                changes.push_back(changeOf(ShowChange::New, *c));
    }
    // In a stable order for the notice and the log: by kind, then date and artist.
    std::sort(changes.begin(), changes.end(), [](const ShowChange& a, const ShowChange& b) {
        return std::tie(a.kind, a.year, a.month, a.day, a.artist) <
               std::tie(b.kind, b.year, b.month, b.day, b.artist);
    });
    return changes;
}

std::string showDateText(int32_t year, int32_t month, int32_t day, bool withYear) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (month < 1 || month > 12) return "";
    // Sakamoto's rule for the weekday of a Gregorian date.
    static const int kOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    const int32_t y = month < 3 ? year - 1 : year;
    const int weekday =
        static_cast<int>(((y + y / 4 - y / 100 + y / 400 + kOffsets[month - 1] + day) % 7 + 7) % 7);
    std::string text = std::string(kDays[weekday]) + ", " + kMonths[month - 1] + " " + std::to_string(day);
    if (withYear) text += ", " + std::to_string(year);
    return text;
}

std::string changeText(const ShowChange& c) {
    const std::string date = showDateText(c.year, c.month, c.day, true);
    switch (c.kind) {
    case ShowChange::Moved:
        return "Show moved: " + c.artist + ", now " + date + " at " + c.venue;
    case ShowChange::Cancelled:
        return "Show cancelled: " + c.artist + ", " + date + " at " + c.venue;
    case ShowChange::Back:
        return "Show listed again: " + c.artist + ", " + date + " at " + c.venue;
    case ShowChange::New:
        break;
    }
    return "New show: " + c.artist + ", " + date + " at " + c.venue;
}
