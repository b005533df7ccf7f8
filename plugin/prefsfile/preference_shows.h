#pragma once
// Show records in the preferences file: one line per concert, friend's show or album release.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct SHOWENTRY;

namespace vx {

enum ShowKind { kConcertLine = 0, kFriendShowLine = 1, kAlbumReleaseLine = 2 };

// What the lines of the show lists are made of, copied while the lists are locked and written
// out after they are released, so that frames never wait for the lines to be composed. The
// texts go into one block, not an allocation each: the copy of 5,000 shows is brief.
class SavedShows {
  public:
    struct Size {
        std::size_t shows = 0, labels = 0, textBytes = 0;
    };
    // Makes room for a copy of this size, its memory touched, so that a copy of up to this size
    // neither allocates nor waits for pages while the lists are locked.
    void prepare(Size expected);
    Size size() const { return {records_.size(), labels_.size(), texts_.size()}; }

    // Copies the record; the caller holds its list's lock.
    void add(const SHOWENTRY& show, ShowKind kind);
    // Asks for what add reads of the record to be brought into the cache.
    static void prefetch(const SHOWENTRY& show);
    // The lines of the records in the order added, line feeds included.
    void appendLines(std::string& out) const;

  private:
    // A text in texts_.
    struct Span {
        uint32_t at = 0, size = 0;
    };
    struct Record {
        ShowKind kind;
        bool selected, ticketsAvailable, cancelled, elsewhere, onTrip;
        int32_t year, month, day, sequence, movedYear, movedMonth, movedDay, foundRadius;
        Span artist, venue, location, url, otherArtists, uid, movedVenue, foundCity, foundState, startTime,
            timeZone;
        uint32_t firstLabel, labels; // in labels_
    };
    template <std::size_t N> Span keep(const char (&field)[N]);
    std::string_view text(Span span) const { return {texts_.data() + span.at, span.size}; }
    void appendLine(std::string& out, const Record& show) const;

    std::string texts_;
    std::vector<Record> records_;
    std::vector<Span> labels_;
};

struct ParsedShow {
    int kind = -1;
    std::unique_ptr<SHOWENTRY> show;
};

// The record of a line; no show when its kind or date is not a number, or the date is no
// calendar date. The kind is returned as read, also when no list takes it. A timed concert's line
// ends in "time:HH:MM:ZONE" after its last "@@", where every reader before ignores the text.
ParsedShow parseShowLine(std::string_view line);

// A concert's place line follows its show line: "place@@RADIUS@@FLAG@@CITY@@REGION@@", FLAG "e"
// when the last search did not list it, "t" when a trip's search found it. Older versions drop the line, as
// any line that is no show.
bool isPlaceLine(std::string_view line);
// Fills the found place of show from the line; false (show unchanged) when the line is damaged.
bool readPlaceLine(std::string_view line, SHOWENTRY& show);

} // namespace vx
