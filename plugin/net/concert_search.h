#pragma once
// The concert search: asks the web service which concert sources cover the place, asks each of
// them for its events and keeps the shows of the library's artists in the concerts list.
#include "plugin/model/record_lists.h"
#include "plugin/model/show_list.h"
#include "plugin/net/web_session.h"

#include <cstddef>

// The search itself: 0 when every source was read, -1 when a request failed or a stop came.
// everySourceAsUsual, when given, tells whether each source answered in full (see
// sourceAnsweredAsUsual) and at least one was asked.
int parseURL_generic(WebSession& web, XML_Artist_List& artists, bool* everySourceAsUsual = nullptr);
// The refresh's concert step: the search between two checks for a stop.
int genericParser(WebSession& web, XML_Artist_List& artists, bool* everySourceAsUsual = nullptr);

// The place of a search as the requests carry it.
struct ConcertSearchPlace {
    char city[256];   // canonical form, blanks as '+'
    char region[256]; // the search region code, or the stripped name when there is none
    int radius;
};

ConcertSearchPlace concertSearchPlace(const char* city, const char* region, int radius);
// The search of one place, its shows added to into (choices carried over from previousConcerts).
int searchConcertsAt(WebSession& web, XML_Artist_List& artists, const ConcertSearchPlace& place,
                     SHOWLIST& into, bool* everySourceAsUsual = nullptr);
// "http://" host "/datasources/datasources.php?TODO=GETSITES&CITY=..&STATE=..&RADIUS=..&VERSION=2.9".
void sourceDirectoryURL(char* url, std::size_t capacity, const char* serviceHost,
                        const ConcertSearchPlace& place);
// The source's URL followed by "&city=..&state=..&radius=..".
void sourceRequestURL(char* url, std::size_t capacity, const char* sourceURL,
                      const ConcertSearchPlace& place);
