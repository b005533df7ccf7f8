// A source empty now and at the last refresh hid no show that could have gone: it cancels.
#include "plugin/engine/source_counts.h"

#include <gtest/gtest.h>

TEST(SourceCounts, OnlyASourceThatListedEventsBeforeAndNoneNowKeepsShows) {
    vx::SourceCounts last;
    last.events = {{"gigwire", 4}, {"ticketline", 0}};
    const std::vector<std::tuple<long, long, bool, bool>> cases = {
        {3, 0, true, true}, {0, 0, true, false}, {1, 0, true, false}, {4, 0, false, false}};
    for (const auto& [gigwire, ticketline, known, may] : cases) {
        ConcertSearchAnswers now;
        now.sources = {{"gigwire", {true, gigwire, ""}}, {"ticketline", {true, ticketline, ""}}};
        std::vector<std::string> notes;
        EXPECT_EQ(vx::answersMayCancel(now, known ? last : vx::SourceCounts{}, &notes), may)
            << gigwire << known;
        EXPECT_EQ(notes.empty(), may);
    }
}
