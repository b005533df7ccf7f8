#include "installer/installer_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace vx::installer {

InstallerWindow buildInstallerWindow() {
    InstallerWindow w;
    w.window = new QWidget;
    w.window->setObjectName("mainWindow");

    w.headline = new QLabel(w.window);
    w.headline->setObjectName("mainScreenText");
    QFont big = w.headline->font();
    big.setPixelSize(18);
    big.setBold(true);
    w.headline->setFont(big);

    w.subText = new QLabel("Install puts Voxtrail into your iTunes plug-in folder.\n"
                           "Uninstall removes it together with its saved shows and settings.",
                           w.window);
    w.subText->setObjectName("subText");
    w.subText->setWordWrap(true);

    w.startNow = new QCheckBox("Start iTunes with Voxtrail after installing", w.window);
    w.startNow->setObjectName("startVxt");

    // A busy indicator: no range, so it runs until hidden.
    w.progress = new QProgressBar(w.window);
    w.progress->setObjectName("progressIndicator");
    w.progress->setRange(0, 0);
    w.progress->setTextVisible(false);

    w.uninstall = new QPushButton("Uninstall", w.window);
    w.uninstall->setObjectName("uninstallButton");
    w.install = new QPushButton("Install", w.window);
    w.install->setObjectName("installButton");
    w.install->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(w.progress, 1);
    buttons->addStretch();
    buttons->addWidget(w.uninstall);
    buttons->addWidget(w.install);

    auto* layout = new QVBoxLayout(w.window);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(12);
    layout->addWidget(w.headline);
    layout->addWidget(w.subText);
    layout->addStretch();
    layout->addWidget(w.startNow);
    layout->addLayout(buttons);
    w.window->setFixedSize(520, 220);
    return w;
}

} // namespace vx::installer
