#include "plugin/host/voxtrail_class.h"

VoxtrailClass* gVoxtrail = nullptr;

VoxtrailClass::VoxtrailClass()
    : view(this), sync(this), engine(this), concerts(new SHOWLIST), previousConcerts(new SHOWLIST),
      friends(new FRIENDLIST), friendShows(new SHOWLIST), previousFriendShows(new SHOWLIST),
      albumReleases(new SHOWLIST), previousAlbumReleases(new SHOWLIST) {
    setFormatFilterStore(&state);
    engine.initialize();
}

VoxtrailClass::~VoxtrailClass() {
    engine.shutDown();
    if (formatFilterStore() == &state) setFormatFilterStore(nullptr);
    delete concerts;
    delete previousConcerts;
    delete friends;
    delete friendShows;
    delete previousFriendShows;
    delete albumReleases;
    delete previousAlbumReleases;
}

// The root lives as long as the bundle's code: freed when the host unloads the bundle (or the
// process ends), after the host's cleanup message has stopped the update thread.
__attribute__((destructor)) static void releaseRootAtUnload() {
    delete gVoxtrail;
    gVoxtrail = nullptr;
}
