#pragma once
// Turns an album release page into release records: one for every release whose artist is an
// artist of the user's library, with a click-through link that carries the user's place.
#include "plugin/model/record_lists.h"
#include "plugin/model/show_list.h"
#include "plugin/net/concert_search_place.h"

#include <cstddef>
#include <string_view>

// The place is the user's as a concert search carries it (its radius unused).
// "http://" host "/CDReleases/cdreleaseclickthrough.php?ASIN=..&CITY=..&STATE=..", cut to 511.
void releaseClickThroughURL(char (&url)[512], const char* serviceHost, std::string_view link,
                            const ConcertSearchPlace& place);

// Reads page and adds the library artists' releases to releases (choices carried over from
// previous). The artist list's lock is held while the page is read, so every line sees the same
// artists. Returns how many lines matched.
std::size_t addLibraryReleases(std::string_view page, const char* serviceHost,
                               const ConcertSearchPlace& place, XML_Artist_List& artists, SHOWLIST& releases,
                               SHOWLIST* previous);
