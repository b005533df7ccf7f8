// Arbitrary bytes as a friend's shared-shows reply, read into a show list under two friends'
// names as the friends step adds them.
#include "plugin/services/friend_shows.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    SHOWLIST shows;
    SHOWLIST previous;
    for (const char* name : {"ann", "Bob Lee"}) {
        if (friendReplyRefused(bytes.c_str())) break;
        readFriendShows(bytes.c_str(), name,
                        [&](std::unique_ptr<SHOWENTRY> s) { shows.addShow(s.release(), &previous); });
    }
    for (const SHOWENTRY* s = shows.head; s; s = s->next) {
        if (std::strlen(s->artist) > 255 || std::strlen(s->venue) > 255 || std::strlen(s->location) > 255 ||
            std::strlen(s->url) > 255 || std::strlen(s->otherArtists) > 1023)
            __builtin_trap();
        if (s->month < 1 || s->month > 12 || s->day < 1 || s->day > 31) __builtin_trap();
        if (s->next && compareDates(s, s->next) > 0) __builtin_trap();
        if (s->nameList->size() < 1 || s->nameList->size() > 2) __builtin_trap();
    }
    return 0;
}
