#pragma once
// The preferences controls of a window the host built from an interface file.
#include "platform/visual_plugin_api.h"
#include "plugin/prefs/preferences_controls_view.h"

#include <map>

class HostWindowControls : public PreferencesControls {
  public:
    HostWindowControls() = default;
    void attach(VxWindow* w) { window = w; }
    // Shows the window and brings it to the front.
    void showWindow();
    // Whether the window is up (shown and not hidden since).
    bool windowShown() const { return shown; }
    // The user closed the window with its close box.
    void windowClosed() { shown = false; }
    std::string text(ControlID c) override;
    void setText(ControlID c, const std::string& text) override;
    int32_t value(ControlID c) override;
    void setValue(ControlID c, int32_t value) override;
    void setEnabled(ControlID c, bool enabled) override;
    void setVisible(ControlID c, bool visible) override;
    void setRows(ControlID c, const std::vector<std::vector<std::string>>& rows) override;
    void clearSelection(ControlID c) override;
    void hideWindow() override;

  private:
    // The control of a pair, looked up once (null when the file lacks it).
    VxControl* control(ControlID c);
    VxWindow* window = nullptr;
    bool shown = false;
    std::map<int64_t, VxControl*> references;
};
