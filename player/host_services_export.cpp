// The one symbol of the player that plug-ins look up (dlsym on the global scope), so it lives
// in the executable itself rather than in a library the linker might leave out.
#include "player/host_service_table.h"

extern "C" __attribute__((visibility("default"))) const VxHostServices* VxGetHostServices(void) {
    return vx::player::playerHostServices();
}
