#include "plugin/prefs/preference_controls.h"

#include <cstring>

#define VX_ROW(name, kind)                                                                                   \
    { #name, name, ControlKind::kind }
const PreferenceControl kPreferenceControls[] = {
    VX_ROW(CID_GENERAL_TBOX_libraryPath, TextBox),
    VX_ROW(CID_GENERAL_BTTN_libraryPath, Button),
    VX_ROW(CID_GENERAL_TBOX_includeArtists, TextBox),
    VX_ROW(CID_GENERAL_TBOX_excludeArtists, TextBox),
    VX_ROW(CID_SHARING_CBOX_shareCal, CheckBox),
    VX_ROW(CID_SHARING_TBOX_userName, TextBox),
    VX_ROW(CID_SHARING_TBOX_firstName, TextBox),
    VX_ROW(CID_SHARING_TBOX_lastName, TextBox),
    VX_ROW(CID_SHARING_RBTN_shareHighlighted, RadioButton),
    VX_ROW(CID_SHARING_RBTN_shareAll, RadioButton),
    VX_ROW(CID_SHARING_TBOX_addFriend, TextBox),
    VX_ROW(CID_SHARING_LBOX_friendList, DataBrowser),
    VX_ROW(CID_SHARING_TBOX_feedURL, TextBox),
    VX_ROW(CID_SHARING_BTTN_copyFeedURL, Button),
    VX_ROW(CID_SHARING_BTTN_newFeedURL, Button),
    VX_ROW(CID_SHARING_BTTN_addFriend, Button),
    VX_ROW(CID_SHARING_BTTN_removeFriend, Button),
    VX_ROW(CID_SHARING_BTTN_seeLocalFriends, Button),
    VX_ROW(CID_SHARING_LBOX_seeLocalFriends, DataBrowser),
    VX_ROW(CID_SHARING_TEXT_lboxHeader, StaticText),
    VX_ROW(CID_RELEASES_CBOX_imports, CheckBox),
    VX_ROW(CID_RELEASES_CBOX_extraTracks, CheckBox),
    VX_ROW(CID_RELEASES_CBOX_singles, CheckBox),
    VX_ROW(CID_RELEASES_CBOX_eps, CheckBox),
    VX_ROW(CID_RELEASES_CBOX_remastered, CheckBox),
    VX_ROW(CID_RELEASES_CBOX_limitedEditions, CheckBox),
    VX_ROW(CID_RELEASES_CBOX_soundtracks, CheckBox),
    VX_ROW(CID_RELEASES_CBOX_live, CheckBox),
    VX_ROW(CID_RELEASES_CBOX_nonActive, CheckBox),
    VX_ROW(CID_EXPORTING_CBOX_exportToiCal, CheckBox),
    VX_ROW(CID_EXPORTING_TBOX_iCalPath, TextBox),
    VX_ROW(CID_EXPORTING_BTTN_iCalPath, Button),
    VX_ROW(CID_EXPORTING_RBTN_exportHighlighted, RadioButton),
    VX_ROW(CID_EXPORTING_RBTN_exportAll, RadioButton),
    VX_ROW(CID_NOTIFICATIONS_CBOX_concerts, CheckBox),
    VX_ROW(CID_NOTIFICATIONS_CBOX_albums, CheckBox),
    VX_ROW(CID_NOTIFICATIONS_RBTN_defaultWindow, RadioButton),
    VX_ROW(CID_NOTIFICATIONS_RBTN_growlWindow, RadioButton),
    VX_ROW(CID_NOTIFICATIONS_CBOX_showChanges, CheckBox),
    VX_ROW(CID_NOTIFICATIONS_TBOX_mostPlayed, TextBox),
    VX_ROW(CID_IPHONE_CBOX_sync, CheckBox),
    VX_ROW(CID_IPHONE_TBOX_userName, TextBox),
    VX_ROW(CID_IPHONE_TBOX_password, TextBox),
    VX_ROW(CID_IPHONE_BTTN_getApp, Button),
    VX_ROW(CID_IPHONE_BTTN_watchDemo, Button),
    VX_ROW(CID_PLACES_TEXT_home, StaticText),
    VX_ROW(CID_PLACES_TBOX_tripCity, TextBox),
    VX_ROW(CID_PLACES_TBOX_tripState, TextBox),
    VX_ROW(CID_PLACES_TBOX_tripRadius, TextBox),
    VX_ROW(CID_PLACES_TBOX_tripFrom, TextBox),
    VX_ROW(CID_PLACES_TBOX_tripTo, TextBox),
    VX_ROW(CID_PLACES_TEXT_cityProblem, StaticText),
    VX_ROW(CID_PLACES_TEXT_stateProblem, StaticText),
    VX_ROW(CID_PLACES_TEXT_radiusProblem, StaticText),
    VX_ROW(CID_PLACES_TEXT_fromProblem, StaticText),
    VX_ROW(CID_PLACES_TEXT_toProblem, StaticText),
    VX_ROW(CID_PLACES_BTTN_addTrip, Button),
    VX_ROW(CID_PLACES_LBOX_trips, DataBrowser),
    VX_ROW(CID_PLACES_BTTN_removeTrip, Button),
    VX_ROW(CID_MAIN_BTTN_cancel, Button),
    VX_ROW(CID_MAIN_BTTN_ok, Button),
    VX_ROW(CID_MAIN_TABS_tabControl, Tabs),
};
#undef VX_ROW
const std::size_t kPreferenceControlCount = sizeof kPreferenceControls / sizeof kPreferenceControls[0];

const PreferenceControl* findPreferenceControl(int32_t id) {
    for (const PreferenceControl& c : kPreferenceControls)
        if (c.pair.id == id) return &c;
    return nullptr;
}

const PreferenceControl* findPreferenceControl(const char* name) {
    if (!name) return nullptr;
    for (const PreferenceControl& c : kPreferenceControls)
        if (std::strcmp(c.name, name) == 0) return &c;
    return nullptr;
}

const char* releaseFormatOfControl(int32_t id) {
    static const char* const formats[] = {"Import",
                                          "Extra tracks",
                                          "CD-single",
                                          "EP",
                                          "Original recording remastered",
                                          "Limited Edition",
                                          "Soundtrack",
                                          "Live",
                                          "Non-Active Artist"};
    if (id < CID_RELEASES_CBOX_imports.id || id > CID_RELEASES_CBOX_nonActive.id) return nullptr;
    return formats[id - CID_RELEASES_CBOX_imports.id];
}
