#pragma once
// Readers of the two replies of the concert search: the web service's directory of concert
// sources, and a source's page of events. Both take any bytes; neither keeps state.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One source named by the directory.
struct ConcertSource {
    std::string url;               // the text behind the entry's first '>'; empty when none
    std::string name;              // the entry's name="..." attribute; empty when none
    bool ticketsAvailable = false; // the entry carries "ticket=1"
};

struct SourceDirectory {
    // Occurrences of "<site" in the reply: each entry read moves the progress by 100 / siteCount.
    int siteCount = 0;
    // Entries in reply order, each found with its "</site>".
    std::vector<ConcertSource> sources;
};

// Entries run from a "<site" to the first "</site>" behind it; the next entry starts at the next
// "<site" behind that "</site>".
SourceDirectory readSourceDirectory(std::string_view reply);

// One event of a source page; every view points into the page.
struct SourceEvent {
    std::vector<std::string_view> performers; // in reply order
    // Beside each performer, the text of the first "<artist_mbid>" on its line ("" when none): the
    // performer's MusicBrainz id on pages that know it.
    std::vector<std::string_view> performerIds;
    std::string_view date;
    std::string_view venue;
    std::string_view url;
    std::string_view city;
    std::string_view region;
    // Optional: the start on the venue's clock and the venue's zone; empty when the page has none.
    std::string_view time;
    std::string_view zone;
};

// Reads the page line by line (a last line without a line feed is not read) and hands every
// complete event to take, at its "</event>" line. An event lacking a field is dropped with its
// performers. Returns false when take returned false (reading stops there), true at the end.
bool readSourceEvents(std::string_view page, const std::function<bool(const SourceEvent&)>& take);

// What a look at one performer says of its event.
enum class Performer { kUnwanted, kWanted, kStop };
// readSourceEvents for a page of which few events are wanted: each event's performers are shown
// to wanted first (the name, and the id as performerIds holds it), and only an event with a
// wanted one is read whole and handed to take. The events handed are exactly those
// readSourceEvents hands whose performers include a wanted one. Returns false when wanted said
// stop or take returned false, true at the end.
// With keepsDate given, an event is first screened by the date the whole read would give it:
// one whose date keepsDate refuses, or that has none, is passed over before its performers are
// shown (a trip's search wants only the few events inside its dates). Its answers are kept:
// it must answer a date text the same each time, and is seldom asked of one twice.
using PerformerLook = std::function<Performer(std::string_view name, std::string_view id)>;
bool readWantedSourceEvents(std::string_view page, const PerformerLook& wanted,
                            const std::function<bool(const SourceEvent&)>& take,
                            const std::function<bool(std::string_view date)>& keepsDate = {});

// What a source's page must say of itself to be a full answer: the source's name as the
// directory gave it, and the place and radius that were asked (the place in any form that cleans
// to the same city and region code, so "Boston, Massachusetts" is "Boston, MA").
struct ExpectedAnswer {
    std::string_view source;
    std::string_view city;
    std::string_view region;
    int radius = 0;
};

struct SourceAnswer {
    bool full = false;
    long events = 0;     // the whole events of a full answer
    std::string problem; // why it is not a full answer
};

// A full answer opens with its summary line "# NAME: N events within R miles of CITY, REGION"
// that says what was asked, then holds exactly N whole events, each its own "<event>" line, the
// six fields with a calendar date and a named performer, and its own "</event>" line, and nothing
// after the last. Only a full answer may tell that a show is gone: an empty page, a place the
// source does not know, a radius it changed, a page cut short or out of shape are not.
SourceAnswer checkSourceAnswer(std::string_view page, const ExpectedAnswer& expected);

struct EventDate {
    int month = 0;
    int day = 0;
    int year = 0;
};

// "month/day/year" in decimal. False when a part is not a number or the date cannot be a
// calendar day (month 1-12, day 1-31, year 1-9999), so no show is made for it.
bool readEventDate(std::string_view text, EventDate& date);
