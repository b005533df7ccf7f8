#include "platform/host_windows.h"

#include "platform/host_services.h"

#include <vector>

namespace vx {

namespace {
// The table when it holds member, else null.
#define VX_SERVICE(member) (VX_HOST_SERVICES_HAS(hostServices(), member) ? hostServices() : nullptr)
} // namespace

bool hostHasWindows() {
    return VX_SERVICE(createWindowFromInterfaceFile) && VX_SERVICE(installTimer);
}

VxWindow* hostCreateWindow(const char* resourceFolder, const char* name, GuardedProc<VxWindowEventProc> proc,
                           void* userData) {
    const VxHostServices* s = VX_SERVICE(createWindowFromInterfaceFile);
    if (!s || !resourceFolder || !name) return nullptr;
    return s->createWindowFromInterfaceFile(s->context, resourceFolder, name, proc.get(), userData);
}

void hostDisposeWindow(VxWindow* window) {
    if (const VxHostServices* s = VX_SERVICE(disposeWindow); s && window)
        s->disposeWindow(s->context, window);
}

void hostShowWindow(VxWindow* window, bool visible) {
    if (const VxHostServices* s = VX_SERVICE(showWindow); s && window)
        s->showWindow(s->context, window, visible ? 1 : 0);
}

void hostMoveWindow(VxWindow* window, int left, int top) {
    if (const VxHostServices* s = VX_SERVICE(moveWindow); s && window)
        s->moveWindow(s->context, window, left, top);
}

void hostSizeWindow(VxWindow* window, int width, int height) {
    if (const VxHostServices* s = VX_SERVICE(sizeWindow); s && window)
        s->sizeWindow(s->context, window, width, height);
}

Rect hostWindowBounds(VxWindow* window) {
    Rect r{0, 0, 0, 0};
    if (const VxHostServices* s = VX_SERVICE(windowBounds); s && window)
        s->windowBounds(s->context, window, &r);
    return r;
}

void hostSetWindowAlpha(VxWindow* window, float alpha) {
    if (const VxHostServices* s = VX_SERVICE(setWindowAlpha); s && window)
        s->setWindowAlpha(s->context, window, alpha);
}

Rect hostMainDisplayBounds() {
    Rect r{0, 0, 0, 0};
    if (const VxHostServices* s = VX_SERVICE(mainDisplayBounds)) s->mainDisplayBounds(s->context, &r);
    return r;
}

VxControl* hostFindControl(VxWindow* window, OSType signature, int32_t id) {
    const VxHostServices* s = VX_SERVICE(findControl);
    if (!s || !window) return nullptr;
    return s->findControl(s->context, window, signature, id);
}

std::string hostControlText(VxControl* control) {
    const VxHostServices* s = VX_SERVICE(controlText);
    if (!s || !control) return "";
    char small[256];
    const uint32_t length = s->controlText(s->context, control, small, sizeof small);
    if (length < sizeof small) return std::string(small, length);
    std::vector<char> big(static_cast<std::size_t>(length) + 1);
    const uint32_t again = s->controlText(s->context, control, big.data(), static_cast<uint32_t>(big.size()));
    return std::string(big.data(), again < big.size() ? again : big.size() - 1);
}

void hostSetControlText(VxControl* control, const char* text) {
    if (const VxHostServices* s = VX_SERVICE(setControlText); s && control)
        s->setControlText(s->context, control, text ? text : "");
}

int32_t hostControlValue(VxControl* control) {
    const VxHostServices* s = VX_SERVICE(controlValue);
    return s && control ? s->controlValue(s->context, control) : 0;
}

void hostSetControlValue(VxControl* control, int32_t value) {
    if (const VxHostServices* s = VX_SERVICE(setControlValue); s && control)
        s->setControlValue(s->context, control, value);
}

void hostEnableControl(VxControl* control, bool enabled) {
    if (const VxHostServices* s = VX_SERVICE(enableControl); s && control)
        s->enableControl(s->context, control, enabled ? 1 : 0);
}

void hostShowControl(VxControl* control, bool visible) {
    if (const VxHostServices* s = VX_SERVICE(showControl); s && control)
        s->showControl(s->context, control, visible ? 1 : 0);
}

OSStatus hostSetControlImage(VxControl* control, const char* path) {
    const VxHostServices* s = VX_SERVICE(setControlImage);
    if (!s) return unimpErr;
    if (!control || !path) return paramErr;
    return s->setControlImage(s->context, control, path);
}

void hostSetControlRows(VxControl* control, const char* const* rows, int32_t count) {
    if (const VxHostServices* s = VX_SERVICE(setControlRows); s && control)
        s->setControlRows(s->context, control, count > 0 ? rows : nullptr, count > 0 && rows ? count : 0);
}

VxTimer* hostInstallTimer(double firstDelay, double interval, GuardedProc<VxTimerProc> proc, void* userData) {
    const VxHostServices* s = VX_SERVICE(installTimer);
    if (!s) return nullptr;
    return s->installTimer(s->context, firstDelay, interval, proc.get(), userData);
}

void hostRemoveTimer(VxTimer* timer) {
    if (const VxHostServices* s = VX_SERVICE(removeTimer); s && timer) s->removeTimer(s->context, timer);
}

#undef VX_SERVICE

} // namespace vx
