#pragma once
// The objects a frame reads, owned by the test: a view, a state store and the four lists.
#include "common/fixed_text.h"
#include "plugin/view/calendar_data.h"

#include <gtest/gtest.h>

class ViewFixture : public ::testing::Test {
  protected:
    ViewFixture() : view(nullptr, nullptr) {
        setFormatFilterStore(&state);
        data.view = &view;
        data.state = &state;
        data.concerts = &concerts;
        data.friendShows = &friendShows;
        data.albumReleases = &albumReleases;
        data.friends = &friends;
    }
    ~ViewFixture() override { setFormatFilterStore(nullptr); }

    static SHOWENTRY* add(SHOWLIST& list, const char* artist, int day, int month, int year) {
        auto* e = new SHOWENTRY;
        vx::copyText(e->artist, artist);
        vx::copyText(e->venue, "The Hall");
        e->day = day;
        e->month = month;
        e->year = year;
        list.addShow(e, nullptr);
        return list.findShow(artist);
    }
    static SHOWENTRY* addRelease(SHOWLIST& list, const char* artist, int day, int month, int year,
                                 const char* format) {
        auto* e = new SHOWENTRY;
        vx::copyText(e->artist, artist);
        vx::copyText(e->venue, "An Album");
        e->day = day;
        e->month = month;
        e->year = year;
        e->nameList->add(new FRIENDNAME(format));
        list.addShow(e, nullptr);
        return e;
    }
    void showMonth(int month, int year) {
        view.curVisMonth = month;
        view.curVisYear = year;
    }

    CalVis view;
    ProtectedData state;
    SHOWLIST concerts, friendShows, albumReleases;
    FRIENDLIST friends;
    CalendarData data;
};
