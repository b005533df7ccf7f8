#include "plugin/model/show_copy.h"

#include "common/fixed_text.h"

SHOWENTRY* newShowLike(const SHOWENTRY& show) {
    auto* copy = new SHOWENTRY;
    vx::copyText(copy->artist, show.artist);
    vx::copyText(copy->venue, show.venue);
    vx::copyText(copy->location, show.location);
    vx::copyText(copy->otherArtists, show.otherArtists);
    vx::copyText(copy->url, show.url);
    vx::copyText(copy->startTime, show.startTime);
    vx::copyText(copy->timeZone, show.timeZone);
    copy->year = show.year, copy->month = show.month, copy->day = show.day;
    copy->ticketsAvailable = show.ticketsAvailable;
    return copy;
}
