#pragma once
// The root object: one per process, made on the host's init message and reached through
// gVoxtrail. The view comes first, so a pointer to the root is also a pointer to the view.
#include "plugin/engine/cal_get_data.h"
#include "plugin/model/protected_data.h"
#include "plugin/model/record_lists.h"
#include "plugin/model/show_list.h"
#include "plugin/view/cal_vis.h"

class VoxtrailClass {
public:
    VoxtrailClass();
    ~VoxtrailClass();
    VoxtrailClass(const VoxtrailClass&) = delete;
    VoxtrailClass& operator=(const VoxtrailClass&) = delete;

    CalVis view;
    CalSync sync;
    CalGetData engine;
    ProtectedData state;
    SHOWLIST* concerts;
    SHOWLIST* previousConcerts;
    FRIENDLIST* friends;
    SHOWLIST* friendShows;
    SHOWLIST* previousFriendShows;
    SHOWLIST* albumReleases;
    SHOWLIST* previousAlbumReleases;
};

// The process-wide root; null until the host's first init.
extern VoxtrailClass* gVoxtrail;
