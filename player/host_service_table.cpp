#include "player/host_service_table.h"

namespace vx::player {

namespace {

HostServiceBackend* backendOf(void* context) {
    return static_cast<HostServiceBackend*>(context);
}

void* activeNonFloatingWindow(void* context) {
    HostServiceBackend* b = backendOf(context);
    return b ? b->activeNonFloatingWindow() : nullptr;
}

void* installMouseHandler(void* context, void* window, VxMouseHandlerProc proc, void* userData) {
    HostServiceBackend* b = backendOf(context);
    return b ? b->installMouseHandler(window, proc, userData) : nullptr;
}

void removeMouseHandler(void* context, void* handlerRef) {
    if (HostServiceBackend* b = backendOf(context)) b->removeMouseHandler(handlerRef);
}

int32_t showAlert(void* context, const char* title, const char* message, const char* defaultButton,
                  const char* cancelButton) {
    HostServiceBackend* b = backendOf(context);
    return b ? b->showAlert(title, message, defaultButton, cancelButton) : 0;
}

int32_t chooseFile(void* context, const char* title, char* outPath, uint32_t capacity) {
    HostServiceBackend* b = backendOf(context);
    return b ? b->chooseFile(title, nullptr, outPath, capacity) : -1;
}

int32_t chooseFileIn(void* context, const char* title, const char* folder, char* outPath, uint32_t capacity) {
    HostServiceBackend* b = backendOf(context);
    return b ? b->chooseFile(title, folder, outPath, capacity) : -1;
}

OSStatus openURL(void* context, const char* url) {
    HostServiceBackend* b = backendOf(context);
    return b ? b->openURL(url) : paramErr;
}

void postToHostThread(void* context, void (*fn)(void*), void* ctx) {
    if (HostServiceBackend* b = backendOf(context)) b->postToHostThread(fn, ctx);
}

void systemVersion(void* context, int32_t* major, int32_t* minor) {
    if (HostServiceBackend* b = backendOf(context)) b->systemVersion(major, minor);
}

} // namespace

VxHostServices makeHostServiceTable(HostServiceBackend* backend) {
    VxHostServices t{};
    t.size = sizeof t;
    t.version = kVxHostServicesVersion;
    t.context = backend;
    t.activeNonFloatingWindow = &activeNonFloatingWindow;
    t.installMouseHandler = &installMouseHandler;
    t.removeMouseHandler = &removeMouseHandler;
    t.showAlert = &showAlert;
    t.chooseFile = &chooseFile;
    t.openURL = &openURL;
    t.chooseFileIn = &chooseFileIn;
    t.postToHostThread = &postToHostThread;
    t.systemVersion = &systemVersion;
    return t;
}

} // namespace vx::player
