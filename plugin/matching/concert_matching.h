#pragma once
// Turns a concert source's page into shows: one show for every performer of an event who is an
// artist of the user's library.
#include "common/text_view_set.h"
#include "plugin/model/record_lists.h"
#include "plugin/model/show_list.h"
#include "plugin/net/concert_search_replies.h"

#include <functional>
#include <string>
#include <string_view>

// The library artists' stored names (already in cleaned form), looked up instead of walked: a
// name matches exactly when the walk from the list's head would find an equal record. The index
// views the records' own names, so it is used only while the list is unchanged since rebuild().
class LibraryArtistIndex {
  public:
    // Takes the names of the list's records; the caller holds the list's lock.
    void rebuild(const XML_Artist_List& artists);
    bool contains(std::string_view cleaned) const { return !cleaned.empty() && names_.contains(cleaned); }

  private:
    vx::TextViewSet names_;
};

// The show for performers[matched] of event: venue, date, link, place and ticket mark of the
// event, and in otherArtists every performer whose cleaned name differs from the matched one's.
SHOWENTRY* makeShow(const SourceEvent& event, const std::vector<std::string>& cleaned, std::size_t matched,
                    const EventDate& date, bool ticketsAvailable);

// Reads page and adds its shows to concerts (choices carried over from previous). The library
// list's lock is held for a run of events at a time and each event is matched under it. stop is
// asked before each complete event; returns 0 at the end of the page, -1 when it said stop.
int readSourcePage(std::string_view page, bool ticketsAvailable, XML_Artist_List& artists, SHOWLIST& concerts,
                   SHOWLIST* previous, const std::function<bool()>& stop);
