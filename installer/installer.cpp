#include "installer/installer.h"

#include "installer/install_steps.h"
#include "installer/scripts.h"
#include "installer/sharing_end.h"

#include <QCheckBox>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <mutex>
#include <thread>

namespace vx::installer {

// The detached thread's way back: it may post only while the controller lives.
struct Installer::EndPost {
    std::mutex lock;
    Installer* target = nullptr;
};

Installer::Installer(const InstallerWindow& window, SheetPresenter& sheets, AppBundle app, InstallPaths paths,
                     std::function<void()> quit)
    : startVxt(window.startNow), installButton(window.install), uninstallButton(window.uninstall),
      mainWindow(window.window), mainScreenText(window.headline), subText(window.subText),
      progressIndicator(window.progress), sheets_(sheets), app_(std::move(app)), paths_(std::move(paths)),
      quit_(std::move(quit)), endPost_(std::make_shared<EndPost>()) {
    endPost_->target = this;
    connect(installButton, &QPushButton::clicked, this, [this] { attempt_install(installButton); });
    connect(uninstallButton, &QPushButton::clicked, this, [this] { attempt_uninstall(uninstallButton); });
}

Installer::~Installer() {
    std::lock_guard<std::mutex> hold(endPost_->lock);
    endPost_->target = nullptr;
}

void Installer::awakeFromNib() {
    progressIndicator->hide();
    startVxt->setChecked(false);
    version = infoValue(app_.infoPlist, "CFBundleVersion");
    mainScreenText->setText(QString::fromStdString(welcomeText(version)));
    mainWindow->raise();
    mainWindow->activateWindow();
    mainWindow->setWindowTitle(QString::fromStdString(windowTitle(version)));
    connect(this, &Installer::ThreadEndedNotification, this, &Installer::threadEndedNotification,
            Qt::QueuedConnection);
}

bool Installer::IsITunesOpen(QWidget* sender, const Sheet& sheet) {
    if (!playerIsRunning(app_.resources)) return false;
    sheets_.beginSheet(sheet, sender ? sender->window() : mainWindow, nullptr);
    return true;
}

void Installer::attempt_install(QWidget* sender) {
    if (IsITunesOpen(sender)) return;
    writeFirstRunMarker(paths_.firstRunMarker);
    if (placeBundle(app_.resources + "/Voxtrail.bundle", paths_))
        beginResultSheet(installedSheet(version, startVxt->isChecked()), sender);
    else
        beginResultSheet(installFailedSheet(), sender);
}

void Installer::attempt_uninstall(QWidget* sender) {
    // A running player holds the bundle and writes the settings and calendars being removed.
    if (IsITunesOpen(sender, closePlayerBeforeUninstallSheet())) return;
    std::string sharingNote;
    const auto endSharing = [&] { sharingNote = endSharingBeforeRemoval(paths_.dataFolder); };
    switch (removeInstallation(paths_, endSharing)) {
    case UninstallResult::AlreadyUninstalled:
        beginResultSheet(alreadyUninstalledSheet(), sender);
        break;
    case UninstallResult::Removed:
        beginResultSheet(uninstalledSheet(version, sharingNote), sender);
        break;
    case UninstallResult::Failed:
        beginResultSheet(uninstallFailedSheet(), sender);
        break;
    }
}

void Installer::beginResultSheet(const Sheet& sheet, QWidget* sender) {
    const std::optional<int> context = sheet.endsInstall ? std::optional<int>(1) : std::nullopt;
    sheets_.beginSheet(sheet, sender ? sender->window() : mainWindow,
                       [this, context](int returnCode) { sheetDidEnd(returnCode, context); });
}

void Installer::sheetDidEnd(int, std::optional<int> contextInfo) {
    if (!contextInfo) return;
    if (!startVxt->isChecked()) {
        quit_();
        return;
    }
    progressIndicator->show();
    mainScreenText->setText(QString::fromStdString(pleaseWaitText()));
    subText->setText("");
    for (QWidget* control : {static_cast<QWidget*>(startVxt), static_cast<QWidget*>(installButton),
                             static_cast<QWidget*>(uninstallButton)}) {
        auto* clear = new QGraphicsOpacityEffect(control);
        clear->setOpacity(0.0);
        control->setGraphicsEffect(clear);
        control->setEnabled(false);
    }
    std::thread(&Installer::executeScript, app_.resources, endPost_).detach();
}

void Installer::executeScript(std::string resources, std::shared_ptr<EndPost> post) {
    startPlayer(resources);
    std::lock_guard<std::mutex> hold(post->lock);
    // A queued connection: the notification is delivered on the GUI thread.
    if (post->target) emit post->target->ThreadEndedNotification();
}

void Installer::threadEndedNotification() {
    quit_();
}

} // namespace vx::installer
