#pragma once
// The place of a concert search as its requests carry it, and the two requests' addresses.
#include <cstddef>

struct ConcertSearchPlace {
    char city[256];   // canonical form, blanks as '+'
    char region[256]; // the search region code, or the stripped name when there is none
    int radius;
};

ConcertSearchPlace concertSearchPlace(const char* city, const char* region, int radius);
// "http://" host "/datasources/datasources.php?TODO=GETSITES&CITY=..&STATE=..&RADIUS=..&VERSION=2.9".
void sourceDirectoryURL(char* url, std::size_t capacity, const char* serviceHost,
                        const ConcertSearchPlace& place);
// The source's URL followed by "&city=..&state=..&radius=..".
void sourceRequestURL(char* url, std::size_t capacity, const char* sourceURL,
                      const ConcertSearchPlace& place);
