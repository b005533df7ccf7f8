#pragma once
// What every subsystem of the plug-in shares: the state store and the record lists. The root
// object adds the view and the update engine on top; the layers below the view see only this.
#include "plugin/model/artist_plays.h"
#include "plugin/model/protected_data.h"
#include "plugin/model/record_lists.h"
#include "plugin/model/show_list.h"
#include "plugin/model/trips.h"

#include <mutex>

class PluginData {
  public:
    PluginData();
    virtual ~PluginData();
    PluginData(const PluginData&) = delete;
    PluginData& operator=(const PluginData&) = delete;

    ProtectedData state;
    SHOWLIST* concerts;
    SHOWLIST* previousConcerts;
    FRIENDLIST* friends;
    SHOWLIST* friendShows;
    SHOWLIST* previousFriendShows;
    SHOWLIST* albumReleases;
    SHOWLIST* previousAlbumReleases;
    // Plays of each library artist, from the library file.
    ArtistPlays artistPlays;
    // Places searched besides home, each for its dates.
    TripList trips;

    // Paints a frame of the calendar screen. The root paints through its view; a store with no
    // view has nothing to paint.
    virtual void redraw() {}

    // True when a running refresh must stop (a newer one was asked for, or the plug-in closes).
    bool stopRequested() { return state.getForceUpdate() || state.getShutingDown(); }

    // Starts a refresh of one list pair: the current list becomes the previous one (the choices
    // carried over come from it) and an empty list takes its place.
    void startNewList(SHOWLIST*& current, SHOWLIST*& previous);
    // Ends a failed or stopped refresh of that pair: the previous list, the last good one with
    // the user's choices, is current again; the unfinished list is dropped.
    void restorePreviousList(SHOWLIST*& current, SHOWLIST*& previous);

    // Serialises whole frames; taken before the list locks. Lists leaving the "previous" slot are
    // freed under it, so no frame is drawing them.
    static std::recursive_mutex renderLock;
};
