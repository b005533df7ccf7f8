// Reading gathered shows: the feeds and pages of real sites' shapes, their bad inputs, the bill of
// a calendar line, the sources file, the page lines, and the merging of sources.
#include "service/gather/bill_split.h"
#include "service/gather/gathered_page.h"
#include "service/gather/gathered_shows.h"
#include "service/gather/ics_reader.h"
#include "service/gather/jsonld_reader.h"
#include "service/gather/musicbrainz_reader.h"
#include "service/gather/show_placing.h"
#include "service/gather/source_list.h"
#include "service/gather/source_round.h"
#include "service/regular_file_text.h"
#include "service/service_database.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using namespace vxs;

const CivilDate kToday{2026, 12, 10};

std::string fixture(const std::string& name) {
    std::string text, why;
    EXPECT_TRUE(readRegularFile(std::string(VX_TESTDATA_DIR) + "/gather/" + name, 1 << 20, &text, &why))
        << why;
    return text;
}

ReadContext context(const std::string& zone = "") {
    return ReadContext{kToday, "https://source.example/feed", zone, 20000};
}

const GatheredEvent* byId(const SourceReading& r, const std::string& id) {
    for (const GatheredEvent& e : r.events)
        if (e.sourceId == id) return &e;
    return nullptr;
}

std::string reasons(const SourceReading& r) {
    std::string all;
    for (const SkippedEntry& s : r.skipped)
        all += s.entry + ": " + s.reason + "\n";
    return all;
}

TEST(GatherIcs, AVenueCalendarWithItsZoneFoldsEscapesRecurrencesAndBadEvents) {
    const SourceReading r = readIcsShows(fixture("venue-calendar.ics"), context("America/New_York"));
    EXPECT_TRUE(r.whole);
    ASSERT_EQ(r.events.size(), 8u) << reasons(r);
    const GatheredEvent* bill = byId(r, "show-1001@paradiserock.example@2027-03-07");
    ASSERT_TRUE(bill);
    EXPECT_EQ(bill->performers,
              (std::vector<std::string>{"Quiet Harbour", "The Lanterns", "Amber Fields", "Salt Road"}));
    EXPECT_EQ(bill->venue, "Paradise Rock Club");
    EXPECT_EQ(bill->city + "|" + bill->region, "Boston|MA");
    EXPECT_EQ(bill->time + " " + bill->zone, "20:00 America/New_York");
    EXPECT_EQ(bill->eventUrl, "https://paradiserock.example/events/1001");
    const GatheredEvent* cancelled = byId(r, "show-1002@paradiserock.example@2027-03-12");
    ASSERT_TRUE(cancelled);
    EXPECT_EQ(cancelled->status, ShowStatus::Cancelled);
    EXPECT_EQ(cancelled->performers, std::vector<std::string>{"Florence + the Lighthouse"});
    for (const char* day : {"2026-12-16", "2026-12-23", "2026-12-30", "2027-01-06"})
        EXPECT_TRUE(byId(r, std::string("residency-7@paradiserock.example@") + day)) << day;
    // 01:30 UTC on April 2nd is the evening before on the venue's clock.
    const GatheredEvent* late = byId(r, "late-utc@paradiserock.example@2027-04-01");
    ASSERT_TRUE(late) << reasons(r);
    EXPECT_EQ(late->time, "21:30");
    const std::string skipped = reasons(r);
    EXPECT_EQ(r.skippedCount, 4u) << skipped;
    for (const char* why :
         {"no-zone@paradiserock.example: unknown time zone", "no-date@paradiserock.example: no DTSTART",
          "past@paradiserock.example on 2025-01-01: dated in the past",
          "far@paradiserock.example: dated more than a year ahead"})
        EXPECT_NE(skipped.find(why), std::string::npos) << why << "\n" << skipped;
}

TEST(GatherIcs, HostileCalendarsAreRefusedOrCut) {
    // Every way libical reads a BEGIN counts towards the nesting.
    SourceReading r;
    for (const char* begin :
         {"BEGIN:VEVENT", "begin:X-A", "BE\r\n GIN:X-A", "BEGIN;X=1:X-A", "Be\n\tgin;x=1:X"}) {
        std::string deep = "BEGIN:VCALENDAR\r\n";
        for (int i = 0; i < 2000; ++i)
            deep += std::string(begin) + "\r\n";
        r = readIcsShows(deep, context());
        EXPECT_FALSE(r.whole) << begin;
        EXPECT_NE(reasons(r).find("nested"), std::string::npos) << begin;
    }

    std::string many = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
    for (int i = 0; i < 120; ++i)
        many += "BEGIN:VEVENT\r\nUID:e" + std::to_string(i) + "\r\nDTSTART;VALUE=DATE:20270" +
                std::to_string(1 + i % 9) + "1" + std::to_string(i % 10) + "\r\nSUMMARY:Band " +
                std::to_string(i) + "\r\nEND:VEVENT\r\n";
    many += "BEGIN:VEVENT\r\nUID:hourly\r\nDTSTART:20270101T100000\r\nRRULE:FREQ=HOURLY\r\nSUMMARY:X\r\nEND:"
            "VEVENT\r\n";
    many += "BEGIN:VEVENT\r\nUID:bad-utf8\r\nDTSTART;VALUE=DATE:20270101\r\nSUMMARY:Caf\xE9\xFF\r\nEND:"
            "VEVENT\r\n";
    many += "BEGIN:VEVENT\r\nUID:typed\r\nDTSTART;VALUE=TEXT:tomorrow\r\nSUMMARY;VALUE=INTEGER:5\r\nEND:"
            "VEVENT\r\n";
    many += "END:VCALENDAR\r\n";
    ReadContext small = context();
    small.maxEvents = 50;
    r = readIcsShows(many, small);
    EXPECT_EQ(r.events.size(), 50u);
    EXPECT_FALSE(r.whole) << "a cut calendar cannot tell which shows are gone";
    const std::string skipped = reasons(r);
    for (const char* why : {"more than 50 events", "hourly: the RRULE repeats more often than daily",
                            "bad-utf8: the SUMMARY is not UTF-8"})
        EXPECT_NE(skipped.find(why), std::string::npos) << why << "\n" << skipped;
    EXPECT_FALSE(readIcsShows("not a calendar at all", context()).whole);

    // libical reads a day or clock that no calendar has as written.
    std::string unreal = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
    for (const char* start :
         {";VALUE=DATE:20270015", ";VALUE=DATE:20270230", ":20270387T200000", ":20270301T250000"})
        unreal +=
            std::string("BEGIN:VEVENT\r\nUID:u\r\nDTSTART") + start + "\r\nSUMMARY:Band\r\nEND:VEVENT\r\n";
    r = readIcsShows(unreal + "END:VCALENDAR\r\n", context());
    EXPECT_TRUE(r.events.empty());
    EXPECT_EQ(r.skippedCount, 4u) << reasons(r);
}

std::string recurring(const std::vector<std::string>& rules, const std::string& dtstart = "20270101T200000") {
    std::string ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
    for (std::size_t i = 0; i < rules.size(); ++i)
        ics += "BEGIN:VEVENT\r\nUID:r" + std::to_string(i) + "\r\nDTSTART:" + dtstart +
               "\r\nRRULE:" + rules[i] + "\r\nSUMMARY:Band\r\nEND:VEVENT\r\n";
    return ics + "END:VCALENDAR\r\n";
}

TEST(GatherIcs, RecurrencesEndAtTheBudgetTheRuleCapTheEventCapOrAStop) {
    const std::vector<std::string> hostile(40, "FREQ=DAILY;BYMONTH=2;BYMONTHDAY=30");
    std::atomic<bool> stopped{true};
    struct Case {
        std::vector<std::string> rules;
        std::size_t maxEvents, maxRules;
        const std::atomic<bool>* stop;
        const char* reason;
    } cases[] = {
        {hostile, 20000, 500, nullptr, "reading took longer than 300 ms"},
        {hostile, 20000, 500, &stopped, "the service is stopping"},
        {std::vector<std::string>(5, "FREQ=WEEKLY"), 20000, 2, nullptr, "more than 2 recurring events"},
        {{"FREQ=DAILY", "FREQ=MONTHLY;BYMONTHDAY=31;BYMONTH=4"}, 10, 500, nullptr, "r1: more than 10 events"},
    };
    for (const Case& c : cases) {
        ReadContext limited = context();
        limited.maxEvents = c.maxEvents;
        limited.maxRules = c.maxRules;
        limited.stop = c.stop;
        limited.budget = std::chrono::milliseconds(300);
        const auto began = std::chrono::steady_clock::now();
        const SourceReading r = readIcsShows(recurring(c.rules), limited);
        EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(3)) << c.reason;
        EXPECT_FALSE(r.whole) << c.reason;
        EXPECT_NE(reasons(r).find(c.reason), std::string::npos) << reasons(r);
    }
    // A daily show begun long ago still lists tomorrow.
    const SourceReading old = readIcsShows(recurring({"FREQ=DAILY"}, "20100101T200000"), context());
    EXPECT_TRUE(byId(old, "r0@2026-12-11")) << reasons(old);
}

TEST(GatherIcs, AnOverrideMovedOutOfTheListingTakesItsDayAway) {
    const std::string master = "BEGIN:VEVENT\r\nUID:w\r\nDTSTART:20261216T200000\r\nRRULE:FREQ=WEEKLY;COUNT="
                               "3\r\nSUMMARY:Band\r\nEND:VEVENT\r\n";
    const std::string moved =
        "BEGIN:VEVENT\r\nUID:w\r\nRECURRENCE-ID:20261223T200000\r\nDTSTART:20281223T200000\r\n"
        "SUMMARY:Band\r\nEND:VEVENT\r\n";
    for (const std::string& events : {master + moved, moved + master}) {
        const SourceReading r = readIcsShows("BEGIN:VCALENDAR\r\n" + events + "END:VCALENDAR\r\n", context());
        EXPECT_EQ(r.events.size(), 2u) << reasons(r);
        EXPECT_FALSE(byId(r, "w@2026-12-23")) << "moved away, it is not on its first day";
        for (const GatheredEvent& e : r.events)
            EXPECT_FALSE(e.performers.empty()) << "a blank show: " << e.sourceId;
    }
}

TEST(GatherZones, StartsFixedAsInstantsAreReadOnTheVenuesClock) {
    CityTable cities;
    std::string error;
    ASSERT_TRUE(cities.load(std::string(VX_SERVICE_DATA_DIR) + "/cities.tsv", &error)) << error;
    struct Case {
        SourceKind kind;
        std::string start, city, region, expected;
    } cases[] = {
        {SourceKind::Ics, "DTSTART:20270402T013000Z", "Boston", "MA", "2027-04-01 21:30 America/New_York"},
        {SourceKind::Ics, "DTSTART;TZID=America/Los_Angeles:20270310T190000", "Boston", "MA",
         "2027-03-10 22:00 America/New_York"},
        {SourceKind::Ics, "DTSTART;TZID=America/New_York:20270310T190000", "Boston", "MA",
         "2027-03-10 19:00 America/New_York"},
        {SourceKind::JsonLd, "2027-06-05T03:00:00Z", "Phoenix", "AZ", "2027-06-04 20:00 America/Phoenix"},
        {SourceKind::JsonLd, "2027-06-05T20:00:00-07:00", "Phoenix", "AZ",
         "2027-06-05 20:00 America/Phoenix"},
        {SourceKind::JsonLd, "2027-06-05T23:30:00.000+0100", "Boston", "MA",
         "2027-06-05 18:30 America/New_York"},
    };
    for (const Case& c : cases) {
        const std::string body =
            c.kind == SourceKind::Ics
                ? "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:u\r\nSUMMARY:Band\r\n" + c.start +
                      "\r\nLOCATION:Hall\\, 1 Main St\\, " + c.city + "\\, " + c.region +
                      " 00000\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"
                : R"(<script type="application/ld+json">{"@type":"MusicEvent","name":"Band","startDate":")" +
                      c.start +
                      R"(","location":{"@type":"Place","name":"Hall","address":{"addressLocality":")" +
                      c.city + R"(","addressRegion":")" + c.region + "\"}}}</script>";
        const GatherSource source{c.kind, "https://source.example/feed", "", "", 1};
        SourceReading r = readSourceBody(source, body, context());
        ASSERT_EQ(r.events.size(), 1u) << c.start << "\n" << reasons(r);
        std::string why;
        const std::optional<PlacedShow> placed = placeShow(r.events.front(), source, cities, &why);
        ASSERT_TRUE(placed) << why;
        EXPECT_EQ(isoDate(placed->event.date) + " " + placed->event.time + " " + placed->event.zone,
                  c.expected)
            << c.start;
    }
}

TEST(GatherJsonLd, AVenuePageWithGraphListsPlacesAndStatuses) {
    const SourceReading r = readJsonLdShows(fixture("venue-page.html"), context());
    ASSERT_EQ(r.events.size(), 3u) << reasons(r);
    const GatheredEvent* e = byId(r, "https://crescent.example/shows/4411#event");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->performers, (std::vector<std::string>{"Copper Tides", "Birch & Bone"}));
    EXPECT_EQ(isoDate(e->date) + " " + e->time + " doors " + e->doors, "2027-03-07 20:00 doors 19:00");
    EXPECT_EQ(e->venue + "|" + e->city + "|" + e->region + "|" + e->country,
              "The Crescent Ballroom|Phoenix|AZ|US");
    ASSERT_TRUE(e->lat && e->lon);
    EXPECT_NEAR(*e->lat, 33.4516, 1e-6);
    EXPECT_EQ(e->ticketUrl, "https://tickets.example/e/4411");
    const GatheredEvent* moved = byId(r, "https://crescent.example/shows/4420@2027-03-20");
    ASSERT_TRUE(moved && moved->previousDate);
    EXPECT_EQ(moved->status, ShowStatus::Rescheduled);
    EXPECT_EQ(isoDate(moved->date) + " was " + isoDate(*moved->previousDate), "2027-04-10 was 2027-03-20");
    const GatheredEvent* off = byId(r, "https://crescent.example/shows/4425@2027-04-12");
    ASSERT_TRUE(off);
    EXPECT_EQ(off->status, ShowStatus::Cancelled);
    EXPECT_FALSE(r.whole) << "one block did not read";
    EXPECT_NE(reasons(r).find("shows/4430: no startDate"), std::string::npos) << reasons(r);
    EXPECT_NE(reasons(r).find("block 4: not JSON"), std::string::npos) << reasons(r);
}

TEST(GatherJsonLd, HostilePagesAreSkippedWithTheirReasons) {
    const std::string event = R"({"@type":"MusicEvent","name":"A","startDate":"2027-01-02","url":"u)";
    std::string manyBlocks;
    for (int i = 0; i < 1000; ++i)
        manyBlocks += "<script type=\"application/ld+json\">" + event + std::to_string(i) + "\"}</script>\n";
    SourceReading r = readJsonLdShows(manyBlocks, context());
    EXPECT_EQ(r.events.size(), 200u);
    EXPECT_FALSE(r.whole);
    EXPECT_NE(reasons(r).find("800 script blocks"), std::string::npos);

    const std::string deep = "<script type=\"application/ld+json\">" + std::string(10000, '[') + "</script>";
    r = readJsonLdShows(deep, context());
    EXPECT_TRUE(r.events.empty());
    EXPECT_NE(reasons(r).find("nested more than"), std::string::npos);
    // Brackets inside strings are no nesting.
    EXPECT_FALSE(jsonNestedDeeperThan(R"({"name":")" + std::string(100, '[') + R"("})", 3));

    r = readJsonLdShows("[" + event + "x\xC3\x28\"}]", context());
    EXPECT_TRUE(r.events.empty());
    EXPECT_NE(reasons(r).find("not UTF-8"), std::string::npos);

    // A tour page gives every date the same url: each stays its own show.
    r = readJsonLdShows("[" + event + R"(t","startDate":"2027-01-03"},)" + event + "t\"}]", context());
    ASSERT_EQ(r.events.size(), 2u) << reasons(r);
    EXPECT_NE(r.events[0].sourceId, r.events[1].sourceId);
    EXPECT_TRUE(byId(r, "ut@2027-01-02")) << r.events[0].sourceId;
}

TEST(GatherMusicBrainz, OnlyAWholeSearchAnswerIsWhole) {
    const std::string events = R"("events":[{"id":"a"},{"id":"b"}])";
    for (const auto& [answer, whole] :
         std::vector<std::pair<std::string, bool>>{{"{" + events + "}", true},
                                                   {R"({"count":2,"offset":0,)" + events + "}", true},
                                                   {R"({"count":25,"offset":0,)" + events + "}", false},
                                                   {R"({"count":4,"offset":2,)" + events + "}", false}})
        EXPECT_EQ(readMusicBrainzShows(answer, context()).whole, whole) << answer;
}

TEST(GatherBill, TheHeadlinerStaysWholeAndTheSupportSplits) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"Florence + the Machine", {"Florence + the Machine"}},
        {"Crosby, Stills & Nash", {"Crosby, Stills & Nash"}},
        {"Headliner w/ A, B + C", {"Headliner", "A", "B", "C"}},
        {"Headliner with Special Guest", {"Headliner", "Special Guest"}},
        {"A / B", {"A", "B"}},
        {"DJ One feat. MC Two", {"DJ One", "MC Two"}},
        {"Top Act: Opener, Second", {"Top Act", "Opener", "Second"}},
        {"CANCELLED: The Band w/ Belle & Sebastian", {"The Band", "Belle & Sebastian"}},
        {"  \r\n ", {}},
    };
    for (const auto& [summary, performers] : cases)
        EXPECT_EQ(splitBill(summary), performers) << summary;
    std::string mark;
    splitBill("Postponed: X", &mark);
    EXPECT_EQ(mark, "postponed");
}

TEST(GatherSourceList, LinesReadOrStopWithTheirNumber) {
    std::string error;
    const auto sources =
        parseSourceList("# venues\n\nics https://a.example/cal.ics | Boston, MA\r\n"
                        "jsonld   http://b.example/shows\nmusicbrainz https://mb.example/ws/2/event\n",
                        &error);
    ASSERT_TRUE(sources) << error;
    ASSERT_EQ(sources->size(), 3u);
    EXPECT_EQ((*sources)[0].city + "|" + (*sources)[0].region + "|" + std::to_string((*sources)[0].line),
              "Boston|MA|3");
    EXPECT_EQ((*sources)[1].kind, SourceKind::JsonLd);
    EXPECT_EQ((*sources)[1].url, "http://b.example/shows");
    for (const auto& [text, expected] : std::vector<std::pair<std::string, std::string>>{
             {"ics https://a/x\nrss https://b/y\n", "line 2: the kind"},
             {"\n\nics\n", "line 3: no URL"},
             {"jsonld ftp://a/x\n", "line 1: the URL"},
             {"ics https://a/x | Boston\n", "line 1: the place"},
             {"ics https://a/x two\n", "line 1: the URL"}}) {
        EXPECT_FALSE(parseSourceList(text, &error)) << text;
        EXPECT_EQ(error.rfind(expected, 0), 0u) << error;
    }
}

PlacedShow placed(const std::string& performer, CivilDate date, const std::string& id,
                  const std::string& venue = "Hall") {
    PlacedShow p;
    p.event.performers = {performer};
    p.event.date = date;
    p.event.venue = venue;
    p.event.sourceId = id;
    p.event.eventUrl = "https://x.example/" + id;
    p.venueCity = "Boston";
    p.venueRegion = "MA";
    p.lat = 42.36;
    p.lon = -71.06;
    return p;
}

TEST(GatheredShows, OneShowPerBillDayAndCityGoneAfterTwoWholeAnswersWithout) {
    GatheredShows shows;
    const CivilDate day{2027, 3, 7};
    shows.sourceAnswered("ics", {placed("The Lanterns", day, "a"), placed("Quiet Harbour", day, "b")});
    shows.sourceAnswered("jsonld", {placed("Lanterns", day, "c", "The Hall")});
    auto served = shows.served();
    ASSERT_EQ(served->size(), 2u);
    const ServedShow& merged = (*served)[0].show.event.sourceId == "a" ? (*served)[0] : (*served)[1];
    EXPECT_EQ(merged.links, (std::vector<std::string>{"https://x.example/a", "https://x.example/c"}));

    shows.sourceAnswered("ics", {placed("The Lanterns", day, "a")});
    EXPECT_EQ(shows.served()->size(), 2u) << "one answer without a show is not yet its end";
    shows.sourceAdded("ics", {});
    EXPECT_EQ(shows.served()->size(), 2u) << "an answer in part counts for nothing";
    shows.sourceAnswered("ics", {placed("The Lanterns", day, "a")});
    EXPECT_EQ(shows.served()->size(), 1u);
    EXPECT_EQ(shows.counts().gone, 1u);
    shows.sourceAnswered("ics", {placed("The Lanterns", day, "a"), placed("Quiet Harbour", day, "b")});
    EXPECT_EQ(shows.served()->size(), 2u) << "listed again, it is back";

    PlacedShow off = placed("The Lanterns", day, "a");
    off.event.status = ShowStatus::Cancelled;
    shows.sourceAnswered("ics", {off, placed("Quiet Harbour", day, "b")});
    EXPECT_EQ(shows.counts().cancelled, 1u);
    EXPECT_EQ(shows.served()->size(), 2u) << "the other source still lists it";

    shows.serveOnly({"jsonld"});
    ASSERT_EQ(shows.served()->size(), 1u) << "a source taken off the list is no longer served";
    EXPECT_EQ((*shows.served())[0].links, std::vector<std::string>{"https://x.example/c"});
}

TEST(GatheredPage, NamesCannotOpenTagsOrLines) {
    PlacedShow p = placed("Bad </event>\r\n<artist>Injected</artist>", CivilDate{2027, 5, 1}, "x");
    p.event.time = "19:30";
    p.event.zone = "America/New_York";
    p.event.venue = "Hall<event>";
    const City boston{"Boston", "Boston", "MA", "US", 42.36, -71.06, 1};
    std::string body;
    EXPECT_EQ(appendGatheredShows(false, boston, 50, {ServedShow{p, {"https://x.example/x"}}}, &body), 1);
    EXPECT_EQ(appendGatheredShows(true, boston, 50, {ServedShow{p, {"https://x.example/x"}}}, &body), 0)
        << "a show without tickets is not on the ticket source";
    const std::regex fieldLine("<event>|</event>|<([a-z_]+)>[^<>\r\n]*</\\1>");
    std::size_t lines = 0;
    for (std::size_t at = 0; at < body.size(); ++lines) {
        const std::size_t end = body.find('\n', at);
        const std::string line = body.substr(at, end - at);
        EXPECT_TRUE(std::regex_match(line, fieldLine)) << line;
        at = end + 1;
    }
    EXPECT_EQ(lines, 10u) << body;
    EXPECT_NE(body.find("<event_time>19:30</event_time>\n"), std::string::npos);
    // Markup alone is no name: an empty field would make the page no whole answer.
    PlacedShow bare = p;
    bare.event.performers = {"<>", "Real Band"};
    std::string bareBody;
    EXPECT_EQ(appendGatheredShows(false, boston, 50, {ServedShow{bare, {"https://x.example/x"}}}, &bareBody),
              1);
    EXPECT_EQ(bareBody.find("<artist></artist>"), std::string::npos) << bareBody;
    bare.event.venue = "<>";
    EXPECT_EQ(appendGatheredShows(false, boston, 50, {ServedShow{bare, {"https://x.example/x"}}}, &bareBody),
              0);
    EXPECT_NE(body.find("<venue_timezone>America/New_York</venue_timezone>\n"), std::string::npos);
}

} // namespace

namespace {

TEST(GatheredShows, TheStoreKeepsShowsAndGivesEachSourceToOneProcessAtATime) {
    vxs::ServiceDatabase db;
    std::string error;
    ASSERT_TRUE(db.open(":memory:", &error)) << error;
    GatheredShows first(&db.engine()), second(&db.engine());
    Validators known;
    EXPECT_TRUE(first.claim("ics", 100, 200, &known));
    EXPECT_FALSE(second.claim("ics", 150, 250, &known)) << "taken until 200";
    const Validators answered{"\"v7\"", "Tue, 01 Dec 2026 10:00:00 GMT"};
    first.release("ics", 300, &answered);
    EXPECT_FALSE(second.claim("ics", 299, 400, &known));
    ASSERT_TRUE(second.claim("ics", 300, 400, &known));
    EXPECT_EQ(known.etag, "\"v7\"");

    const CivilDate day{2027, 3, 7};
    PlacedShow moved = placed("Glass Orchard", day, "m");
    moved.event.status = ShowStatus::Rescheduled;
    moved.event.previousDate = CivilDate{2027, 2, 1};
    moved.event.time = "19:30";
    moved.event.zone = "America/Phoenix";
    moved.event.performerIds = {"f6f2326f-6b25-4170-b89d-e235b25508e8"};
    first.sourceAnswered("ics", {placed("The Lanterns", day, "a"), moved});
    second.reload();
    ASSERT_EQ(second.served()->size(), 2u);
    GatheredShows restarted(&db.engine());
    const auto served = restarted.served();
    ASSERT_EQ(served->size(), 2u);
    const GatheredEvent& back =
        (*served)[0].show.event.sourceId == "m" ? (*served)[0].show.event : (*served)[1].show.event;
    EXPECT_EQ(back.status, ShowStatus::Rescheduled);
    EXPECT_EQ(isoDate(*back.previousDate) + " " + back.time + " " + back.zone + " " + performerId(back, 0),
              "2027-02-01 19:30 America/Phoenix f6f2326f-6b25-4170-b89d-e235b25508e8");
    second.sourceAnswered("ics", {moved});
    first.sourceAnswered("ics", {moved});
    restarted.reload();
    EXPECT_EQ(restarted.served()->size(), 1u) << "two whole answers without it, whichever process read them";
    for (int i = 0; i < 8; ++i)
        first.sourceAnswered("ics", {moved});
    for (GatheredShows* shows : {&first, &restarted}) {
        shows->reload();
        EXPECT_EQ(shows->counts().gone, 0u) << "ten whole answers without it, and it is forgotten";
        EXPECT_EQ(shows->counts().kept, 1u);
    }
}

} // namespace
