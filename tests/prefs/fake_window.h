#pragma once
// In-memory stand-ins for the window's controls and for the host, engine and service around it.
#include "plugin/prefs/preferences_logic.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

class FakeControls : public PreferencesControls {
  public:
    std::map<int32_t, std::string> texts;
    std::map<int32_t, int32_t> values;
    std::map<int32_t, bool> enabled, visible;
    std::map<int32_t, std::vector<std::vector<std::string>>> rows;
    bool hidden = false;

    std::string text(ControlID c) override { return texts[c.id]; }
    void setText(ControlID c, const std::string& t) override { texts[c.id] = t; }
    int32_t value(ControlID c) override { return values[c.id]; }
    void setValue(ControlID c, int32_t v) override { values[c.id] = v; }
    void setEnabled(ControlID c, bool on) override { enabled[c.id] = on; }
    void setVisible(ControlID c, bool on) override { visible[c.id] = on; }
    void setRows(ControlID c, const std::vector<std::vector<std::string>>& r) override { rows[c.id] = r; }
    void clearSelection(ControlID) override {}
    void hideWindow() override { hidden = true; }
};

class FakeOutside : public PreferencesOutside {
  public:
    std::vector<std::pair<std::string, std::string>> alerts;
    std::vector<unsigned long> updates;
    std::vector<std::string> checkedNames, passwords, pages;
    int saves = 0, growls = 0, sharingRegistrations = 0, phoneRegistrations = 0;
    int userExists = 0, sharingResult = 0, phoneResult = 0, feedResult = 2;
    std::string chosenFile; // "" cancels the dialog
    std::vector<std::string> chooserFolders;
    std::vector<SHARER> nearby;

    void alert(const char* title, const char* message) override { alerts.emplace_back(title, message); }
    bool chooseFile(const char*, const char*, const std::string& folder, std::string& path) override {
        chooserFolders.push_back(folder);
        path = chosenFile;
        return !chosenFile.empty();
    }
    void openServicePage(const char* p) override { pages.push_back(p); }
    void savePreferences() override { ++saves; }
    // The list the engine would change: the window's root's.
    FRIENDLIST* friends = nullptr;
    bool addFriend(const std::string& name) override { return friends->add(new FRIENDNAME(name.c_str())); }
    void removeFriend(const std::string& name) override { friends->remove(name.c_str()); }
    void suggestUpdate(unsigned long mask) override { updates.push_back(mask); }
    void libraryChanged() override {}
    void registerWithGrowl() override { ++growls; }
    int checkIfUserExists(const char* name) override {
        checkedNames.push_back(name);
        return userExists;
    }
    int initializeSharing() override {
        ++sharingRegistrations;
        return sharingResult;
    }
    int feedAddress(bool, std::string&) override { return feedResult; }
    int endSharing() override { return 0; }
    int iPhoneSync_Initialize() override {
        ++phoneRegistrations;
        return phoneResult;
    }
    int nearbyUsers(std::vector<SHARER>& users) override {
        users = nearby;
        return 0;
    }
    bool writePassword(const char* password) override {
        passwords.push_back(password);
        return true;
    }
    std::string lastAlertText() const { return alerts.empty() ? "" : alerts.back().second; }
};
