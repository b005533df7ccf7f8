#pragma once
// What the preferences logic needs of the world around it, so the logic knows no toolkit and the
// tests drive it with in-memory fakes: the window's controls, and the host, engine and service.
#include "plugin/prefs/preference_controls.h"
#include "plugin/services/nearby_users.h"

#include <string>
#include <vector>

// The controls of one open window, found by their pairs. Text boxes hold lines joined by "\r".
// Clicking a check box or a radio button toggles its value before the handler hears of it.
class PreferencesControls {
  public:
    virtual ~PreferencesControls() = default;
    virtual std::string text(ControlID c) = 0;
    virtual void setText(ControlID c, const std::string& text) = 0;
    virtual int32_t value(ControlID c) = 0;
    virtual void setValue(ControlID c, int32_t value) = 0;
    virtual void setEnabled(ControlID c, bool enabled) = 0;
    virtual void setVisible(ControlID c, bool visible) = 0;
    // A data browser's rows, each its column texts in order; the selection is cleared.
    virtual void setRows(ControlID c, const std::vector<std::vector<std::string>>& rows) = 0;
    virtual void clearSelection(ControlID c) = 0;
    virtual void hideWindow() = 0;
};

// The host, the update engine and the web service, as the window reaches them.
class PreferencesOutside {
  public:
    virtual ~PreferencesOutside() = default;
    // A standard alert with one OK button, waited for.
    virtual void alert(const char* title, const char* message) = 0;
    // A file dialog opening in folder (where the host can; "" leaves it to the host); false when
    // cancelled or unavailable.
    virtual bool chooseFile(const char* title, const char* message, const std::string& folder,
                            std::string& path) = 0;
    // Opens a page of the web service (path and query) in the browser.
    virtual void openServicePage(const char* pathAndQuery) = 0;
    // Saves the settings and lists as stored so far, off the window's thread.
    virtual void savePreferences() = 0;
    // The friend list, changed by the engine: add is false when the list already holds the name
    // in any letter case. OK saves it.
    virtual bool addFriend(const std::string& name) = 0;
    virtual void removeFriend(const std::string& name) = 0;
    virtual void suggestUpdate(unsigned long mask) = 0;
    // The library path or an artist list changed: the refresh asked for next reads them.
    virtual void libraryChanged() = 0;
    virtual void registerWithGrowl() = 0;
    // The sharing and phone accounts: 0 done, 1 refused, 2 fetch failed.
    virtual int checkIfUserExists(const char* name) = 0;
    virtual int initializeSharing() = 0;
    virtual int iPhoneSync_Initialize() = 0;
    // Users near the current place, read under the web lock; 0, or 2 when the fetch failed.
    virtual int nearbyUsers(std::vector<SHARER>& users) = 0;
    // Sharing was turned off: the service removes what this installation shared. 0 done, 1
    // refused, 2 fetch failed.
    virtual int endSharing() = 0;
    // Writes the password file; false when it could not be written.
    virtual bool writePassword(const char* password) = 0;
    // The account's calendar feed address, or a new one with rotate: 0 done, 1 refused, 2 fetch failed.
    virtual int feedAddress(bool /*rotate*/, std::string& /*url*/) { return 2; }
    // A question with a confirming and a Cancel button, waited for; true when confirmed.
    virtual bool confirm(const char* /*title*/, const char* /*message*/, const char* /*button*/) {
        return false;
    }
    virtual void copyToClipboard(const std::string& /*text*/) {}
};
