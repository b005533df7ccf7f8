#include "plugin/prefs/engine_outside.h"

#include "platform/host_services.h"
#include "plugin/engine/startup_steps.h"
#include "plugin/engine/user_actions.h"
#include "plugin/prefs/account_requests.h"
#include "plugin/prefsfile/password_file.h"

#include <cstdio>
#include <mutex>

void EngineOutside::alert(const char* title, const char* message) {
    vx::hostShowAlert(title, message, "OK", nullptr);
}

bool EngineOutside::chooseFile(const char* title, const char*, const std::string& folder, std::string& path) {
    char chosen[1024];
    const int32_t status = folder.empty()
                               ? vx::hostChooseFile(title, chosen, sizeof chosen)
                               : vx::hostChooseFileIn(title, folder.c_str(), chosen, sizeof chosen);
    if (status != 0) return false;
    path = chosen;
    return true;
}

void EngineOutside::openServicePage(const char* pathAndQuery) {
    char address[kFetchURLCapacity];
    webServiceURL(address, sizeof address, engine.web.services.webServiceHost, pathAndQuery);
    vx::hostOpenURL(address);
}

void EngineOutside::savePreferences() {
    savePreferencesAsStored(engine);
}

bool EngineOutside::addFriend(const std::string& name) {
    return ::addFriend(engine, name.c_str());
}

void EngineOutside::removeFriend(const std::string& name) {
    ::removeFriend(engine, name.c_str());
}

void EngineOutside::suggestUpdate(unsigned long mask) {
    engine.suggestUpdateShowList(mask, true);
}

void EngineOutside::libraryChanged() {
    engine.libraryChanged();
}

void EngineOutside::registerWithGrowl() {
    ::registerWithGrowl(engine.root);
}

int EngineOutside::checkIfUserExists(const char* name) {
    const AccountRequestBudget budget(engine.web);
    return ::checkIfUserExists(engine.web, name);
}

int EngineOutside::initializeSharing() {
    const AccountRequestBudget budget(engine.web);
    return ::initializeSharing(engine.web);
}

int EngineOutside::iPhoneSync_Initialize() {
    const AccountRequestBudget budget(engine.web);
    return ::iPhoneSync_Initialize(engine.web);
}

int EngineOutside::endSharing() {
    const AccountRequestBudget budget(engine.web);
    return ::endInstallationSharing(engine.web);
}

int EngineOutside::nearbyUsers(std::vector<SHARER>& users) {
    const AccountRequestBudget budget(engine.web);
    const int result = getNearbyFriends(engine.web);
    users = result == 0 ? readNearbyUsers(engine.web.fetchPage) : std::vector<SHARER>{};
    return result;
}

bool EngineOutside::writePassword(const char* password) {
    std::string why;
    if (vx::writePasswordFile(vx::passwordFilePath(), password, &why)) return true;
    std::fprintf(stderr, "The password could not be kept: %s\n", why.c_str());
    return false;
}

int EngineOutside::feedAddress(bool rotate, std::string& url) {
    const AccountRequestBudget budget(engine.web);
    return ::requestFeedAddress(engine.web, rotate, url);
}

bool EngineOutside::confirm(const char* title, const char* message, const char* button) {
    return vx::hostShowAlert(title, message, button, "Cancel") == kVxAlertDefaultButton;
}

void EngineOutside::copyToClipboard(const std::string& text) {
    vx::hostCopyToClipboard(text.c_str());
}
