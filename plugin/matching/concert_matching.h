#pragma once
// Turns a concert source's page into shows: one show for every performer of an event who is an
// artist of the user's library.
#include "common/text_view_set.h"
#include "plugin/model/record_lists.h"
#include "plugin/model/show_list.h"
#include "plugin/model/trips.h"
#include "plugin/net/concert_search_replies.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

// The library artists' stored names (already in cleaned form), looked up instead of walked: a
// name matches exactly when the walk from the list's head would find an equal record. The index
// keeps its own copy of the names, so pages of several places are matched at once without
// holding the list's lock.
class LibraryArtistIndex {
  public:
    // Copies the names and ids of the list's records; the caller holds the list's lock.
    void rebuild(const XML_Artist_List& artists);
    bool contains(std::string_view cleaned) const { return !cleaned.empty() && names_.contains(cleaned); }
    // Whether a performer is the library's: where the page gives an id and the library knows it,
    // the id decides; where the page's id and the id the library keeps for the name differ, they
    // are two artists of one name; otherwise the name decides.
    bool wants(std::string_view cleaned, std::string_view pageId) const;

  private:
    std::string text_; // the names one after another, then the ids; names_, ids_ and idOfName_ view it
    vx::TextViewSet names_;
    vx::TextViewSet ids_;
    std::unordered_map<std::string_view, std::string_view> idOfName_; // only names with an id
};

// The show for performers[matched] of event: venue, date, link, place and ticket mark of the
// event, and in otherArtists every performer whose cleaned name differs from the matched one's.
SHOWENTRY* makeShow(const SourceEvent& event, const std::vector<std::string>& cleaned, std::size_t matched,
                    const EventDate& date, bool ticketsAvailable);

// Reads page and adds its shows to concerts (choices carried over from previous). The library
// list is looked at under its lock every few hundred performers, and its names taken again when
// it changed. stop is asked before each matching event and at those looks; returns 0 at the end of
// the page, -1 when it said stop. A trip's page (within given) makes shows only inside the trip's
// dates: the rest would be dropped, and would take room in concerts meanwhile.
int readSourcePage(std::string_view page, bool ticketsAvailable, XML_Artist_List& artists, SHOWLIST& concerts,
                   SHOWLIST* previous, const std::function<bool()>& stop, const Trip* within = nullptr);
