// The shared event writer: what any reader needs of each line, for hostile texts as well.
#include "common/ical_event.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <libical/ical.h>
#include <memory>
#include <sstream>

namespace {

using vx::ical::EventFields;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t crlf; (crlf = text.find("\r\n", start)) != std::string::npos; start = crlf + 2)
        lines.push_back(text.substr(start, crlf - start));
    EXPECT_EQ(start, text.size()) << "text after the last CRLF";
    return lines;
}

// Lines unfolded as a reader unfolds them.
std::vector<std::string> unfolded(const std::string& text) {
    std::vector<std::string> out;
    for (const std::string& l : linesOf(text)) {
        if (!l.empty() && (l[0] == ' ' || l[0] == '\t'))
            out.back() += l.substr(1);
        else
            out.push_back(l);
    }
    return out;
}

bool continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

TEST(IcalEvent, EveryLineIsCrlfFoldedOnCharactersAndNoTextStartsAProperty) {
    EventFields e;
    e.uid = "show-1\r\nATTACH:http://evil";
    e.year = 2008, e.month = 3, e.day = 5;
    e.dtstamp = 1200000000;
    e.summary = "X\r\nATTACH:http://evil";
    e.location = std::string("Achterberg, Ost; \"Z\" \\ caf\xC3\xA9 ") + std::string(40, 'x') +
                 "\xE6\x9D\xB1\xE4\xBA\xAC\xE6\x9D\xB1\xE4\xBA\xAC\xE6\x9D\xB1\xE4\xBA\xAC\xFF";
    e.url = "http://h/clickthrough.php?target=a b\r\nATTACH:x";
    e.description = "line1\rline2\nline3";
    const std::string text = vx::ical::singleEventCalendar({}, e);
    for (const std::string& l : linesOf(text)) {
        EXPECT_LE(l.size(), 75u) << l;
        EXPECT_EQ(l.find('\r'), std::string::npos);
        if (l.size() > 1 && l[0] == ' ') {
            EXPECT_FALSE(continuation(static_cast<unsigned char>(l[1]))) << l;
        }
    }
    std::vector<std::string> props;
    for (const std::string& l : unfolded(text))
        props.push_back(l.substr(0, l.find_first_of(":;")));
    const std::vector<std::string> expected{"BEGIN",    "VERSION", "PRODID",      "BEGIN", "UID",
                                            "SEQUENCE", "DTSTAMP", "DTSTART",     "DTEND", "SUMMARY",
                                            "LOCATION", "URL",     "DESCRIPTION", "END",   "END"};
    EXPECT_EQ(props, expected);
    const std::vector<std::string> lines = unfolded(text);
    EXPECT_EQ(lines[6], "DTSTAMP:20080110T212000Z");
    EXPECT_EQ(lines[7], "DTSTART;VALUE=DATE:20080305");
    EXPECT_EQ(lines[8], "DTEND;VALUE=DATE:20080306");
    EXPECT_EQ(lines[9], "SUMMARY:X\\nATTACH:http://evil");
    EXPECT_NE(lines[10].find("Achterberg\\, Ost\\; "), std::string::npos) << lines[10];
    EXPECT_NE(lines[10].find("\\\\ caf\xC3\xA9"), std::string::npos) << lines[10];
    EXPECT_NE(lines[10].find("\xEF\xBF\xBD"), std::string::npos) << "a stray byte becomes U+FFFD";
    EXPECT_EQ(lines[11], "URL:http://h/clickthrough.php?target=a%20b%0D%0AATTACH:x");
    EXPECT_EQ(lines[12], "DESCRIPTION:line1\\nline2\\nline3");
}

TEST(IcalEvent, DatesThatDoNotExistGiveNoEventAndMonthEndsRollOver) {
    EventFields e;
    e.year = 2009, e.month = 2, e.day = 29;
    EXPECT_EQ(vx::ical::eventText(e), "");
    e.year = 2008, e.month = 12, e.day = 31;
    EXPECT_NE(vx::ical::eventText(e).find("DTEND;VALUE=DATE:20090101\r\n"), std::string::npos);
    e.year = 9999, e.month = 12, e.day = 30; // far dates are dates too, never a blank time
    EXPECT_NE(vx::ical::eventText(e).find("DTSTART;VALUE=DATE:99991230\r\nDTEND;VALUE=DATE:99991231\r\n"),
              std::string::npos);
}

// The writer escapes and folds each line as libical does: against libical's own writing of the
// property, for texts whose folds fall on a blank, a ':' or ';', inside a character of two to four
// octets, next to an escape, or at the line end.
TEST(IcalEvent, TextLinesAreWhatLibicalWrites) {
    std::vector<std::string> texts{"", "AC/DC, \"Live\"; Tour", "a\nb\\c"};
    for (const std::string unit : {"x", " ", ":", "\xC3\xA9", "\xE6\x9D\xB1", "\xF0\x9F\x8E\xB8", ",", "ab;"})
        for (std::size_t n = 50; n < 80; ++n) {
            std::string text;
            while (text.size() < n)
                text += unit;
            texts.push_back(text);
            texts.push_back("Caf\xC3\xA9 " + text + text);
        }
    // Longer than an event usually is: the writer's room grows, and the line folds in many rounds.
    texts.push_back(std::string(3000, ';') + "\xE6\x9D\xB1\n" + std::string(2000, 'x'));
    for (const std::string& text : texts) {
        EventFields e;
        e.year = 2027, e.month = 3, e.day = 5;
        e.dtstamp = 1;
        e.summary = text;
        // A cancelled show's title says so, folded as the whole title is.
        for (const std::string status : {"CONFIRMED", "CANCELLED"}) {
            e.status = status;
            const std::string ours = vx::ical::eventText(e);
            const std::string title = (status == "CANCELLED" ? "Cancelled: " : "") + text;
            icalproperty* summary = icalproperty_new_summary(title.c_str());
            char* theirs = icalproperty_as_ical_string_r(summary);
            EXPECT_NE(ours.find(std::string("\r\n") + theirs), std::string::npos) << text << "\n" << ours;
            std::free(theirs);
            icalproperty_free(summary);
        }
    }
}

} // namespace

// Three hours on the venue's clock, past midnight, under the VTIMEZONE's plain name; else all day.
TEST(IcalEvent, ATimedShowNamesItsZoneAndTheCalendarDescribesIt) {
    EventFields e;
    e.year = 2027, e.month = 3, e.day = 5, e.hour = 22, e.minute = 30, e.zone = "America/Chicago";
    const std::string text = vx::ical::singleEventCalendar({}, e);
    for (const char* line :
         {"\r\nTZID:America/Chicago\r\n", "\r\nDTSTART;TZID=America/Chicago:20270305T223000\r\n",
          "\r\nDTEND;TZID=America/Chicago:20270306T013000\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    EXPECT_EQ(text.find("freeassociation"), std::string::npos);
    e.zone = "../etc/localtime";
    EXPECT_NE(
        vx::ical::singleEventCalendar({}, e).find("DTSTART;VALUE=DATE:20270305\r\nDTEND;VALUE=DATE:20270306"),
        std::string::npos);
}
