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

} // namespace vx
