#include "platform/host_services.h"

#include <atomic>
#include <dlfcn.h>

namespace vx {

namespace {
std::atomic<const VxHostServices*> testServices{nullptr};
}

const VxHostServices* hostServices() {
    if (const VxHostServices* s = testServices.load()) return s;
    void* sym = dlsym(RTLD_DEFAULT, VX_HOST_SERVICES_SYMBOL);
    if (!sym) return nullptr;
    auto get = reinterpret_cast<VxGetHostServicesProc>(sym);
    const VxHostServices* s = get();
    return (s && s->version >= 1) ? s : nullptr;
}

void setHostServicesForTesting(const VxHostServices* services) { testServices.store(services); }

int32_t hostShowAlert(const char* title, const char* message, const char* defaultButton,
                      const char* cancelButton) {
    const VxHostServices* s = hostServices();
    if (!s || !s->showAlert) return 0;
    return s->showAlert(title, message, defaultButton, cancelButton);
}

int32_t hostChooseFile(const char* title, char* outPath, uint32_t capacity) {
    const VxHostServices* s = hostServices();
    if (!s || !s->chooseFile) return -1;
    return s->chooseFile(title, outPath, capacity);
}

OSStatus hostOpenURL(const char* url) {
    const VxHostServices* s = hostServices();
    if (!s || !s->openURL) return unimpErr;
    return s->openURL(url);
}

bool hostPostToHostThread(void (*fn)(void* ctx), void* ctx) {
    const VxHostServices* s = hostServices();
    if (!s || !s->postToHostThread || !fn) return false;
    s->postToHostThread(fn, ctx);
    return true;
}

bool hostSystemVersion(int32_t* major, int32_t* minor) {
    const VxHostServices* s = hostServices();
    if (!s || !s->systemVersion) return false;
    s->systemVersion(major, minor);
    return true;
}

} // namespace vx
