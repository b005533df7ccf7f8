#include "platform/host_services.h"

#include <atomic>
#include <cstdio>

namespace vx {

namespace {
// Set on the host thread at init and cleanup, read from any thread.
std::atomic<const VxHostServices*> fromHost{nullptr};
std::atomic<const VxHostServices*> forTesting{nullptr};
} // namespace

bool acceptHostServices(const PluginInitMessage* init) {
    fromHost.store(nullptr);
    if (!init || !VX_INIT_MESSAGE_HAS(init, hostServices) || !init->hostServices) return false;
    const VxHostServices* s = init->hostServices;
    if (s->version < kVxHostServicesMinimumVersion || s->size < VX_HOST_SERVICES_MINIMUM_SIZE) {
        std::fprintf(stderr,
                     "Voxtrail: host services refused: version %u, %u bytes; this plug-in needs version "
                     "%d and %u bytes at least; running without them\n",
                     static_cast<unsigned>(s->version), static_cast<unsigned>(s->size),
                     kVxHostServicesMinimumVersion, static_cast<unsigned>(VX_HOST_SERVICES_MINIMUM_SIZE));
        return false;
    }
    fromHost.store(s);
    return true;
}

void forgetHostServices() {
    fromHost.store(nullptr);
}

const VxHostServices* hostServices() {
    if (const VxHostServices* s = forTesting.load()) return s;
    return fromHost.load();
}

void setHostServicesForTesting(const VxHostServices* services) {
    forTesting.store(services);
}

void* hostActiveNonFloatingWindow() {
    const VxHostServices* s = hostServices();
    if (!VX_HOST_SERVICES_HAS(s, activeNonFloatingWindow)) return nullptr;
    return s->activeNonFloatingWindow(s->context);
}

void* hostInstallMouseHandler(void* window, GuardedProc<VxMouseHandlerProc> proc, void* userData) {
    const VxHostServices* s = hostServices();
    if (!VX_HOST_SERVICES_HAS(s, installMouseHandler)) return nullptr;
    return s->installMouseHandler(s->context, window, proc.get(), userData);
}

void hostRemoveMouseHandler(void* handlerRef) {
    const VxHostServices* s = hostServices();
    if (VX_HOST_SERVICES_HAS(s, removeMouseHandler)) s->removeMouseHandler(s->context, handlerRef);
}

int32_t hostShowAlert(const char* title, const char* message, const char* defaultButton,
                      const char* cancelButton) {
    const VxHostServices* s = hostServices();
    if (!VX_HOST_SERVICES_HAS(s, showAlert)) return 0;
    return s->showAlert(s->context, title, message, defaultButton, cancelButton);
}

int32_t hostChooseFile(const char* title, char* outPath, uint32_t capacity) {
    const VxHostServices* s = hostServices();
    if (!VX_HOST_SERVICES_HAS(s, chooseFile)) return -1;
    return s->chooseFile(s->context, title, outPath, capacity);
}

int32_t hostChooseFileIn(const char* title, const char* folder, char* outPath, uint32_t capacity) {
    const VxHostServices* s = hostServices();
    if (!VX_HOST_SERVICES_HAS(s, chooseFileIn)) return hostChooseFile(title, outPath, capacity);
    return s->chooseFileIn(s->context, title, folder, outPath, capacity);
}

OSStatus hostOpenURL(const char* url) {
    const VxHostServices* s = hostServices();
    if (!VX_HOST_SERVICES_HAS(s, openURL)) return unimpErr;
    return s->openURL(s->context, url);
}

bool hostCopyToClipboard(const char* text) {
    const VxHostServices* s = hostServices();
    if (!VX_HOST_SERVICES_HAS(s, copyToClipboard)) return false;
    s->copyToClipboard(s->context, text ? text : "");
    return true;
}

void hostReportIdle(bool idle) {
    const VxHostServices* s = hostServices();
    if (VX_HOST_SERVICES_HAS(s, reportIdle)) s->reportIdle(s->context, idle ? 1 : 0);
}

bool hostPostToHostThread(GuardedProc<void (*)(void* ctx)> fn, void* ctx) {
    const VxHostServices* s = hostServices();
    if (!VX_HOST_SERVICES_HAS(s, postToHostThread)) return false;
    s->postToHostThread(s->context, fn.get(), ctx);
    return true;
}

bool hostSystemVersion(int32_t* major, int32_t* minor) {
    const VxHostServices* s = hostServices();
    if (!VX_HOST_SERVICES_HAS(s, systemVersion)) return false;
    s->systemVersion(s->context, major, minor);
    return true;
}

} // namespace vx
