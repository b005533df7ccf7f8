// The Sharing tab's calendar feed: the address calendar programs subscribe to, copied or replaced
// on request, or why there is none.
#include "plugin/prefs/preferences_logic.h"

namespace {

// Short enough to show whole in the box.
constexpr const char* kFeedSharingOff = "Turn on sharing to get your calendar's address.";
constexpr const char* kFeedNoAccount = "Choose a user name and press OK to get an address.";
constexpr const char* kFeedRefused = "No address yet: press OK to set up your account.";
constexpr const char* kFeedOffline = "No address: the service could not be reached.";

} // namespace

void PreferencesWindowLogic::showFeedAddress(bool rotate) {
    ProtectedData& st = root.state;
    char user[64];
    st.getUsername(user);
    std::string address;
    const char* why = nullptr;
    feedAccountUnknown = false;
    if (controls.value(CID_SHARING_CBOX_shareCal) == 0)
        why = kFeedSharingOff;
    else if (user[0] == '\0' || !st.getSharing())
        why = kFeedNoAccount;
    else if (const int result = outside.feedAddress(rotate, address); result != 0) {
        feedAccountUnknown = result == 1;
        why = feedAccountUnknown ? kFeedRefused : kFeedOffline;
    }
    controls.setText(CID_SHARING_TBOX_feedURL, why ? why : address);
    controls.setEnabled(CID_SHARING_BTTN_copyFeedURL, why == nullptr);
    controls.setEnabled(CID_SHARING_BTTN_newFeedURL, why == nullptr);
    feedAddressShown = why == nullptr;
}

void PreferencesWindowLogic::copyFeedAddress() {
    if (feedAddressShown) outside.copyToClipboard(controls.text(CID_SHARING_TBOX_feedURL));
}

void PreferencesWindowLogic::replaceFeedAddress() {
    if (!feedAddressShown ||
        !outside.confirm("Make a new address for your calendar?",
                         "Calendars subscribed to the current address stop receiving your shows. "
                         "Give the new address to the people and programs that should keep them.",
                         "New Address"))
        return;
    showFeedAddress(true);
}
