// When a refresh's answers may cancel chosen shows: a source that lists nothing, or under half of
// what it listed last time, keeps them; one that was empty last time and is empty again hides no
// show that could have gone (a gathered page of ticketed shows when no show has tickets).
#include "plugin/engine/source_counts.h"

#include <gtest/gtest.h>

namespace {

ConcertSearchAnswers answers(long gigwire, long ticketline) {
    ConcertSearchAnswers a;
    for (const auto& [name, events] :
         {std::pair<const char*, long>{"gigwire", gigwire}, {"ticketline", ticketline}}) {
        SourceAnswer answer;
        answer.full = true;
        answer.events = events;
        a.sources.push_back({name, answer});
    }
    return a;
}

} // namespace

TEST(SourceCounts, OnlyASourceThatListedEventsBeforeAndNoneNowKeepsShows) {
    vx::SourceCounts last;
    last.events = {{"gigwire", 4}, {"ticketline", 0}};
    const vx::SourceCounts unknown;
    const struct {
        const char* what;
        ConcertSearchAnswers now;
        const vx::SourceCounts& before;
        bool may;
    } cases[] = {
        {"both as before", answers(4, 0), last, true},
        {"the empty one still empty, the other down by one", answers(3, 0), last, true},
        {"the full one empty", answers(0, 0), last, false},
        {"the full one under half", answers(1, 0), last, false},
        {"an empty source with no count before", answers(4, 0), unknown, false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> notes;
        EXPECT_EQ(vx::answersMayCancel(c.now, c.before, &notes), c.may) << c.what;
        EXPECT_EQ(notes.empty(), c.may) << c.what;
    }
}
