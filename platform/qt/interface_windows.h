#pragma once
// Windows built at run time from Qt Designer files, their controls found by (signature, id), and
// timers on the GUI thread's event loop: the window services a host offers its plug-ins. Each
// control of an interface file carries its pair as the dynamic properties "vxSignature" (four
// characters) and "vxId"; its object name is the pair's name. A top-level "vxWindowClass" of
// "overlay" makes a frameless window that floats above the others and takes no focus.
#include "platform/visual_plugin_api.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QObject;

namespace vx {

struct InterfaceWindowInfo {
    std::string name; // the window's object name
    QRect geometry;   // screen coordinates
    double opacity = 1.0;
    bool visible = false;
};

class InterfaceWindows {
  public:
    // Every call into a plug-in (an event or a timer) runs through callInto, so the host can
    // mark itself busy while it lasts; by default the call is just made.
    using CallInto = std::function<void(const std::function<void()>&)>;
    explicit InterfaceWindows(CallInto callInto = {});
    ~InterfaceWindows();
    InterfaceWindows(const InterfaceWindows&) = delete;
    InterfaceWindows& operator=(const InterfaceWindows&) = delete;

    // The host's own window: a plain window the plug-in shows without having moved it opens
    // centred on it. Without one (headless) such a window keeps the toolkit's placement.
    void setPlacementAnchor(QWidget* anchor) { anchor_ = anchor; }

    VxWindow* create(const char* folder, const char* name, VxWindowEventProc proc, void* userData);
    void dispose(VxWindow* window);
    void show(VxWindow* window, bool visible);
    void move(VxWindow* window, int left, int top);
    void resize(VxWindow* window, int width, int height);
    Rect bounds(VxWindow* window) const;
    void setAlpha(VxWindow* window, float alpha);
    static Rect mainDisplayBounds();

    VxControl* findControl(VxWindow* window, OSType signature, int32_t id);
    uint32_t text(VxControl* control, char* out, uint32_t capacity) const;
    void setText(VxControl* control, const char* text);
    int32_t value(VxControl* control) const;
    void setValue(VxControl* control, int32_t value);
    void enable(VxControl* control, bool enabled);
    void showControl(VxControl* control, bool visible);
    OSStatus setImage(VxControl* control, const char* path);
    void setRows(VxControl* control, const char* const* rows, int32_t count);

    VxTimer* installTimer(double firstDelay, double interval, VxTimerProc proc, void* userData);
    void removeTimer(VxTimer* timer);

    // The open windows, oldest first.
    std::vector<InterfaceWindowInfo> windows() const;
    // The newest open window of that object name, or null.
    QWidget* widgetNamed(const std::string& name) const;
    // Writes the window's pixels as a PNG; false when there is no such window or no file.
    bool snapshot(const std::string& name, const std::string& path) const;
    // The object name and text of every control of the newest window of that name that shows
    // a text, in the interface file's order; nothing when there is no such window.
    std::vector<std::pair<std::string, std::string>> controlTexts(const std::string& name) const;
    // A primary click, or a mouse move, at window coordinates, delivered as the user's would be.
    bool click(const std::string& name, int x, int y);
    bool hover(const std::string& name, int x, int y);

    std::size_t windowCount() const { return windows_.size(); }
    std::size_t timerCount() const { return timers_.size(); }
    // Disposes every window and timer left (their plug-in is going away). Returns how many
    // windows and timers there were.
    std::pair<std::size_t, std::size_t> disposeAll();

    struct Window;
    struct Control;
    struct Timer;

  private:
    friend struct Window;
    friend struct Timer;
    Window* live(VxWindow* handle) const;
    Control* live(VxControl* handle) const;
    Timer* live(VxTimer* handle) const;
    Control* controlFor(Window* window, QWidget* widget);
    void deliver(Window* window, VxWindowEvent& event);
    void fire(Timer* timer);
    void callPlugin(const std::function<void()>& call);
    void release(QObject* object);
    bool sendMouse(const std::string& name, int x, int y, bool press);

    void placeOnAnchor(Window* window) const;

    CallInto callInto_;
    QPointer<QWidget> anchor_;
    std::vector<Window*> windows_;
    std::vector<Timer*> timers_;
    int depth_ = 0;      // calls into a plug-in in progress
    bool quiet_ = false; // the plug-in is setting a value: no event for it
};

} // namespace vx
