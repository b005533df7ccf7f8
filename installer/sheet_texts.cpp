#include "installer/sheet_texts.h"

namespace vx::installer {

namespace {

// The Command-key sign (U+2318) in UTF-8, then "T": the shortcut that turns the visualizer on.
const std::string kCommandT = "\xE2\x8C\x98T";

} // namespace

std::string windowTitle(const std::string& version) {
    return "Voxtrail v" + version + " Installer";
}

std::string welcomeText(const std::string& version) {
    return "Welcome to the Voxtrail v" + version + " installer.";
}

std::string pleaseWaitText() {
    return "Please wait while Voxtrail starts...";
}

Sheet closePlayerSheet() {
    return {"Please close iTunes before installing Voxtrail", "", false};
}

Sheet closePlayerBeforeUninstallSheet() {
    return {"Please close iTunes before uninstalling Voxtrail", "", false};
}

Sheet installedSheet(const std::string& version, bool startChecked) {
    const std::string how =
        startChecked ? "To show or hide Voxtrail,\n    Select 'View->Turn On/Off Visualizer', or type "
                     : "Please restart iTunes and select \n      "
                       "'View->Visualizer->Voxtrail'.  \nThen select \n       "
                       "'View->Turn On Visualizer', ";
    return {"Voxtrail v" + version + " installed successfully!", how + kCommandT, true};
}

Sheet installFailedSheet() {
    return {
        "Automatic install has encountered a problem.",
        "Please proceed to manually install this plug-in by right clicking(Ctrl clicking) the "
        "Voxtrail_Installer.app and selecting 'Show Package Contents'.  \n\nThen copy the Voxtrail.bundle "
        "file, located in \n./Contents/Resources/ to \n/Users/YourUsername/Library/iTunes/iTunes "
        "Plug-ins/\n\n"
        "Please also let us know that the automatic install failed: " +
            std::string(kSupportAddress) + "\n\nThanks!",
        false};
}

Sheet alreadyUninstalledSheet() {
    return {"Voxtrail is already uninstalled!", "", false};
}

Sheet uninstalledSheet(const std::string& version, const std::string& note) {
    return {"Voxtrail v" + version + " has been uninstalled successfully", note, false};
}

Sheet uninstallFailedSheet() {
    return {"FAILED UNINSTALL!",
            "Please let us know that the uninstall failed: " + std::string(kSupportAddress), false};
}

} // namespace vx::installer
