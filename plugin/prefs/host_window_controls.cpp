#include "plugin/prefs/host_window_controls.h"

#include "platform/host_windows.h"

#include <algorithm>

namespace {

// Text boxes hold lines joined by "\r"; the toolkit's boxes join them by "\n".
std::string replaced(std::string text, char from, char to) {
    std::replace(text.begin(), text.end(), from, to);
    return text;
}

} // namespace

VxControl* HostWindowControls::control(ControlID c) {
    const int64_t key = (static_cast<int64_t>(c.signature) << 32) | static_cast<uint32_t>(c.id);
    auto found = references.find(key);
    if (found != references.end()) return found->second;
    VxControl* ref = vx::hostFindControl(window, c.signature, c.id);
    references.emplace(key, ref);
    return ref;
}

std::string HostWindowControls::text(ControlID c) {
    return replaced(vx::hostControlText(control(c)), '\n', '\r');
}

void HostWindowControls::setText(ControlID c, const std::string& text) {
    vx::hostSetControlText(control(c), replaced(text, '\r', '\n').c_str());
}

int32_t HostWindowControls::value(ControlID c) {
    return vx::hostControlValue(control(c));
}

void HostWindowControls::setValue(ControlID c, int32_t value) {
    vx::hostSetControlValue(control(c), value);
}

void HostWindowControls::setEnabled(ControlID c, bool enabled) {
    vx::hostEnableControl(control(c), enabled);
}

void HostWindowControls::setVisible(ControlID c, bool visible) {
    vx::hostShowControl(control(c), visible);
}

void HostWindowControls::setRows(ControlID c, const std::vector<std::vector<std::string>>& rows) {
    // Columns go to the host separated by tabs, so a tab inside a text becomes a blank.
    std::vector<std::string> lines;
    lines.reserve(rows.size());
    for (const std::vector<std::string>& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i) line += '\t';
            line += replaced(replaced(row[i], '\t', ' '), '\n', ' ');
        }
        lines.push_back(std::move(line));
    }
    std::vector<const char*> pointers;
    for (const std::string& line : lines)
        pointers.push_back(line.c_str());
    vx::hostSetControlRows(control(c), pointers.data(), static_cast<int32_t>(pointers.size()));
}

void HostWindowControls::clearSelection(ControlID c) {
    vx::hostSetControlValue(control(c), -1);
}

void HostWindowControls::hideWindow() {
    vx::hostShowWindow(window, false);
    shown = false;
}

void HostWindowControls::showWindow() {
    vx::hostShowWindow(window, true);
    shown = true;
}
