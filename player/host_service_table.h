#pragma once
// The VxHostServices table the player hands its plug-ins at init; each entry forwards to the
// backend named by the table's context.
#include "platform/visual_plugin_api.h"

namespace vx {
class InterfaceWindows;
}

namespace vx::player {

class HostServiceBackend {
  public:
    virtual ~HostServiceBackend() = default;
    virtual void* activeNonFloatingWindow() = 0;
    virtual void* installMouseHandler(void* window, VxMouseHandlerProc proc, void* userData) = 0;
    virtual void removeMouseHandler(void* handlerRef) = 0;
    virtual int32_t showAlert(const char* title, const char* message, const char* defaultButton,
                              const char* cancelButton) = 0;
    // folder: where the dialog opens; null or "" for the player's own choice.
    virtual int32_t chooseFile(const char* title, const char* folder, char* outPath, uint32_t capacity) = 0;
    virtual OSStatus openURL(const char* url) = 0;
    virtual void copyToClipboard(const char* /*text*/) {}
    // Any thread; records the plug-in's word and returns.
    virtual void reportIdle(bool /*idle*/) {}
    virtual void postToHostThread(void (*fn)(void*), void* ctx) = 0;
    virtual void systemVersion(int32_t* major, int32_t* minor) = 0;
    // The windows and timers of the plug-ins, when called on the host thread (service names the
    // call for the refusal's note); null refuses: no window services.
    virtual vx::InterfaceWindows* windowServices(const char* service) {
        (void)service;
        return nullptr;
    }
};

// A table of the current version with every member set and backend as its context; the
// backend must outlive every plug-in given the table. A null backend makes every service
// answer "none" (null, 0, -1, paramErr; posted work is dropped).
VxHostServices makeHostServiceTable(HostServiceBackend* backend);

} // namespace vx::player
