#pragma once
// The controls of the preferences window, named by their (signature, id) pairs as the interface
// file carries them, and the tab control with its seven panes.
#include "platform/visual_plugin_api.h"

#include <cstddef>
#include <cstdint>

struct ControlID {
    OSType signature;
    int32_t id;
};

enum class ControlKind { TextBox, Button, CheckBox, RadioButton, DataBrowser, StaticText, Tabs };

struct PreferenceControl {
    const char* name; // the object name in the interface file
    ControlID pair;
    ControlKind kind;
};

#define VX_CONTROL(name, a, b, c, d, id) inline constexpr ControlID name = {VX_FOURCC(a, b, c, d), id};
VX_CONTROL(CID_GENERAL_TBOX_libraryPath, 't', 'b', 'o', 'x', 0)
VX_CONTROL(CID_GENERAL_BTTN_libraryPath, 'b', 't', 't', 'n', 1)
VX_CONTROL(CID_GENERAL_TBOX_includeArtists, 't', 'b', 'o', 'x', 2)
VX_CONTROL(CID_GENERAL_TBOX_excludeArtists, 't', 'b', 'o', 'x', 3)
VX_CONTROL(CID_SHARING_CBOX_shareCal, 'c', 'b', 'o', 'x', 20)
VX_CONTROL(CID_SHARING_TBOX_userName, 't', 'b', 'o', 'x', 21)
VX_CONTROL(CID_SHARING_TBOX_firstName, 't', 'b', 'o', 'x', 22)
VX_CONTROL(CID_SHARING_TBOX_lastName, 't', 'b', 'o', 'x', 23)
VX_CONTROL(CID_SHARING_RBTN_shareHighlighted, 'r', 'b', 't', 'n', 24)
VX_CONTROL(CID_SHARING_RBTN_shareAll, 'r', 'b', 't', 'n', 25)
VX_CONTROL(CID_SHARING_TBOX_addFriend, 't', 'b', 'o', 'x', 26)
VX_CONTROL(CID_SHARING_LBOX_friendList, 'l', 'b', 'o', 'x', 27)
VX_CONTROL(CID_SHARING_BTTN_addFriend, 'b', 't', 't', 'n', 28)
VX_CONTROL(CID_SHARING_BTTN_removeFriend, 'b', 't', 't', 'n', 29)
VX_CONTROL(CID_SHARING_BTTN_seeLocalFriends, 'b', 't', 't', 'n', 30)
VX_CONTROL(CID_SHARING_LBOX_seeLocalFriends, 'l', 'b', 'o', 'x', 31)
VX_CONTROL(CID_SHARING_TEXT_lboxHeader, 't', 'e', 'x', 't', 32)
VX_CONTROL(CID_SHARING_TBOX_feedURL, 't', 'b', 'o', 'x', 33)
VX_CONTROL(CID_SHARING_BTTN_copyFeedURL, 'b', 't', 't', 'n', 34)
VX_CONTROL(CID_SHARING_BTTN_newFeedURL, 'b', 't', 't', 'n', 35)
VX_CONTROL(CID_RELEASES_CBOX_imports, 'c', 'b', 'o', 'x', 40)
VX_CONTROL(CID_RELEASES_CBOX_extraTracks, 'c', 'b', 'o', 'x', 41)
VX_CONTROL(CID_RELEASES_CBOX_singles, 'c', 'b', 'o', 'x', 42)
VX_CONTROL(CID_RELEASES_CBOX_eps, 'c', 'b', 'o', 'x', 43)
VX_CONTROL(CID_RELEASES_CBOX_remastered, 'c', 'b', 'o', 'x', 44)
VX_CONTROL(CID_RELEASES_CBOX_limitedEditions, 'c', 'b', 'o', 'x', 45)
VX_CONTROL(CID_RELEASES_CBOX_soundtracks, 'c', 'b', 'o', 'x', 46)
VX_CONTROL(CID_RELEASES_CBOX_live, 'c', 'b', 'o', 'x', 47)
VX_CONTROL(CID_RELEASES_CBOX_nonActive, 'c', 'b', 'o', 'x', 48)
VX_CONTROL(CID_EXPORTING_CBOX_exportToiCal, 'c', 'b', 'o', 'x', 60)
VX_CONTROL(CID_EXPORTING_TBOX_iCalPath, 't', 'b', 'o', 'x', 61)
VX_CONTROL(CID_EXPORTING_BTTN_iCalPath, 'b', 't', 't', 'n', 62)
VX_CONTROL(CID_EXPORTING_RBTN_exportHighlighted, 'r', 'b', 't', 'n', 63)
VX_CONTROL(CID_EXPORTING_RBTN_exportAll, 'r', 'b', 't', 'n', 64)
VX_CONTROL(CID_NOTIFICATIONS_CBOX_concerts, 'c', 'b', 'o', 'x', 80)
VX_CONTROL(CID_NOTIFICATIONS_CBOX_albums, 'c', 'b', 'o', 'x', 81)
VX_CONTROL(CID_NOTIFICATIONS_RBTN_defaultWindow, 'r', 'b', 't', 'n', 82)
VX_CONTROL(CID_NOTIFICATIONS_RBTN_growlWindow, 'r', 'b', 't', 'n', 83)
VX_CONTROL(CID_NOTIFICATIONS_CBOX_showChanges, 'c', 'b', 'o', 'x', 84)
VX_CONTROL(CID_NOTIFICATIONS_TBOX_mostPlayed, 't', 'b', 'o', 'x', 85)
VX_CONTROL(CID_IPHONE_CBOX_sync, 'c', 'b', 'o', 'x', 90)
VX_CONTROL(CID_IPHONE_TBOX_userName, 't', 'b', 'o', 'x', 91)
VX_CONTROL(CID_IPHONE_TBOX_password, 't', 'b', 'o', 'x', 92)
VX_CONTROL(CID_IPHONE_BTTN_getApp, 'b', 't', 't', 'n', 93)
VX_CONTROL(CID_IPHONE_BTTN_watchDemo, 'b', 't', 't', 'n', 94)
VX_CONTROL(CID_PLACES_TEXT_home, 't', 'e', 'x', 't', 110)
VX_CONTROL(CID_PLACES_TBOX_tripCity, 't', 'b', 'o', 'x', 111)
VX_CONTROL(CID_PLACES_TBOX_tripState, 't', 'b', 'o', 'x', 112)
VX_CONTROL(CID_PLACES_TBOX_tripRadius, 't', 'b', 'o', 'x', 113)
VX_CONTROL(CID_PLACES_TBOX_tripFrom, 't', 'b', 'o', 'x', 114)
VX_CONTROL(CID_PLACES_TBOX_tripTo, 't', 'b', 'o', 'x', 115)
VX_CONTROL(CID_PLACES_TEXT_cityProblem, 't', 'e', 'x', 't', 116)
VX_CONTROL(CID_PLACES_TEXT_stateProblem, 't', 'e', 'x', 't', 117)
VX_CONTROL(CID_PLACES_TEXT_radiusProblem, 't', 'e', 'x', 't', 118)
VX_CONTROL(CID_PLACES_TEXT_fromProblem, 't', 'e', 'x', 't', 119)
VX_CONTROL(CID_PLACES_TEXT_toProblem, 't', 'e', 'x', 't', 120)
VX_CONTROL(CID_PLACES_BTTN_addTrip, 'b', 't', 't', 'n', 121)
VX_CONTROL(CID_PLACES_LBOX_trips, 'l', 'b', 'o', 'x', 122)
VX_CONTROL(CID_PLACES_BTTN_removeTrip, 'b', 't', 't', 'n', 123)
VX_CONTROL(CID_MAIN_BTTN_cancel, 'b', 't', 't', 'n', 100)
VX_CONTROL(CID_MAIN_BTTN_ok, 'b', 't', 't', 'n', 101)
// The tab control and its panes, in tab order.
VX_CONTROL(CID_MAIN_TABS_tabControl, 't', 'a', 'b', 's', 128)
#undef VX_CONTROL

// Count, then the pane ids (signature 'tabs'), in tab order.
inline constexpr int32_t tabList[] = {7, 129, 130, 131, 132, 133, 134, 135};
inline constexpr OSType kTabsSignature = VX_FOURCC('t', 'a', 'b', 's');

// Every control of the window that the handler knows, the tab control last.
extern const PreferenceControl kPreferenceControls[];
extern const std::size_t kPreferenceControlCount;

// Null when no control of the table has that id (or that name).
const PreferenceControl* findPreferenceControl(int32_t id);
const PreferenceControl* findPreferenceControl(const char* name);

// The release format each format check box (ids 40-48) shows; null for other ids.
const char* releaseFormatOfControl(int32_t id);
