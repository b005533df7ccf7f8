#pragma once
// The preferences window's decisions: filling the controls from the settings, the reactions to
// every control, the checks and the stores of OK, and the friend and near-user lists.
#include "plugin/model/plugin_data.h"
#include "plugin/model/trips.h"
#include "plugin/prefs/preferences_controls_view.h"

#include <string>
#include <vector>

// Results of the control handler.
inline constexpr OSStatus kPrefsHandled = 0;
inline constexpr OSStatus kPrefsValidationAlert = 1;
// Data browser answers.
inline constexpr OSStatus errDataBrowserPropertyNotSupported = -4979;
inline constexpr OSType kFriendProperty = VX_FOURCC('F', 'R', 'N', 'D');
inline constexpr OSType kUserNameProperty = VX_FOURCC('U', 'N', 'M', 'E');
inline constexpr OSType kFirstNameProperty = VX_FOURCC('F', 'N', 'M', 'E');
inline constexpr OSType kLastNameProperty = VX_FOURCC('L', 'N', 'M', 'E');
inline constexpr OSType kCityProperty = VX_FOURCC('C', 'I', 'T', 'Y');
inline constexpr OSType kStateProperty = VX_FOURCC('S', 'T', 'A', 'T');
// The near-users columns, in their order on screen.
inline constexpr OSType kNearUserColumns[] = {kUserNameProperty, kFirstNameProperty, kLastNameProperty,
                                              kCityProperty, kStateProperty};

class PreferencesWindowLogic {
  public:
    PreferencesWindowLogic(PluginData& root, PreferencesControls& controls, PreferencesOutside& outside);

    // Puts the current settings into the controls (the window is not shown yet).
    void fill();
    // A click on a control; the toolkit has already toggled a check box or radio button.
    OSStatus controlHit(int32_t id);
    // Any key released in the window: keeps the sharing and phone user-name boxes equal.
    void keyReleased();
    // A row of the friend list (or of the near-users list) was selected; -1 for none.
    void friendListSelection(int32_t row);
    void localListSelection(int32_t row);
    void tripListSelection(int32_t row);

    // Data browser item data: the text of a property of item (row + 1); noErr or
    // errDataBrowserPropertyNotSupported.
    OSStatus friendItemData(uint32_t itemId, OSType property, std::string& out);
    OSStatus localItemData(uint32_t itemId, OSType property, std::string& out);
    // True when near user itemA is ordered before itemB by the property.
    bool localItemLess(uint32_t itemA, uint32_t itemB, OSType property);

    std::string fullListIncludeSaved, fullListExcludeSaved;
    char initialUsername[64] = {};
    char currentUsername[64] = {};
    bool friendsListChanged = false;
    int32_t iFriendListItemSelected = -1;
    int32_t iLocalListItemSelected = -1;
    std::vector<SHARER> sharers;
    // Bits asked for by OK presses that ended in an alert; their settings are stored already, so
    // the next OK must still ask for their refresh.
    unsigned long pendingMask = 1;
    // The trips as the Places tab shows them; stored by OK.
    std::vector<Trip> editedTrips;
    bool tripsChanged = false;
    int32_t iTripListItemSelected = -1;

  private:
    OSStatus pressOK();
    void fillPlaces();
    // Reads the trip fields into the list; false, with the message beside the field at fault,
    // when they do not read. Empty fields read as no trip when emptyIsNone.
    bool addTrip(bool emptyIsNone);
    void removeTrip();
    void refillTripBrowser();
    bool storeTrips(unsigned long& mask);
    void addFriend();
    void removeFriend();
    void showNearbyUsers();
    void refillFriendBrowser();
    void chooseLibraryFile();
    void chooseiCalLocation();
    void enableSharingFields(bool on);
    // The feed address (a new one with rotate) in its read-only box, or why there is none.
    void showFeedAddress(bool rotate);
    void copyFeedAddress();
    // Asks first: subscribers of the old address lose the shows.
    void replaceFeedAddress();
    bool feedAddressShown = false;
    // The service does not know the saved account (a reinstall, a new store): OK registers it
    // again even when no field changed.
    bool feedAccountUnknown = false;
    void enableExportFields(bool on);
    void enablePhoneFields(bool on);
    void afterSelection();
    bool failWith(const char* title, const char* message);

    // The OK steps; each false after an alert.
    unsigned long storeGeneral();
    bool storeSharing(unsigned long& mask);
    void storeFormats();
    void storeExport(unsigned long& mask);
    void storeNotifications();
    bool storePhone(unsigned long& mask);
    bool usernameAccepted(const std::string& user);
    // which: "first" or "last".
    bool personNameAccepted(const std::string& name, const char* which);
    bool accountCreated(int reply, const char* offlineMessage);

    PluginData& root;
    PreferencesControls& controls;
    PreferencesOutside& outside;
};
