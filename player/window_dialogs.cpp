#include "player/window_dialogs.h"

#include "platform/visual_plugin_api.h"
#include "player/output.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

namespace vx::player {

namespace {
constexpr int kReapIntervalMs = 1000;
}

WindowDialogs::WindowDialogs() {
    reapTimer_.setInterval(kReapIntervalMs);
    QObject::connect(&reapTimer_, &QTimer::timeout, [this] {
        if (opener_.reap() == 0) reapTimer_.stop();
    });
}

int32_t WindowDialogs::alert(const std::string& title, const std::string& message,
                             const std::string& defaultButton, const std::string& cancelButton) {
    if (answers.alertButton) {
        std::string answer = *answers.alertButton;
        answers.alertButton.reset();
        int32_t b = buttonForAnswer(answer, defaultButton, cancelButton);
        return b ? b : kVxAlertDefaultButton;
    }
    QMessageBox box(parent_);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(title));
    box.setInformativeText(QString::fromStdString(message));
    QPushButton* def = box.addButton(QString::fromStdString(defaultButton), QMessageBox::AcceptRole);
    QPushButton* cancel = nullptr;
    if (!cancelButton.empty()) {
        cancel = box.addButton(QString::fromStdString(cancelButton), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
    }
    box.setDefaultButton(def);
    box.exec();
    return (cancel && box.clickedButton() == cancel) ? kVxAlertCancelButton : kVxAlertDefaultButton;
}

std::optional<std::string> WindowDialogs::chooseFile(const std::string& title, const std::string& folder) {
    if (answers.file) {
        std::optional<std::string> f = std::move(answers.file);
        answers.file.reset();
        return f;
    }
    QString path =
        QFileDialog::getOpenFileName(parent_, QString::fromStdString(title), QString::fromStdString(folder));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

void WindowDialogs::copyText(const std::string& text) {
    QGuiApplication::clipboard()->setText(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

bool WindowDialogs::openUrl(const std::string& url) {
    if (!opener_.open(url)) {
        printNote("could not start xdg-open for " + oneLine(url));
        return false;
    }
    reapTimer_.start();
    return true;
}

} // namespace vx::player
