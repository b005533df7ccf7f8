// OK: each tab's settings checked and stored in turn, then the refresh the changes need. An
// alert ends the press with the window open; what was stored before it stays stored.
#include "common/fixed_text.h"
#include "plugin/engine/cal_get_data.h"
#include "plugin/prefs/account_requests.h"
#include "plugin/prefs/name_rules.h"
#include "plugin/prefs/preferences_logic.h"
#include "plugin/prefsfile/private_file.h"

#include <cstdlib>
#include <string>

using vx::prefs::cutField;
using vx::prefs::lettersDigits;
using vx::prefs::lettersDigitsBlanks;
using vx::prefs::trimmedField;

namespace {

constexpr unsigned long kNothing = 1;

std::string withNewlines(std::string text) {
    for (char& c : text)
        if (c == '\r') c = '\n';
    return text;
}

// Writes a changed artist list as the file's whole content; a file that cannot be written is
// left as it was.
bool storeArtistList(const std::string& shown, std::string& saved, const char* path) {
    if (shown == saved) return false;
    if (vx::writePrivateFile(path, withNewlines(shown))) saved = shown;
    return true;
}

} // namespace

OSStatus PreferencesWindowLogic::pressOK() {
    unsigned long tripMask = kNothing;
    if (!storeTrips(tripMask)) return kPrefsValidationAlert;
    pendingMask |= tripMask;
    unsigned long mask = storeGeneral();
    bool ok = storeSharing(mask);
    if (ok) {
        storeFormats();
        storeExport(mask);
        storeNotifications();
        ok = storePhone(mask);
    }
    if (!ok) {
        pendingMask |= mask;
        return kPrefsValidationAlert;
    }
    mask |= pendingMask;
    pendingMask = kNothing;
    controls.hideWindow();
    outside.savePreferences();
    if (mask != kNothing) outside.suggestUpdate(mask);
    return kPrefsHandled;
}

unsigned long PreferencesWindowLogic::storeGeneral() {
    ProtectedData& st = root.state;
    bool changed = false;
    char stored[1024];
    st.getiTunes_xml_path(stored);
    const std::string path = cutField(controls.text(CID_GENERAL_TBOX_libraryPath), sizeof stored);
    if (path != stored) {
        st.setiTunes_xml_path(path.c_str());
        changed = true;
    }
    st.getVoxtrailIncludeBandsList(stored);
    changed |= storeArtistList(controls.text(CID_GENERAL_TBOX_includeArtists), fullListIncludeSaved, stored);
    st.getVoxtrailExcludeBandsList(stored);
    changed |= storeArtistList(controls.text(CID_GENERAL_TBOX_excludeArtists), fullListExcludeSaved, stored);
    if (!changed) return kNothing;
    outside.libraryChanged();
    outside.savePreferences();
    return kUpdateAll;
}

bool PreferencesWindowLogic::storeSharing(unsigned long& mask) {
    ProtectedData& st = root.state;
    const bool sharing = controls.value(CID_SHARING_CBOX_shareCal) != 0;
    const bool shareAll = controls.value(CID_SHARING_RBTN_shareAll) != 0;
    // A changed sharing setting asks for the sharing step and, as the shared shows follow the
    // concert list, for the concerts too.
    if (sharing != st.getSharing() || shareAll != st.getShareAllShows()) {
        const bool turnedOff = !sharing && st.getSharing();
        st.setSharing(sharing);
        st.setShareAllShows(shareAll);
        // Shows shared until now would stay on friends' calendars and in the feed. Sharing is off
        // first, so no refresh that starts now sends them again.
        if (turnedOff && outside.endSharing() == kSharingFetchFailed)
            outside.alert(
                "Shared shows not removed.",
                "The Voxtrail service could not be reached, so the shows you shared stay visible to "
                "your friends and in your calendar feed. Turn sharing on and off again when you are "
                "online to remove them.");
        mask |= kUpdateShared | kUpdateConcerts;
    }
    if (sharing) {
        const std::string user = trimmedField(controls.text(CID_SHARING_TBOX_userName), 64);
        const std::string first = trimmedField(controls.text(CID_SHARING_TBOX_firstName), 256);
        const std::string last = trimmedField(controls.text(CID_SHARING_TBOX_lastName), 256);
        char storedFirst[256], storedLast[256];
        st.getFirstname(storedFirst);
        st.getLastname(storedLast);
        // An empty name is never taken as unchanged: sharing needs a name to publish under.
        if (user.empty() || user != initialUsername || first != storedFirst || last != storedLast ||
            feedAccountUnknown) {
            if (!usernameAccepted(user)) return false;
            if (!personNameAccepted(first, "first") || !personNameAccepted(last, "last")) return false;
            st.setUsername(user.c_str());
            st.setFirstname(first.c_str());
            st.setLastname(last.c_str());
            if (!accountCreated(
                    outside.initializeSharing(),
                    "Internet Connection Problem... You must be online to create a new username."))
                return false;
            outside.savePreferences();
            mask |= kUpdateShared | kUpdateConcerts;
        }
    }
    if (friendsListChanged) {
        outside.savePreferences();
        mask |= kUpdateFriends;
        friendsListChanged = false;
    }
    return true;
}

// The release list is filtered as it is drawn, so a changed format needs no refresh.
void PreferencesWindowLogic::storeFormats() {
    for (int32_t id = CID_RELEASES_CBOX_imports.id; id <= CID_RELEASES_CBOX_nonActive.id; ++id) {
        const char* format = releaseFormatOfControl(id);
        const bool shown = controls.value(findPreferenceControl(id)->pair) != 0;
        if (shown && root.state.isFilterOn(format)) root.state.removeFormatFilter(format);
        if (!shown && !root.state.isFilterOn(format)) root.state.addFormatFilter(format);
    }
}

void PreferencesWindowLogic::storeExport(unsigned long& mask) {
    ProtectedData& st = root.state;
    const bool exporting = controls.value(CID_EXPORTING_CBOX_exportToiCal) != 0;
    const bool exportAll = controls.value(CID_EXPORTING_RBTN_exportAll) != 0;
    if (exporting != st.getExportTo_iCal() || exportAll != st.getExportAllShows()) {
        st.setExportTo_iCal(exporting);
        st.setExportAllShows(exportAll);
        mask |= kUpdateConcerts;
    }
    char stored[1024];
    st.getiCalLoc(stored);
    const std::string location = cutField(controls.text(CID_EXPORTING_TBOX_iCalPath), sizeof stored);
    if (location != stored) {
        st.setiCalLoc(location.c_str());
        mask |= kUpdateConcerts;
    }
}

void PreferencesWindowLogic::storeNotifications() {
    ProtectedData& st = root.state;
    st.setNotifyConcerts(controls.value(CID_NOTIFICATIONS_CBOX_concerts) != 0);
    st.setNotifyAlbums(controls.value(CID_NOTIFICATIONS_CBOX_albums) != 0);
    const bool growl = controls.value(CID_NOTIFICATIONS_RBTN_growlWindow) != 0;
    st.setNotificationWindowStyle(growl);
    st.setNotifyShowChanges(controls.value(CID_NOTIFICATIONS_CBOX_showChanges) != 0);
    // A number that does not read keeps the one before.
    const std::string plays = trimmedField(controls.text(CID_NOTIFICATIONS_TBOX_mostPlayed), 16);
    char* end = nullptr;
    const long n = std::strtol(plays.c_str(), &end, 10);
    if (!plays.empty() && end && *end == '\0' && n > 0 && n <= 1000000)
        st.setMostPlayedPlays(static_cast<int>(n));
    if (growl) outside.registerWithGrowl();
}

bool PreferencesWindowLogic::storePhone(unsigned long& mask) {
    ProtectedData& st = root.state;
    const bool sync = controls.value(CID_IPHONE_CBOX_sync) != 0;
    const bool syncChanged = sync != st.getiPhoneSync();
    if (syncChanged) st.setiPhoneSync(sync);
    if (!sync) return true;
    const std::string user = trimmedField(controls.text(CID_IPHONE_TBOX_userName), 64);
    const std::string password = cutField(controls.text(CID_IPHONE_TBOX_password), 64);
    char storedPassword[64];
    st.getPassword(storedPassword);
    // An empty account is never taken as unchanged: the phone service needs one.
    if (!user.empty() && !password.empty() && user == initialUsername && password == storedPassword) {
        if (syncChanged) mask |= kUpdateiPhone;
        return true;
    }
    if (!usernameAccepted(user)) return false;
    if (password.empty()) return failWith("Empty password.", "Please enter a password.");
    if (!lettersDigits(password))
        return failWith("Illegal characters.", "You can only use letters and numbers in your password.");
    st.setUsername(user.c_str());
    st.setPassword(password.c_str());
    outside.writePassword(password.c_str());
    if (!accountCreated(
            outside.iPhoneSync_Initialize(),
            "Internet Connection Problem... You must be online to create a new username and password."))
        return false;
    outside.savePreferences();
    mask |= kUpdateiPhone;
    return true;
}

// The sharing and the phone accounts share one name, so both check it alike.
bool PreferencesWindowLogic::usernameAccepted(const std::string& user) {
    if (user.empty()) return failWith("Empty username.", "Please enter a username.");
    if (!lettersDigitsBlanks(user))
        return failWith("Illegal characters.",
                        "You can only use letters, numbers, and spaces in you username.");
    return true;
}

// Names are written in every script, "Zoë", "O'Brien" and "Jean-Luc" among them; a refusal
// names the character, which may be one the user cannot see.
bool PreferencesWindowLogic::personNameAccepted(const std::string& name, const char* which) {
    const std::string refused = vx::prefs::refusedInPersonName(name);
    if (refused.empty()) return true;
    const std::string message =
        std::string("You can use letters, numbers, spaces, apostrophes and hyphens in the ") + which +
        " name, but not " + refused + ".";
    return failWith("Illegal characters.", message.c_str());
}

// A registration's reply: 0 created, 1 the name is another installation's, else the service
// was not reached.
bool PreferencesWindowLogic::accountCreated(int reply, const char* offlineMessage) {
    if (reply == 0) return true;
    if (reply == 1)
        return failWith("Username already taken.",
                        "Sorry, that username is already taken.  Please try a different username.");
    return failWith("Internet Problem.", offlineMessage);
}
