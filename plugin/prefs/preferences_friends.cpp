// The friend list and the list of users nearby: adding, removing, and the data browsers' rows.
#include "plugin/prefs/name_rules.h"
#include "plugin/prefs/preferences_logic.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <strings.h>

namespace {

// The name at row of the list, "" past its end.
std::string friendAt(FRIENDLIST& friends, uint32_t row) {
    std::lock_guard<ListMutex> hold(friends.mutex);
    uint32_t i = 0;
    for (FRIENDNAME* f = friends.head; f; f = f->next, ++i)
        if (i == row) return f->name;
    return {};
}

// User names are told apart without regard to letter case, as the friend list does.
bool isOwnName(const std::string& name, const std::string& own) {
    return !own.empty() && name.size() == own.size() &&
           strncasecmp(name.c_str(), own.c_str(), name.size()) == 0;
}

const char* sharerField(const SHARER& s, OSType property) {
    switch (property) {
    case kUserNameProperty:
        return s.username;
    case kFirstNameProperty:
        return s.firstname;
    case kLastNameProperty:
        return s.lastname;
    case kCityProperty:
        return s.city;
    case kStateProperty:
        return s.state;
    default:
        return nullptr;
    }
}

} // namespace

void PreferencesWindowLogic::addFriend() {
    const std::string name = vx::prefs::trimmedField(controls.text(CID_SHARING_TBOX_addFriend), 64);
    if (name.empty()) {
        outside.alert("Empty username.", "Please enter a friend name in the text box.");
        return;
    }
    if (!vx::prefs::lettersDigitsBlanks(name)) {
        outside.alert("Illegal characters.", "Names can only only contain letters, numbers, and spaces.");
        return;
    }
    char own[64];
    root.state.getUsername(own);
    if (isOwnName(name, own) ||
        isOwnName(name, vx::prefs::trimmedField(controls.text(CID_SHARING_TBOX_userName), 64))) {
        // The friend shows would be the user's own shows a second time.
        outside.alert("That is your own username.", "Please enter the username of a friend.");
        return;
    }
    switch (outside.checkIfUserExists(name.c_str())) {
    case 0:
        break;
    case 1:
        outside.alert("Unknown username.", "That friend name could not be found.");
        return;
    default:
        outside.alert(
            "Internet problem.",
            "There seemed to be a problem with your internet connection.  You must be online to add a "
            "friend.");
        return;
    }
    // A name already held (in any letter case) leaves the list as it was.
    if (outside.addFriend(name)) friendsListChanged = true;
    refillFriendBrowser();
    controls.setText(CID_SHARING_TBOX_addFriend, "");
}

void PreferencesWindowLogic::removeFriend() {
    if (iFriendListItemSelected < 0) return;
    const std::string name = friendAt(*root.friends, static_cast<uint32_t>(iFriendListItemSelected));
    if (!name.empty()) outside.removeFriend(name);
    refillFriendBrowser();
    iFriendListItemSelected = -1;
    controls.setEnabled(CID_SHARING_BTTN_removeFriend, false);
    controls.setText(CID_SHARING_TBOX_addFriend, "");
    friendsListChanged = true;
}

void PreferencesWindowLogic::refillFriendBrowser() {
    std::vector<std::vector<std::string>> rows;
    const uint32_t count = root.friends->size();
    for (uint32_t item = 1; item <= count; ++item) {
        std::string name;
        if (friendItemData(item, kFriendProperty, name) == noErr) rows.push_back({name});
    }
    controls.setRows(CID_SHARING_LBOX_friendList, rows);
}

void PreferencesWindowLogic::showNearbyUsers() {
    controls.setVisible(CID_SHARING_BTTN_seeLocalFriends, false);
    controls.setVisible(CID_SHARING_LBOX_seeLocalFriends, true);
    controls.setVisible(CID_SHARING_TEXT_lboxHeader, true);
    std::vector<SHARER> found;
    outside.nearbyUsers(found);
    sharers = std::move(found);
    iLocalListItemSelected = -1;

    // The data browser's order: by user name, then by arrival; row i is then sharers[i].
    std::vector<uint32_t> items(sharers.size());
    std::iota(items.begin(), items.end(), 1u);
    std::stable_sort(items.begin(), items.end(),
                     [this](uint32_t a, uint32_t b) { return localItemLess(a, b, kUserNameProperty); });
    std::vector<SHARER> sorted;
    for (uint32_t item : items)
        sorted.push_back(sharers[item - 1]);
    sharers = std::move(sorted);

    std::vector<std::vector<std::string>> rows;
    for (uint32_t item = 1; item <= sharers.size(); ++item) {
        std::vector<std::string>& row = rows.emplace_back();
        for (OSType column : kNearUserColumns)
            localItemData(item, column, row.emplace_back());
    }
    controls.setRows(CID_SHARING_LBOX_seeLocalFriends, rows);
}

OSStatus PreferencesWindowLogic::friendItemData(uint32_t itemId, OSType property, std::string& out) {
    if (property != kFriendProperty) return errDataBrowserPropertyNotSupported;
    out = itemId == 0 ? std::string() : friendAt(*root.friends, itemId - 1);
    return noErr;
}

OSStatus PreferencesWindowLogic::localItemData(uint32_t itemId, OSType property, std::string& out) {
    if (itemId == 0 || itemId > sharers.size()) {
        out.clear();
        return sharerField(SHARER{}, property) ? noErr : errDataBrowserPropertyNotSupported;
    }
    const char* field = sharerField(sharers[itemId - 1], property);
    if (!field) return errDataBrowserPropertyNotSupported;
    out = field;
    return noErr;
}

bool PreferencesWindowLogic::localItemLess(uint32_t itemA, uint32_t itemB, OSType property) {
    const bool known = itemA >= 1 && itemB >= 1 && itemA <= sharers.size() && itemB <= sharers.size();
    const char* a = known ? sharerField(sharers[itemA - 1], property) : nullptr;
    const char* b = known ? sharerField(sharers[itemB - 1], property) : nullptr;
    if (!a || !b) return itemA < itemB;
    return std::strcmp(a, b) < 0;
}

void PreferencesWindowLogic::friendListSelection(int32_t row) {
    iFriendListItemSelected = row;
    if (row < 0) {
        controls.setEnabled(CID_SHARING_BTTN_removeFriend, false);
        return;
    }
    iLocalListItemSelected = -1;
    controls.clearSelection(CID_SHARING_LBOX_seeLocalFriends);
    afterSelection();
}

void PreferencesWindowLogic::localListSelection(int32_t row) {
    iLocalListItemSelected = row;
    if (row < 0) return;
    iFriendListItemSelected = -1;
    controls.clearSelection(CID_SHARING_LBOX_friendList);
    afterSelection();
}

// The selected row of either list fills the add-friend box; only a friend can be removed.
void PreferencesWindowLogic::afterSelection() {
    const bool friendChosen = iFriendListItemSelected >= 0;
    const bool localChosen =
        iLocalListItemSelected >= 0 && static_cast<std::size_t>(iLocalListItemSelected) < sharers.size();
    if (friendChosen && !localChosen) {
        controls.setEnabled(CID_SHARING_BTTN_removeFriend, true);
        controls.setText(CID_SHARING_TBOX_addFriend,
                         friendAt(*root.friends, static_cast<uint32_t>(iFriendListItemSelected)));
    } else if (localChosen && !friendChosen) {
        controls.setEnabled(CID_SHARING_BTTN_removeFriend, false);
        controls.setText(CID_SHARING_TBOX_addFriend,
                         sharers[static_cast<std::size_t>(iLocalListItemSelected)].username);
    } else if (!friendChosen && !localChosen) {
        controls.setEnabled(CID_SHARING_BTTN_removeFriend, false);
        controls.setText(CID_SHARING_TBOX_addFriend, "");
    }
}
