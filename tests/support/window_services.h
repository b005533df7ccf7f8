#pragma once
// The player's window services as the window tests reach them: one QApplication for the test
// binary and a host backend that offers the windows and records the pages a window opens.
#include "platform/qt/interface_windows.h"
#include "player/host_service_table.h"

#include <QApplication>

#include <string>
#include <vector>

// Made once, the first time a suite asks; the platform (offscreen under ctest) comes from the
// environment.
inline void ensureTestApplication() {
    static int argc = 1;
    static char name[] = "window_tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
}

class WindowBackend : public vx::player::HostServiceBackend {
  public:
    vx::InterfaceWindows windows;
    std::vector<std::string> opened;
    void* activeNonFloatingWindow() override { return nullptr; }
    void* installMouseHandler(void*, VxMouseHandlerProc, void*) override { return nullptr; }
    void removeMouseHandler(void*) override {}
    int32_t showAlert(const char*, const char*, const char*, const char*) override { return 0; }
    int32_t chooseFile(const char*, const char*, char*, uint32_t) override { return -1; }
    OSStatus openURL(const char* url) override {
        opened.push_back(url);
        return noErr;
    }
    void postToHostThread(void (*)(void*), void*) override {}
    void systemVersion(int32_t*, int32_t*) override {}
    vx::InterfaceWindows* windowServices(const char*) override { return &windows; }
};
