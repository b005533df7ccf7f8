#pragma once
// The window's outside world as the running plug-in has it: the host's alerts, dialogs and
// browser, the update engine and the web service.
#include "plugin/engine/cal_get_data.h"
#include "plugin/prefs/preferences_controls_view.h"

class EngineOutside : public PreferencesOutside {
  public:
    explicit EngineOutside(CalGetData& engine) : engine(engine) {}
    void alert(const char* title, const char* message) override;
    bool chooseFile(const char* title, const char* message, const std::string& folder,
                    std::string& path) override;
    void openServicePage(const char* pathAndQuery) override;
    void savePreferences() override;
    bool addFriend(const std::string& name) override;
    void removeFriend(const std::string& name) override;
    void suggestUpdate(unsigned long mask) override;
    void libraryChanged() override;
    void registerWithGrowl() override;
    int checkIfUserExists(const char* name) override;
    int initializeSharing() override;
    int iPhoneSync_Initialize() override;
    int endSharing() override;
    int nearbyUsers(std::vector<SHARER>& users) override;
    bool writePassword(const char* password) override;
    int feedAddress(bool rotate, std::string& url) override;
    bool confirm(const char* title, const char* message, const char* button) override;
    void copyToClipboard(const std::string& text) override;

  private:
    CalGetData& engine;
};
