#pragma once
// Shows for the export tests, made as the concert search leaves them in `concerts`.
#include "common/fixed_text.h"
#include "plugin/model/plugin_data.h"

#include <cstdint>
#include <string>

struct ShowFields {
    const char* artist;
    const char* venue;
    const char* location;
    const char* otherArtists;
    const char* url;
    int32_t year, month, day;
    bool selected;
    bool tickets = false;
};

inline void addShow(PluginData& data, const ShowFields& s) {
    auto* e = new SHOWENTRY;
    vx::copyText(e->artist, s.artist);
    vx::copyText(e->venue, s.venue);
    vx::copyText(e->location, s.location);
    vx::copyText(e->otherArtists, s.otherArtists);
    vx::copyText(e->url, s.url);
    e->year = s.year;
    e->month = s.month;
    e->day = s.day;
    e->selected = s.selected;
    e->ticketsAvailable = s.tickets;
    data.concerts->addShow(e, nullptr);
}

constexpr const char* kHost = "127.0.0.1:8460";
