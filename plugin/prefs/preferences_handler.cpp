// The reactions to the window's controls and key releases.
#include "common/fixed_text.h"
#include "plugin/prefs/name_rules.h"
#include "plugin/prefs/preferences_logic.h"

namespace {

// The partner of each radio button.
ControlID radioPartner(int32_t id) {
    switch (id) {
    case 24:
        return CID_SHARING_RBTN_shareAll;
    case 25:
        return CID_SHARING_RBTN_shareHighlighted;
    case 63:
        return CID_EXPORTING_RBTN_exportAll;
    case 64:
        return CID_EXPORTING_RBTN_exportHighlighted;
    case 82:
        return CID_NOTIFICATIONS_RBTN_growlWindow;
    default:
        return CID_NOTIFICATIONS_RBTN_defaultWindow;
    }
}

} // namespace

OSStatus PreferencesWindowLogic::controlHit(int32_t id) {
    const PreferenceControl* control = findPreferenceControl(id);
    if (!control) return kPrefsHandled;
    switch (id) {
    case 1:
        chooseLibraryFile();
        break;
    case 20:
        enableSharingFields(controls.value(CID_SHARING_CBOX_shareCal) != 0);
        showFeedAddress(false);
        break;
    case 34:
        copyFeedAddress();
        break;
    case 35:
        replaceFeedAddress();
        break;
    case 24:
    case 25:
    case 63:
    case 64:
    case 82:
    case 83:
        controls.setValue(radioPartner(id), controls.value(control->pair) ? 0 : 1);
        break;
    case 28:
        addFriend();
        break;
    case 29:
        removeFriend();
        break;
    case 30:
        showNearbyUsers();
        break;
    case 60:
        enableExportFields(controls.value(CID_EXPORTING_CBOX_exportToiCal) != 0);
        break;
    case 62:
        chooseiCalLocation();
        break;
    case 90:
        enablePhoneFields(controls.value(CID_IPHONE_CBOX_sync) != 0);
        break;
    case 93:
        outside.openServicePage("/iphonelink.php");
        break;
    case 94:
        outside.openServicePage("/iphone.php");
        break;
    case 121:
        addTrip(false);
        break;
    case 123:
        removeTrip();
        break;
    case 100:
        controls.hideWindow();
        break;
    case 101:
        return pressOK();
    default:
        break;
    }
    return kPrefsHandled;
}

void PreferencesWindowLogic::keyReleased() {
    const std::string phone = vx::prefs::cutField(controls.text(CID_IPHONE_TBOX_userName), 64);
    const std::string sharing = vx::prefs::cutField(controls.text(CID_SHARING_TBOX_userName), 64);
    if (phone == sharing) return;
    // The box the user just typed in is the one that no longer shows the current name.
    if (phone != currentUsername) {
        controls.setText(CID_SHARING_TBOX_userName, phone);
        vx::copyText(currentUsername, phone.c_str());
    } else {
        controls.setText(CID_IPHONE_TBOX_userName, sharing);
        vx::copyText(currentUsername, sharing.c_str());
    }
}

namespace {
// The folder of the file a path box names, where its dialog opens; "" when it names none.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return path.substr(0, slash == 0 ? 1 : slash);
}
} // namespace

void PreferencesWindowLogic::chooseLibraryFile() {
    std::string path;
    if (outside.chooseFile(
            "Locate 'iTunes Music Library.xml'",
            "Please locate your library: 'iTunes Music Library.xml', Rhythmbox's 'rhythmdb.xml',\n"
            "Strawberry's 'strawberry.db', Clementine's 'clementine.db' or beets' 'library.db'.\n",
            folderOf(controls.text(CID_GENERAL_TBOX_libraryPath)), path))
        controls.setText(CID_GENERAL_TBOX_libraryPath, vx::prefs::cutField(path, 1024));
}

void PreferencesWindowLogic::chooseiCalLocation() {
    std::string path;
    if (outside.chooseFile("Specify iCal file export location.",
                           "Please specify a location for your iCal file: 'corestorage.ics'\n",
                           folderOf(controls.text(CID_EXPORTING_TBOX_iCalPath)), path))
        controls.setText(CID_EXPORTING_TBOX_iCalPath, vx::prefs::cutField(path, 1024));
}

bool PreferencesWindowLogic::failWith(const char* title, const char* message) {
    outside.alert(title, message);
    return false;
}
