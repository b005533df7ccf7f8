// Opening the window: every control gets its setting.
#include "plugin/prefs/preference_controls.h"
#include "plugin/prefs/preferences_logic.h"

#include <fstream>
#include <string>

namespace {

// The file's non-empty lines joined by "\r"; "" for a missing file.
std::string artistListText(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::string joined, line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (!joined.empty()) joined += '\r';
        joined += line;
    }
    return joined;
}

} // namespace

PreferencesWindowLogic::PreferencesWindowLogic(PluginData& root, PreferencesControls& controls,
                                               PreferencesOutside& outside)
    : root(root), controls(controls), outside(outside) {}

void PreferencesWindowLogic::fill() {
    ProtectedData& st = root.state;
    char path[1024];

    st.getiTunes_xml_path(path);
    controls.setText(CID_GENERAL_TBOX_libraryPath, path);
    st.getVoxtrailIncludeBandsList(path);
    fullListIncludeSaved = artistListText(path);
    st.getVoxtrailExcludeBandsList(path);
    fullListExcludeSaved = artistListText(path);
    controls.setText(CID_GENERAL_TBOX_includeArtists, fullListIncludeSaved);
    controls.setText(CID_GENERAL_TBOX_excludeArtists, fullListExcludeSaved);

    friendsListChanged = false;
    pendingMask = 1;
    st.getUsername(initialUsername);
    st.getUsername(currentUsername);
    const bool sharing = st.getSharing();
    controls.setValue(CID_SHARING_CBOX_shareCal, sharing);
    char name[256];
    controls.setText(CID_SHARING_TBOX_userName, initialUsername);
    st.getFirstname(name);
    controls.setText(CID_SHARING_TBOX_firstName, name);
    st.getLastname(name);
    controls.setText(CID_SHARING_TBOX_lastName, name);
    controls.setValue(CID_SHARING_RBTN_shareAll, st.getShareAllShows());
    controls.setValue(CID_SHARING_RBTN_shareHighlighted, !st.getShareAllShows());
    enableSharingFields(sharing);
    iFriendListItemSelected = -1;
    iLocalListItemSelected = -1;
    refillFriendBrowser();
    controls.setEnabled(CID_SHARING_BTTN_removeFriend, false);
    controls.setVisible(CID_SHARING_LBOX_seeLocalFriends, false);
    controls.setVisible(CID_SHARING_TEXT_lboxHeader, false);
    controls.setVisible(CID_SHARING_BTTN_seeLocalFriends, true);
    showFeedAddress(false);

    for (int32_t id = CID_RELEASES_CBOX_imports.id; id <= CID_RELEASES_CBOX_nonActive.id; ++id)
        controls.setValue(findPreferenceControl(id)->pair, !st.isFilterOn(releaseFormatOfControl(id)));

    const bool exporting = st.getExportTo_iCal();
    controls.setValue(CID_EXPORTING_CBOX_exportToiCal, exporting);
    controls.setValue(CID_EXPORTING_RBTN_exportAll, st.getExportAllShows());
    controls.setValue(CID_EXPORTING_RBTN_exportHighlighted, !st.getExportAllShows());
    st.getiCalLoc(path);
    controls.setText(CID_EXPORTING_TBOX_iCalPath, path);
    enableExportFields(exporting);

    controls.setValue(CID_NOTIFICATIONS_CBOX_concerts, st.getNotifyConcerts());
    controls.setValue(CID_NOTIFICATIONS_CBOX_albums, st.getNotifyAlbums());
    controls.setValue(CID_NOTIFICATIONS_RBTN_defaultWindow, !st.getNotificationWindowStyle());
    controls.setValue(CID_NOTIFICATIONS_RBTN_growlWindow, st.getNotificationWindowStyle());
    controls.setValue(CID_NOTIFICATIONS_CBOX_showChanges, st.getNotifyShowChanges());
    controls.setText(CID_NOTIFICATIONS_TBOX_mostPlayed, std::to_string(st.getMostPlayedPlays()).c_str());

    const bool sync = st.getiPhoneSync();
    controls.setValue(CID_IPHONE_CBOX_sync, sync);
    controls.setText(CID_IPHONE_TBOX_userName, initialUsername);
    char password[64];
    st.getPassword(password);
    controls.setText(CID_IPHONE_TBOX_password, password);
    enablePhoneFields(sync);
    fillPlaces();
}

void PreferencesWindowLogic::enableSharingFields(bool on) {
    for (ControlID c : {CID_SHARING_TBOX_userName, CID_SHARING_TBOX_firstName, CID_SHARING_TBOX_lastName,
                        CID_SHARING_RBTN_shareHighlighted, CID_SHARING_RBTN_shareAll})
        controls.setEnabled(c, on);
}

void PreferencesWindowLogic::enableExportFields(bool on) {
    controls.setEnabled(CID_EXPORTING_RBTN_exportHighlighted, on);
    controls.setEnabled(CID_EXPORTING_RBTN_exportAll, on);
    // From 10.5 on the calendar store takes the shows, so there is no file location to choose.
    const float os = root.state.getOSXVersion();
    const bool fileExport = on && os >= 10.0f && os < 10.5f;
    controls.setEnabled(CID_EXPORTING_TBOX_iCalPath, fileExport);
    controls.setEnabled(CID_EXPORTING_BTTN_iCalPath, fileExport);
}

void PreferencesWindowLogic::enablePhoneFields(bool on) {
    controls.setEnabled(CID_IPHONE_TBOX_userName, on);
    controls.setEnabled(CID_IPHONE_TBOX_password, on);
}
