#include "plugin/host/voxtrail_class.h"

#include "plugin/prefs/preferences_window.h"

VoxtrailClass* gVoxtrail = nullptr;

VoxtrailClass::VoxtrailClass() : view(this, &engine), engine(this) {
    engine.preferencesWindowOpener = OpenPreferencesGUI;
    engine.initialize();
}

// The update thread is stopped while the view still exists, since a running refresh redraws.
VoxtrailClass::~VoxtrailClass() {
    engine.shutDown();
}

// The root lives as long as the bundle's code: freed when the host unloads the bundle (or the
// process ends), after the host's cleanup message has stopped the update thread.
__attribute__((destructor)) static void releaseRootAtUnload() {
    delete gVoxtrail;
    gVoxtrail = nullptr;
    SHOWENTRY::releaseSpareRecords();
}
