#pragma once
// The installer's controller: wired to the window's controls, it installs, uninstalls, shows
// the result sheets and, when asked, starts the player on a thread of its own before quitting.
#include "installer/app_bundle.h"
#include "installer/install_paths.h"
#include "installer/installer_window.h"
#include "installer/sheet_presenter.h"
#include "installer/sheet_texts.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vx::installer {

class Installer : public QObject {
    Q_OBJECT
  public:
    Installer(const InstallerWindow& window, SheetPresenter& sheets, AppBundle app, InstallPaths paths,
              std::function<void()> quit);
    ~Installer() override;

    void awakeFromNib();
    // Runs the running check; true (after showing the sheet) when the player runs.
    bool IsITunesOpen(QWidget* sender, const Sheet& sheet = closePlayerSheet());
    void attempt_install(QWidget* sender);
    void attempt_uninstall(QWidget* sender);
    void sheetDidEnd(int returnCode, std::optional<int> contextInfo);
    void threadEndedNotification();

    QCheckBox* startVxt;
    QPushButton* installButton;
    QPushButton* uninstallButton;
    QWidget* mainWindow;
    QLabel* mainScreenText;
    QLabel* subText;
    std::string version;
    QProgressBar* progressIndicator;

  signals:
    void ThreadEndedNotification();

  private:
    struct EndPost;
    // Runs on a detached thread and touches no controller state: only the post, while it is open.
    static void executeScript(std::string resources, std::shared_ptr<EndPost> post);
    void beginResultSheet(const Sheet& sheet, QWidget* sender);

    SheetPresenter& sheets_;
    AppBundle app_;
    InstallPaths paths_;
    std::function<void()> quit_;
    std::shared_ptr<EndPost> endPost_;
};

} // namespace vx::installer
