// Which show of a refresh is which show of the one before, and what changed for the user: one
// table of refreshes, each with the list before, the sources' shows and what must come out.
#include "common/fixed_text.h"
#include "plugin/model/show_identity.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// "Artist|YYYY-MM-DD|Venue|url|marks": marks holds '*' for chosen, 'x' for cancelled, 'o' for
// found for another place than the one searched now, 't' for found by a trip, a digit for the
// sequence.
SHOWENTRY* show(const std::string& spec) {
    std::vector<std::string> f;
    std::stringstream in(spec);
    for (std::string part; std::getline(in, part, '|');)
        f.push_back(part);
    f.resize(5);
    auto* e = new SHOWENTRY;
    vx::copyText(e->artist, f[0].c_str());
    std::sscanf(f[1].c_str(), "%d-%d-%d", &e->year, &e->month, &e->day);
    vx::copyText(e->venue, f[2].c_str());
    vx::copyText(e->url, f[3].c_str());
    e->selected = f[4].find('*') != std::string::npos;
    e->cancelled = f[4].find('x') != std::string::npos;
    vx::copyText(e->foundCity, f[4].find('o') != std::string::npos ? "Elsewhere" : "Here");
    e->foundRadius = 75;
    e->onTrip = f[4].find('t') != std::string::npos;
    for (char c : f[4])
        if (c >= '0' && c <= '9') e->sequence = c - '0';
    return e;
}

// "Artist YYYY-MM-DD [*][x] seq N [from YYYY-MM-DD|VENUE]" per show of the list.
std::vector<std::string> summary(SHOWLIST& list) {
    std::vector<std::string> out;
    for (SHOWENTRY* e = list.head; e; e = e->next) {
        char line[512];
        std::snprintf(line, sizeof line, "%s %04d-%02d-%02d%s%s seq %d", e->artist, e->year, e->month, e->day,
                      e->selected ? " *" : "", e->cancelled ? " x" : "", e->sequence);
        std::string s = line;
        if (e->movedYear) s += " from " + std::to_string(e->movedMonth) + "/" + std::to_string(e->movedDay);
        if (e->movedVenue[0]) s += std::string(" ") + e->movedVenue;
        if (e->elsewhere) s += std::string(" found in ") + e->foundCity;
        out.push_back(s);
    }
    return out;
}

struct Case {
    const char* name;
    std::vector<std::string> before, listed;
    bool samePlace, asUsual;
    std::vector<std::string> changes, after;
};

const Case kCases[] = {
    {"moved to another date keeps its mark and UID",
     {"Kinks|2027-01-09|Club|http://e/1|*"},
     {"Kinks|2027-01-16|Club|http://e/1|"},
     true,
     true,
     {"Show moved: Kinks, now Sat, Jan 16, 2027 at Club"},
     {"Kinks 2027-01-16 * seq 1 from 1/9"}},
    {"moved to another venue on its date",
     {"Kinks|2027-01-09|Club|http://e/1|*"},
     {"Kinks|2027-01-09|Hall|http://e/1|"},
     true,
     true,
     {"Show moved: Kinks, now Sat, Jan 9, 2027 at Hall"},
     {"Kinks 2027-01-09 * seq 1 from 1/9 Club"}},
    {"a two-night run is two shows, neither moved nor new",
     {"Kinks|2027-01-09|Club|http://e/1|*"},
     {"Kinks|2027-01-09|Club|http://e/1|", "Kinks|2027-01-10|Club|http://e/1|"},
     true,
     true,
     {},
     {"Kinks 2027-01-09 * seq 0", "Kinks 2027-01-10 seq 0"}},
    {"without a URL the artist and venue tell the show",
     {"Kinks|2027-01-09|Club||*", "Who|2027-02-01|Arena||*"},
     {"Kinks|2027-01-20|Club||", "Who|2027-02-03|Dome||"},
     true,
     true,
     {"Show moved: Kinks, now Wed, Jan 20, 2027 at Club", "Show cancelled: Who, Mon, Feb 1, 2027 at Arena",
      "New show: Who, Wed, Feb 3, 2027 at Dome"},
     {"Kinks 2027-01-20 * seq 1 from 1/9", "Who 2027-02-01 * x seq 1", "Who 2027-02-03 seq 0"}},
    {"the same date and artist at another venue is the same show moved",
     {"Who|2027-02-01|Arena||*"},
     {"Who|2027-02-01|Dome||"},
     true,
     true,
     {"Show moved: Who, now Mon, Feb 1, 2027 at Dome"},
     {"Who 2027-02-01 * seq 1 from 2/1 Arena"}},
    {"gone while every source answered: cancelled, kept",
     {"Kinks|2027-01-09|Club|http://e/1|*", "Who|2027-02-01|Arena|http://e/2|"},
     {"Who|2027-02-01|Arena|http://e/2|"},
     true,
     true,
     {"Show cancelled: Kinks, Sat, Jan 9, 2027 at Club"},
     {"Kinks 2027-01-09 * x seq 1", "Who 2027-02-01 seq 0"}},
    {"a source not as usual cancels nothing and keeps the show",
     {"Kinks|2027-01-09|Club|http://e/1|*"},
     {"Yes|2027-02-01|Arena|http://e/2|"},
     true,
     false,
     {},
     {"Kinks 2027-01-09 * seq 0", "Yes 2027-02-01 seq 0"}},
    {"another place is another search: nothing cancelled or new, the chosen show kept",
     {"Kinks|2027-01-09|Club|http://e/1|*o", "Yes|2027-01-10|Club|http://e/5|o"},
     {"Who|2027-02-01|Arena|http://e/2|"},
     false,
     true,
     {},
     {"Kinks 2027-01-09 * seq 0 found in Elsewhere", "Who 2027-02-01 seq 0"}},
    {"found for another place, this place searched again in full: still kept, not cancelled",
     {"Kinks|2027-01-09|Club|http://e/1|*o1", "Who|2027-02-01|Arena|http://e/2|"},
     {"Who|2027-02-01|Arena|http://e/2|"},
     true,
     true,
     {},
     {"Kinks 2027-01-09 * seq 1 found in Elsewhere", "Who 2027-02-01 seq 0"}},
    {"back at the place it was found for after another search: kept as it was",
     {"Kinks|2027-01-09|Club|http://e/1|*"},
     {},
     false,
     true,
     {},
     {"Kinks 2027-01-09 * seq 0"}},
    {"a past show goes quietly", {"Kinks|2026-01-09|Club|http://e/1|*"}, {}, true, true, {}, {}},
    {"cancelled and listed again: back, sequence raised again",
     {"Kinks|2027-01-09|Club|http://e/1|*x1"},
     {"Kinks|2027-01-09|Club|http://e/1|"},
     true,
     true,
     {"Show listed again: Kinks, Sat, Jan 9, 2027 at Club"},
     {"Kinks 2027-01-09 * seq 2"}},
    {"still cancelled: no second notice, no second raise",
     {"Kinks|2027-01-09|Club|http://e/1|*x1"},
     {},
     true,
     true,
     {},
     {"Kinks 2027-01-09 * x seq 1"}},
    {"new only for the most played and never listed before",
     {"Who|2027-02-01|Arena|http://e/2|"},
     {"Who|2027-02-01|Arena|http://e/2|", "Kinks|2027-03-01|Club|http://e/3|",
      "Yes|2027-03-02|Club|http://e/4|"},
     true,
     true,
     {"New show: Kinks, Mon, Mar 1, 2027 at Club"},
     {"Who 2027-02-01 seq 0", "Kinks 2027-03-01 seq 0", "Yes 2027-03-02 seq 0"}},
    {"a trip's shows are not announced as new",
     {"Who|2027-02-01|Arena|http://e/2|"},
     {"Who|2027-02-01|Arena|http://e/2|", "Kinks|2027-03-01|Club|http://e/3|t"},
     true,
     true,
     {},
     {"Who 2027-02-01 seq 0", "Kinks 2027-03-01 seq 0"}},
};

TEST(ShowChanges, EachRefreshOfTheTable) {
    const std::unordered_set<std::string> mostPlayed{"kinks", "who"};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        SHOWLIST before, current;
        for (const std::string& s : c.before)
            before.addShow(show(s), nullptr);
        // As the search adds them: the mark and UID of the same date and artist carried over.
        for (const std::string& s : c.listed)
            current.addShow(show(s), &before);
        ChangeRules rules;
        rules.samePlace = c.samePlace;
        rules.sourcesAsUsual = c.asUsual;
        rules.todayYear = 2026, rules.todayMonth = 12, rules.todayDay = 9;
        rules.mostPlayed = &mostPlayed;
        rules.foundAt = [](const SHOWENTRY& e) {
            return std::string(e.foundCity) == "Here" ? ChangeRules::Found::Here
                                                      : ChangeRules::Found::Elsewhere;
        };
        std::vector<std::string> texts;
        for (const ShowChange& change : trackShowChanges(current, before, rules))
            texts.push_back(changeText(change));
        EXPECT_EQ(texts, c.changes);
        EXPECT_EQ(summary(current), c.after);
        // A chosen show that is still chosen keeps its UID, wherever it went.
        for (SHOWENTRY* p = before.head; p; p = p->next)
            for (SHOWENTRY* e = current.head; e; e = e->next)
                if (p->selected && e->selected && cleanedName(e->artist) == cleanedName(p->artist)) {
                    EXPECT_STREQ(e->uid, p->uid) << p->artist;
                }
    }
}

// A search that fills the list to its room still leaves the user's kept choice in it.
TEST(ShowChanges, AChosenShowIsKeptWhenTheSearchFilledTheList) {
    SHOWLIST before, current;
    before.addShow(show("Who|2027-02-01|Arena|http://e/2|*o"), nullptr);
    for (std::size_t i = 0; i < SHOWLIST::kMostShows; ++i)
        current.addShow(
            show("Band " + std::to_string(i) + "|2027-03-01|Club|http://e/b" + std::to_string(i) + "|"),
            &before);
    ASSERT_TRUE(current.full());
    ChangeRules rules;
    rules.todayYear = 2026, rules.todayMonth = 12, rules.todayDay = 9;
    rules.foundAt = [](const SHOWENTRY&) { return ChangeRules::Found::Elsewhere; };
    trackShowChanges(current, before, rules);
    ASSERT_NE(current.findShow("Who"), nullptr);
    EXPECT_TRUE(current.findShow("Who")->selected);
}

TEST(ShowChanges, ACancelledShowIsNoUpcomingOneForTheNotice) {
    SHOWLIST list;
    list.addShow(show("Kinks|2027-01-09|Club|http://e/1|*x1"), nullptr);
    list.addShow(show("Kinks|2027-02-09|Hall|http://e/2|"), nullptr);
    ASSERT_NE(list.findShow("The Kinks"), nullptr);
    EXPECT_STREQ(list.findShow("The Kinks")->venue, "Hall");
}

} // namespace
