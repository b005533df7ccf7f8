// Reading the directory of concert sources and a source's page of events, byte for byte.
#include "plugin/net/concert_search_replies.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// An event as "performer|performer @ date @ venue @ url @ city @ region".
std::string eventText(const SourceEvent& e) {
    std::string text;
    for (std::string_view p : e.performers)
        text += (text.empty() ? "" : "|") + std::string(p);
    for (std::string_view f : {e.date, e.venue, e.url, e.city, e.region})
        text += " @ " + std::string(f);
    return text;
}

// The events of a page, by both readers: the reader of wanted events, wanting every performer,
// must hand exactly what the whole read hands, whether it walks every tag or, screening by a date
// every event passes, only the dates and ends.
std::vector<std::string> eventsOf(const std::string& page) {
    std::vector<std::string> out, wanted, screened;
    readSourceEvents(page, [&](const SourceEvent& e) {
        out.push_back(eventText(e));
        return true;
    });
    for (auto* into : {&wanted, &screened})
        readWantedSourceEvents(
            page, [](std::string_view, std::string_view) { return Performer::kWanted; },
            [&](const SourceEvent& e) {
                into->push_back(eventText(e));
                return true;
            },
            into == &screened ? [](std::string_view) { return true; }
                              : std::function<bool(std::string_view)>());
    EXPECT_EQ(out, wanted) << page;
    EXPECT_EQ(out, screened) << page;
    return out;
}

std::string line(const std::string& tag, const std::string& value) {
    return "<" + tag + ">" + value + "</" + tag + ">\n";
}

std::string fullEvent(const std::string& artist, const std::string& date = "5/6/2027") {
    return line("artist", artist) + line("event_date", date) + line("venue_name", "Hall") +
           line("event_url", "http://e/1") + line("venue_city", "Boston") + line("venue_state", "MA") +
           "</event>\n";
}

TEST(SourceDirectory, EntriesTheirTicketMarkAndUrl) {
    const SourceDirectory d = readSourceDirectory("<site name=\"a\" ticket=1>http://a/s.php?x=1</site>\n"
                                                  "<site ticket=0>http://b/s.php?y=2</site>\n");
    EXPECT_EQ(d.siteCount, 2);
    ASSERT_EQ(d.sources.size(), 2u);
    EXPECT_EQ(d.sources[0].url, "http://a/s.php?x=1");
    EXPECT_TRUE(d.sources[0].ticketsAvailable);
    EXPECT_EQ(d.sources[1].url, "http://b/s.php?y=2");
    EXPECT_FALSE(d.sources[1].ticketsAvailable);
}

TEST(SourceDirectory, EachEntryStartsBehindTheLastEnd) {
    const SourceDirectory d =
        readSourceDirectory("<site>http://a/?1</site>ticket=1<site x>http://b/?2</site>");
    EXPECT_EQ(d.siteCount, 2);
    ASSERT_EQ(d.sources.size(), 2u);
    EXPECT_EQ(d.sources[0].url, "http://a/?1");
    EXPECT_EQ(d.sources[1].url, "http://b/?2");
    // A mark between entries belongs to none of them.
    EXPECT_FALSE(d.sources[0].ticketsAvailable);
    EXPECT_FALSE(d.sources[1].ticketsAvailable);
}

TEST(SourceDirectory, RepliesWithoutWholeEntries) {
    EXPECT_EQ(readSourceDirectory("").siteCount, 0);
    EXPECT_TRUE(readSourceDirectory("no sources here").sources.empty());
    const SourceDirectory open = readSourceDirectory("<site ticket=1>http://a/?1");
    EXPECT_EQ(open.siteCount, 1);
    EXPECT_TRUE(open.sources.empty());
    EXPECT_TRUE(readSourceDirectory("</site><site").sources.empty());
    // A "<site" inside an entry counts for the progress but opens no entry of its own.
    const SourceDirectory nested = readSourceDirectory("<site>http://a/?1<site>http://b/?2</site>");
    EXPECT_EQ(nested.siteCount, 2);
    ASSERT_EQ(nested.sources.size(), 1u);
    EXPECT_EQ(nested.sources[0].url, "http://a/?1<site>http://b/?2");
    // No '>' in the entry: an entry that names no URL.
    const SourceDirectory bare = readSourceDirectory("<site</site>");
    ASSERT_EQ(bare.sources.size(), 1u);
    EXPECT_EQ(bare.sources[0].url, "");
}

TEST(SourceEvents, FieldsGatherOverLinesAndPerformersAddUp) {
    const std::string page = line("artist", "A") + "<artist>B</artist> <venue_name>Old</venue_name>\n" +
                             line("event_date", "5/6/2027") + line("venue_name", "New") +
                             line("event_url", "http://e/1") + line("venue_city", " Boston ") +
                             "<venue_state>MA</venue_state></event>\n";
    EXPECT_EQ(eventsOf(page), std::vector<std::string>{"A|B @ 5/6/2027 @ New @ http://e/1 @  Boston  @ MA"});
}

TEST(SourceEvents, OneLineEventAndTheFirstPairOfALine) {
    const std::string page = "<artist>X</artist><artist>Y</artist><event_date>1/2/2030</event_date>"
                             "<venue_name>V</venue_name><event_url>U</event_url><venue_city>C</venue_city>"
                             "<venue_state>S</venue_state></event>\n";
    EXPECT_EQ(eventsOf(page), std::vector<std::string>{"X @ 1/2/2030 @ V @ U @ C @ S"});
}

TEST(SourceEvents, AnIncompleteEventGoesWithItsPerformers) {
    const std::string incomplete = line("artist", "Lost") + line("event_date", "5/6/2027") + "</event>\n";
    EXPECT_EQ(eventsOf(incomplete + fullEvent("Kept")),
              std::vector<std::string>{"Kept @ 5/6/2027 @ Hall @ http://e/1 @ Boston @ MA"});
    // An event without a performer is not taken either.
    EXPECT_TRUE(eventsOf(line("event_date", "1/1/2030") + line("venue_name", "V") + line("event_url", "U") +
                         line("venue_city", "C") + line("venue_state", "S") + "</event>\n")
                    .empty());
}

TEST(SourceEvents, LinesThatDoNotCount) {
    // The last line has no line feed.
    std::string page = fullEvent("A");
    page.pop_back();
    EXPECT_TRUE(eventsOf(page).empty());
    // A closing tag before its opening tag gives no field; the event lacks its venue.
    EXPECT_TRUE(eventsOf(line("artist", "A") + "</venue_name>x<venue_name>\n" +
                         line("event_date", "1/1/2030") + line("event_url", "U") + line("venue_city", "C") +
                         line("venue_state", "S") + "</event>\n")
                    .empty());
    // Fields after an event's end start the next event.
    EXPECT_EQ(eventsOf(fullEvent("A") + line("artist", "B")).size(), 1u);
}

TEST(SourceEvents, OnlyEventsWithAWantedPerformerAreReadWhole) {
    // Only a line's first "<artist>" names a performer; an event ends at a "</event>" inside a
    // line, even inside a performer's name, and a performer behind it on that line is its own.
    const std::string page = fullEvent("A") + "<artist>B</artist><artist>W</artist>\n" + fullEvent("C") +
                             "<artist>W</artist><event_date>1/2/2030</event_date><venue_name>V</venue_name>"
                             "<event_url>U</event_url><venue_city>C</venue_city><venue_state>S</venue_state>"
                             "</event><artist>W</artist>\n" +
                             "<artist>Wx</event>V</artist>\n" + fullEvent("W") +
                             fullEvent("E").substr(0, fullEvent("E").size() - 9) +
                             "</event><artist>Wy</artist>\n" + line("artist", "W") +
                             fullEvent("D").substr(0, 30);
    std::vector<std::string> taken;
    const bool read = readWantedSourceEvents(
        page,
        [](std::string_view p, std::string_view) {
            return p.starts_with("W") ? Performer::kWanted : Performer::kUnwanted;
        },
        [&](const SourceEvent& e) {
            taken.push_back(eventText(e));
            return true;
        });
    EXPECT_TRUE(read);
    EXPECT_EQ(taken, (std::vector<std::string>{"W @ 1/2/2030 @ V @ U @ C @ S",
                                               "W @ 5/6/2027 @ Hall @ http://e/1 @ Boston @ MA",
                                               "E|Wy @ 5/6/2027 @ Hall @ http://e/1 @ Boston @ MA"}));
    EXPECT_FALSE(readWantedSourceEvents(
        page, [](std::string_view, std::string_view) { return Performer::kStop; },
        [](const SourceEvent&) { return true; }));
}

TEST(SourceEvents, ATripsWalkScreensByTheDateTheWholeReadGives) {
    // The date is the last date line's whose field closes on it, that line's first: a later
    // line replaces an earlier one, one left open does not, and one behind "</event>" counts.
    auto rest = [](const std::string& date) {
        return line("venue_name", "V") + line("event_url", "U") + line("venue_city", "C") +
               line("venue_state", "S") + "</event>" + date + "\n";
    };
    const std::string page =
        line("artist", "Later") + line("event_date", "1/1/2030") + line("event_date", "2/2/2030") + rest("") +
        line("artist", "Open") + line("event_date", "2/2/2030") + "<event_date>1/1/2030\n" + rest("") +
        line("artist", "Behind") + line("event_date", "1/1/2030") +
        rest("<event_date>2/2/2030</event_date>") + line("artist", "Twice") +
        "<event_date>2/2/2030</event_date><event_date>1/1/2030</event_date>\n" + rest("");
    std::vector<std::string> kept;
    readWantedSourceEvents(
        page, [](std::string_view, std::string_view) { return Performer::kWanted; },
        [&](const SourceEvent& e) {
            kept.push_back(std::string(e.performers[0]));
            return true;
        },
        [](std::string_view date) { return date == "2/2/2030"; });
    EXPECT_EQ(kept, (std::vector<std::string>{"Later", "Open", "Behind", "Twice"}));
    EXPECT_EQ(eventsOf(page).size(), 4u);
}

TEST(SourceEvents, TakeCanStopTheReading) {
    int taken = 0;
    const bool read = readSourceEvents(fullEvent("A") + fullEvent("B"), [&](const SourceEvent&) {
        ++taken;
        return false;
    });
    EXPECT_FALSE(read);
    EXPECT_EQ(taken, 1);
    EXPECT_TRUE(readSourceEvents(fullEvent("A"), [](const SourceEvent&) { return true; }));
}

TEST(EventDates, MonthDayYearInThatOrder) {
    EventDate d;
    ASSERT_TRUE(readEventDate("3/14/2027", d));
    EXPECT_EQ(d.month, 3);
    EXPECT_EQ(d.day, 14);
    EXPECT_EQ(d.year, 2027);
    ASSERT_TRUE(readEventDate(" 07/ 4/2030 20:00", d));
    EXPECT_EQ(d.month, 7);
    EXPECT_EQ(d.day, 4);
    EXPECT_EQ(d.year, 2030);
}

TEST(EventDates, TextsThatAreNoCalendarDay) {
    EventDate d;
    for (const char* text :
         {"", "3-14-2027", "3/14", "x/14/2027", "3//2027", "13/1/2027", "0/1/2027", "2/32/2027", "2/0/2027",
          "1/1/0", "1/1/-5", "99999999999999999999/1/2027", "1/1/20270"}) {
        EXPECT_FALSE(readEventDate(text, d)) << text;
    }
}

} // namespace

TEST(SourceAnswers, OnlyAWholePageForTheRadiusAskedIsAsUsual) {
    const std::string event = "<event>\n<artist>A</artist>\n<event_date>3/14/2031</event_date>\n"
                              "<venue_name>V</venue_name>\n<event_url>u</event_url>\n"
                              "<venue_city>Boston</venue_city>\n<venue_state>MA</venue_state>\n</event>\n";
    const std::string head = "# gigwire: 2 events within 75 miles of Boston, MA\n";
    const ExpectedAnswer asked{"gigwire", "boston", "Massachusetts", 75};
    EXPECT_TRUE(checkSourceAnswer(head + event + event, asked).full);
    EXPECT_TRUE(checkSourceAnswer("# gigwire: 0 events within 75 miles of Boston, MA\n", asked).full);
    for (const std::string& page :
         {std::string(), std::string("\n"), event + event, head + event, head + event + event.substr(0, 20),
          head + event + event + "\n", std::string("# gigwire: no such place\n")})
        EXPECT_FALSE(checkSourceAnswer(page, asked).full) << page;
    EXPECT_FALSE(checkSourceAnswer(head + event + event, {"gigwire", "Boston", "MA", 50}).full)
        << "the source changed the radius";
    EXPECT_FALSE(checkSourceAnswer(head + event + event, {"", "Boston", "MA", 75}).full)
        << "the directory named no source";
    // A country's page names the city's subdivision by that country's own code.
    const std::string london = "# gigwire: 0 events within 75 miles of London, ENG\n";
    EXPECT_TRUE(checkSourceAnswer(london, {"gigwire", "London", "UK", 75}).full);
    EXPECT_FALSE(checkSourceAnswer(london, {"gigwire", "London", "ON", 75}).full);
}

TEST(SourceAnswers, TheTimeAndZoneTagsOfGatheredShowsAreSkipped) {
    const std::string event = "<event>\n<artist>A</artist>\n<event_date>3/14/2031</event_date>\n"
                              "<event_time>19:30</event_time>\n<venue_name>V</venue_name>\n"
                              "<venue_city>Boston</venue_city>\n<venue_state>MA</venue_state>\n"
                              "<venue_timezone>America/New_York</venue_timezone>\n<event_url>u</event_url>\n"
                              "</event>\n";
    const std::string page = "# gigwire: 1 events within 75 miles of Boston, MA\n" + event;
    EXPECT_TRUE(checkSourceAnswer(page, {"gigwire", "Boston", "MA", 75}).full);
    EXPECT_EQ(eventsOf(event), std::vector<std::string>{"A @ 3/14/2031 @ V @ u @ Boston @ MA"});
}
