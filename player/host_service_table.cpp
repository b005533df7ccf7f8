#include "player/host_service_table.h"

#include <atomic>

namespace vx::player {

namespace {

std::atomic<HostServiceBackend*> currentBackend{nullptr};

void* activeNonFloatingWindow() {
    HostServiceBackend* b = currentBackend.load();
    return b ? b->activeNonFloatingWindow() : nullptr;
}

void* installMouseHandler(void* window, VxMouseHandlerProc proc, void* userData) {
    HostServiceBackend* b = currentBackend.load();
    return b ? b->installMouseHandler(window, proc, userData) : nullptr;
}

void removeMouseHandler(void* handlerRef) {
    if (HostServiceBackend* b = currentBackend.load()) b->removeMouseHandler(handlerRef);
}

int32_t showAlert(const char* title, const char* message, const char* defaultButton,
                  const char* cancelButton) {
    HostServiceBackend* b = currentBackend.load();
    return b ? b->showAlert(title, message, defaultButton, cancelButton) : 0;
}

int32_t chooseFile(const char* title, char* outPath, uint32_t capacity) {
    HostServiceBackend* b = currentBackend.load();
    return b ? b->chooseFile(title, outPath, capacity) : -1;
}

OSStatus openURL(const char* url) {
    HostServiceBackend* b = currentBackend.load();
    return b ? b->openURL(url) : paramErr;
}

void postToHostThread(void (*fn)(void*), void* ctx) {
    if (HostServiceBackend* b = currentBackend.load()) b->postToHostThread(fn, ctx);
}

void systemVersion(int32_t* major, int32_t* minor) {
    if (HostServiceBackend* b = currentBackend.load()) b->systemVersion(major, minor);
}

constexpr VxHostServices kTable = {
    1,        &activeNonFloatingWindow, &installMouseHandler, &removeMouseHandler, &showAlert, &chooseFile,
    &openURL, &postToHostThread,        &systemVersion,
};

} // namespace

void setHostServiceBackend(HostServiceBackend* backend) {
    currentBackend.store(backend);
}

const VxHostServices* playerHostServices() {
    return &kTable;
}

} // namespace vx::player
