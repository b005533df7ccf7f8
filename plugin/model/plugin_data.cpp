#include "plugin/model/plugin_data.h"

#include <utility>

std::recursive_mutex PluginData::renderLock;

PluginData::PluginData()
    : concerts(new SHOWLIST), previousConcerts(new SHOWLIST), friends(new FRIENDLIST),
      friendShows(new SHOWLIST), previousFriendShows(new SHOWLIST), albumReleases(new SHOWLIST),
      previousAlbumReleases(new SHOWLIST) {
    setFormatFilterStore(&state);
}

PluginData::~PluginData() {
    if (formatFilterStore() == &state) setFormatFilterStore(nullptr);
    delete concerts;
    delete previousConcerts;
    delete friends;
    delete friendShows;
    delete previousFriendShows;
    delete albumReleases;
    delete previousAlbumReleases;
}

void PluginData::startNewList(SHOWLIST*& current, SHOWLIST*& previous) {
    auto* fresh = new SHOWLIST;
    std::lock_guard<std::recursive_mutex> frame(renderLock);
    SHOWLIST* old = previous;
    previous = current;
    current = fresh;
    delete old;
}

void PluginData::restorePreviousList(SHOWLIST*& current, SHOWLIST*& previous) {
    // Allocates nothing, so it can end a refresh from a destructor.
    std::lock_guard<std::recursive_mutex> frame(renderLock);
    std::swap(current, previous);
    previous->clear();
}
