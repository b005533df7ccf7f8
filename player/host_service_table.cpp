#include "player/host_service_table.h"

#include "platform/qt/interface_windows.h"

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

void copyToClipboard(void* context, const char* text) {
    if (HostServiceBackend* b = backendOf(context)) b->copyToClipboard(text);
}

void reportIdle(void* context, int32_t idle) {
    if (HostServiceBackend* b = backendOf(context)) b->reportIdle(idle != 0);
}

void postToHostThread(void* context, void (*fn)(void*), void* ctx) {
    if (HostServiceBackend* b = backendOf(context)) b->postToHostThread(fn, ctx);
}

void systemVersion(void* context, int32_t* major, int32_t* minor) {
    if (HostServiceBackend* b = backendOf(context)) b->systemVersion(major, minor);
}

InterfaceWindows* windowsOf(void* context, const char* service) {
    HostServiceBackend* b = backendOf(context);
    return b ? b->windowServices(service) : nullptr;
}

VxWindow* createWindowFromInterfaceFile(void* context, const char* folder, const char* name,
                                        VxWindowEventProc proc, void* userData) {
    InterfaceWindows* w = windowsOf(context, "createWindowFromInterfaceFile");
    return w ? w->create(folder, name, proc, userData) : nullptr;
}

void disposeWindow(void* context, VxWindow* window) {
    if (InterfaceWindows* w = windowsOf(context, "disposeWindow")) w->dispose(window);
}

void showWindow(void* context, VxWindow* window, int32_t visible) {
    if (InterfaceWindows* w = windowsOf(context, "showWindow")) w->show(window, visible != 0);
}

void moveWindow(void* context, VxWindow* window, int32_t left, int32_t top) {
    if (InterfaceWindows* w = windowsOf(context, "moveWindow")) w->move(window, left, top);
}

void sizeWindow(void* context, VxWindow* window, int32_t width, int32_t height) {
    if (InterfaceWindows* w = windowsOf(context, "sizeWindow")) w->resize(window, width, height);
}

void windowBounds(void* context, VxWindow* window, Rect* bounds) {
    if (!bounds) return;
    InterfaceWindows* w = windowsOf(context, "windowBounds");
    *bounds = w ? w->bounds(window) : Rect{0, 0, 0, 0};
}

void setWindowAlpha(void* context, VxWindow* window, float alpha) {
    if (InterfaceWindows* w = windowsOf(context, "setWindowAlpha")) w->setAlpha(window, alpha);
}

void mainDisplayBounds(void* context, Rect* bounds) {
    if (!bounds) return;
    *bounds =
        windowsOf(context, "mainDisplayBounds") ? InterfaceWindows::mainDisplayBounds() : Rect{0, 0, 0, 0};
}

VxControl* findControl(void* context, VxWindow* window, OSType signature, int32_t id) {
    InterfaceWindows* w = windowsOf(context, "findControl");
    return w ? w->findControl(window, signature, id) : nullptr;
}

uint32_t controlText(void* context, VxControl* control, char* out, uint32_t capacity) {
    InterfaceWindows* w = windowsOf(context, "controlText");
    if (w) return w->text(control, out, capacity);
    if (out && capacity > 0) out[0] = '\0';
    return 0;
}

void setControlText(void* context, VxControl* control, const char* text) {
    if (InterfaceWindows* w = windowsOf(context, "setControlText")) w->setText(control, text);
}

int32_t controlValue(void* context, VxControl* control) {
    InterfaceWindows* w = windowsOf(context, "controlValue");
    return w ? w->value(control) : 0;
}

void setControlValue(void* context, VxControl* control, int32_t value) {
    if (InterfaceWindows* w = windowsOf(context, "setControlValue")) w->setValue(control, value);
}

void enableControl(void* context, VxControl* control, int32_t enabled) {
    if (InterfaceWindows* w = windowsOf(context, "enableControl")) w->enable(control, enabled != 0);
}

void showControl(void* context, VxControl* control, int32_t visible) {
    if (InterfaceWindows* w = windowsOf(context, "showControl")) w->showControl(control, visible != 0);
}

OSStatus setControlImage(void* context, VxControl* control, const char* path) {
    InterfaceWindows* w = windowsOf(context, "setControlImage");
    return w ? w->setImage(control, path) : paramErr;
}

void setControlRows(void* context, VxControl* control, const char* const* rows, int32_t count) {
    if (InterfaceWindows* w = windowsOf(context, "setControlRows")) w->setRows(control, rows, count);
}

VxTimer* installTimer(void* context, double firstDelay, double interval, VxTimerProc proc, void* userData) {
    InterfaceWindows* w = windowsOf(context, "installTimer");
    return w ? w->installTimer(firstDelay, interval, proc, userData) : nullptr;
}

void removeTimer(void* context, VxTimer* timer) {
    if (InterfaceWindows* w = windowsOf(context, "removeTimer")) w->removeTimer(timer);
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
    t.createWindowFromInterfaceFile = &createWindowFromInterfaceFile;
    t.disposeWindow = &disposeWindow;
    t.showWindow = &showWindow;
    t.moveWindow = &moveWindow;
    t.sizeWindow = &sizeWindow;
    t.windowBounds = &windowBounds;
    t.setWindowAlpha = &setWindowAlpha;
    t.mainDisplayBounds = &mainDisplayBounds;
    t.findControl = &findControl;
    t.controlText = &controlText;
    t.setControlText = &setControlText;
    t.controlValue = &controlValue;
    t.setControlValue = &setControlValue;
    t.enableControl = &enableControl;
    t.showControl = &showControl;
    t.setControlImage = &setControlImage;
    t.setControlRows = &setControlRows;
    t.installTimer = &installTimer;
    t.removeTimer = &removeTimer;
    t.copyToClipboard = &copyToClipboard;
    t.reportIdle = &reportIdle;
    return t;
}

} // namespace vx::player
