#pragma once
// The installer's one window and its controls, laid out in code.
#include <QWidget>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace vx::installer {

struct InstallerWindow {
    QWidget* window = nullptr;
    QLabel* headline = nullptr;
    QLabel* subText = nullptr;
    QCheckBox* startNow = nullptr;
    QProgressBar* progress = nullptr;
    QPushButton* install = nullptr;
    QPushButton* uninstall = nullptr;
};

// Builds the window (owned by the caller through window) with its controls.
InstallerWindow buildInstallerWindow();

} // namespace vx::installer
