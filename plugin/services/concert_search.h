#pragma once
// The concert search: asks the web service which concert sources cover the place, asks each of
// them for its events and keeps the shows of the library's artists in the concerts list.
#include "plugin/model/record_lists.h"
#include "plugin/model/show_list.h"
#include "plugin/model/trips.h"
#include "plugin/net/concert_search_place.h"
#include "plugin/net/concert_search_replies.h"
#include "plugin/net/web_session.h"

#include <cstddef>
#include <string>
#include <vector>

// How each source asked in a search answered (see checkSourceAnswer), in directory order.
struct ConcertSearchAnswers {
    struct Source {
        std::string name; // as the directory gave it
        SourceAnswer answer;
    };
    std::vector<Source> sources;
};

// The search itself: 0 when every source was read, -1 when a request failed or a stop came.
// answers, when given, receives how each source answered.
int parseURL_generic(WebSession& web, XML_Artist_List& artists, ConcertSearchAnswers* answers = nullptr);
// The refresh's concert step: the search between two checks for a stop.
int genericParser(WebSession& web, XML_Artist_List& artists, ConcertSearchAnswers* answers = nullptr);

// The search of one place, its shows added to into (choices carried over from previousConcerts).
// answers, when given, receives how each source answered for the place typed as city and region.
// A trip's search (within given) keeps only shows inside the trip's dates.
int searchConcertsAt(WebSession& web, XML_Artist_List& artists, const ConcertSearchPlace& place,
                     SHOWLIST& into, ConcertSearchAnswers* answers = nullptr, const char* city = nullptr,
                     const char* region = nullptr, const Trip* within = nullptr);
