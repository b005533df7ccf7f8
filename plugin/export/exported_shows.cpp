#include "plugin/export/exported_shows.h"

std::mutex& calendarExportLock() {
    static std::mutex lock;
    return lock;
}
