#include "installer/headless_run.h"

#include "installer/installer_options.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace vx::installer {

HeadlessRun::HeadlessRun(Installer& installer, HeadlessSheets& sheets, std::vector<std::string> lines,
                         std::function<void(int)> exit)
    : installer_(installer), sheets_(sheets), lines_(std::move(lines)), exit_(std::move(exit)) {}

void HeadlessRun::start() {
    QTimer::singleShot(0, &installer_, [this] { step(); });
}

void HeadlessRun::step() {
    if (next_ >= lines_.size()) {
        // While the player is being started the controls are off and the end of that quits.
        if (installer_.installButton->isEnabled()) exit_(0);
        return;
    }
    if (!perform(lines_[next_++])) return;
    QTimer::singleShot(0, &installer_, [this] { step(); });
}

bool HeadlessRun::fail(const std::string& why) {
    std::fprintf(stderr, "Voxtrail_Installer: %s\n", why.c_str());
    exit_(2);
    return false;
}

bool HeadlessRun::perform(const std::string& line) {
    std::string error;
    const std::optional<HeadlessCommand> command = parseHeadlessCommand(line, error);
    if (!command) return fail(error);
    const bool windowFree = !sheets_.sheetOpen();
    switch (command->action) {
    case Action::Nothing:
        return true;
    case Action::Quit:
        exit_(0);
        return false;
    case Action::Answer:
        return sheets_.answer(command->button) || fail("no open sheet has the button " + command->button);
    case Action::CheckStart:
    case Action::UncheckStart:
        if (!windowFree || !installer_.startVxt->isEnabled())
            return fail("the start box cannot be clicked now");
        installer_.startVxt->setChecked(command->action == Action::CheckStart);
        return true;
    case Action::PressInstall:
    case Action::PressUninstall: {
        QPushButton* button =
            command->action == Action::PressInstall ? installer_.installButton : installer_.uninstallButton;
        if (!windowFree || !button->isEnabled()) return fail("the button cannot be pressed now");
        button->click();
        return true;
    }
    }
    return true;
}

} // namespace vx::installer
