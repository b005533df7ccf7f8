// The preferences window's decisions, driven through in-memory controls.
#include "common/fixed_text.h"
#include "fake_window.h"
#include "plugin/engine/cal_get_data.h"
#include "tests/support/temp_home.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::Pair;

namespace {

class PreferencesLogicTest : public ::testing::Test {
  protected:
    TempHome home;
    PluginData root;
    FakeControls controls;
    FakeOutside outside;
    PreferencesWindowLogic logic{root, controls, outside};

    PreferencesLogicTest() {
        outside.friends = root.friends;
        root.state.setOSXVersion(10.6f);
        root.state.setiCalLoc("/home/me/corestorage.ics");
        root.state.setVoxtrailIncludeBandsList(home.includeFile().c_str());
        root.state.setVoxtrailExcludeBandsList(home.excludeFile().c_str());
        root.state.setiTunes_xml_path("/music/library.xml");
    }

    // A user's click: check boxes and radio buttons toggle before the handler runs.
    OSStatus click(ControlID c) {
        const PreferenceControl* control = findPreferenceControl(c.id);
        if (control->kind == ControlKind::CheckBox || control->kind == ControlKind::RadioButton)
            controls.values[c.id] = !controls.values[c.id];
        return logic.controlHit(c.id);
    }
    OSStatus type(ControlID c, const std::string& text) {
        controls.texts[c.id] = text;
        logic.keyReleased();
        return noErr;
    }
    std::vector<std::string> friendNames() {
        std::vector<std::string> names;
        for (FRIENDNAME* f = root.friends->head; f; f = f->next)
            names.push_back(f->name);
        return names;
    }
};

TEST_F(PreferencesLogicTest, AddingAFriendChecksTheNameBeforeAskingTheService) {
    logic.fill();
    struct Case {
        const char* typed;
        const char* title;
        const char* message;
    } cases[] = {
        {"   ", "Empty username.", "Please enter a friend name in the text box."},
        {"a-b", "Illegal characters.", "Names can only only contain letters, numbers, and spaces."},
        {"caf\xc3\xa9", "Illegal characters.", "Names can only only contain letters, numbers, and spaces."}};
    for (const Case& c : cases) {
        controls.texts[CID_SHARING_TBOX_addFriend.id] = c.typed;
        click(CID_SHARING_BTTN_addFriend);
        EXPECT_THAT(outside.alerts.back(), Pair(c.title, c.message)) << c.typed;
    }
    EXPECT_TRUE(outside.checkedNames.empty());
    EXPECT_TRUE(friendNames().empty());
    EXPECT_FALSE(logic.friendsListChanged);
}

TEST_F(PreferencesLogicTest, TheUsersOwnNameIsNoFriend) {
    root.state.setUsername("Mia Lane");
    logic.fill();
    // The saved name, and a new one typed into the sharing tab but not yet saved.
    for (const char* typed : {" mia LANE ", "Newname"}) {
        controls.texts[CID_SHARING_TBOX_userName.id] = "newname";
        controls.texts[CID_SHARING_TBOX_addFriend.id] = typed;
        click(CID_SHARING_BTTN_addFriend);
        ASSERT_FALSE(outside.alerts.empty()) << typed;
        EXPECT_EQ(outside.alerts.back().first, "That is your own username.") << typed;
    }
    EXPECT_TRUE(outside.checkedNames.empty());
    EXPECT_TRUE(friendNames().empty());
}

TEST_F(PreferencesLogicTest, AServiceAnswerDecidesWhetherTheFriendIsAdded) {
    logic.fill();
    controls.texts[CID_SHARING_TBOX_addFriend.id] = "  ghost  ";
    outside.userExists = 1;
    click(CID_SHARING_BTTN_addFriend);
    EXPECT_THAT(outside.alerts.back(), Pair("Unknown username.", "That friend name could not be found."));
    outside.userExists = 2;
    click(CID_SHARING_BTTN_addFriend);
    EXPECT_EQ(outside.alerts.back().first, "Internet problem.");
    EXPECT_TRUE(friendNames().empty());

    outside.userExists = 0;
    controls.texts[CID_SHARING_TBOX_addFriend.id] = "  Jo Smith ";
    click(CID_SHARING_BTTN_addFriend);
    EXPECT_EQ(outside.checkedNames.back(), "Jo Smith");
    EXPECT_THAT(friendNames(), ElementsAre("Jo Smith"));
    EXPECT_EQ(controls.rows[CID_SHARING_LBOX_friendList.id],
              (std::vector<std::vector<std::string>>{{"Jo Smith"}}));
    EXPECT_EQ(controls.texts[CID_SHARING_TBOX_addFriend.id], "");
    logic.friendsListChanged = false;
    controls.texts[CID_SHARING_TBOX_addFriend.id] = "jo smith";
    click(CID_SHARING_BTTN_addFriend);
    EXPECT_THAT(friendNames(), ElementsAre("Jo Smith"));
    EXPECT_FALSE(logic.friendsListChanged);

    // The friend list is changed at once: Cancel keeps the friend but saves nothing.
    click(CID_MAIN_BTTN_cancel);
    EXPECT_TRUE(controls.hidden);
    EXPECT_THAT(friendNames(), ElementsAre("Jo Smith"));
    EXPECT_EQ(outside.saves, 0);
    EXPECT_TRUE(outside.updates.empty());
}

TEST_F(PreferencesLogicTest, OKAfterAddingAFriendAsksForTheFriendsStep) {
    logic.fill();
    controls.texts[CID_SHARING_TBOX_addFriend.id] = "pal";
    click(CID_SHARING_BTTN_addFriend);
    EXPECT_EQ(click(CID_MAIN_BTTN_ok), kPrefsHandled);
    EXPECT_THAT(outside.updates, ElementsAre(1u | kUpdateFriends));
    EXPECT_GE(outside.saves, 1);
}

TEST_F(PreferencesLogicTest, OKWithNothingChangedSavesAndAsksForNoUpdate) {
    home.write("Library/Application Support/Voxtrail/VoxtrailIncludeBands.txt", "A\n\nB\r\n");
    logic.fill();
    EXPECT_EQ(controls.texts[CID_GENERAL_TBOX_includeArtists.id], "A\rB");
    EXPECT_EQ(click(CID_MAIN_BTTN_ok), kPrefsHandled);
    EXPECT_TRUE(controls.hidden);
    EXPECT_EQ(outside.saves, 1);
    EXPECT_TRUE(outside.updates.empty());
    EXPECT_TRUE(outside.alerts.empty());
}

TEST_F(PreferencesLogicTest, ChangedArtistListsAreWrittenAndRefreshEverything) {
    logic.fill();
    controls.texts[CID_GENERAL_TBOX_excludeArtists.id] = "One\rTwo";
    click(CID_MAIN_BTTN_ok);
    EXPECT_EQ(TempHome::read(home.excludeFile()), "One\nTwo");
    EXPECT_THAT(outside.updates, ElementsAre(kUpdateAll));
}

TEST_F(PreferencesLogicTest, TheiCalLocationIsEditableOnlyBefore10_5) {
    root.state.setExportTo_iCal(true);
    logic.fill();
    EXPECT_FALSE(controls.enabled[CID_EXPORTING_TBOX_iCalPath.id]);
    EXPECT_FALSE(controls.enabled[CID_EXPORTING_BTTN_iCalPath.id]);
    EXPECT_TRUE(controls.enabled[CID_EXPORTING_RBTN_exportAll.id]);

    root.state.setOSXVersion(10.4f);
    logic.fill();
    EXPECT_TRUE(controls.enabled[CID_EXPORTING_TBOX_iCalPath.id]);
    click(CID_EXPORTING_CBOX_exportToiCal); // off
    EXPECT_FALSE(controls.enabled[CID_EXPORTING_TBOX_iCalPath.id]);
    EXPECT_FALSE(controls.enabled[CID_EXPORTING_RBTN_exportHighlighted.id]);
    click(CID_EXPORTING_CBOX_exportToiCal); // on again
    EXPECT_TRUE(controls.enabled[CID_EXPORTING_BTTN_iCalPath.id]);

    outside.chosenFile = "/elsewhere/corestorage.ics";
    click(CID_EXPORTING_BTTN_iCalPath);
    click(CID_MAIN_BTTN_ok);
    EXPECT_THAT(outside.updates, ElementsAre(3u));
    char stored[1024];
    root.state.getiCalLoc(stored);
    EXPECT_STREQ(stored, "/elsewhere/corestorage.ics");
}

TEST_F(PreferencesLogicTest, BitsAskedForTwiceAreAskedForOnce) {
    logic.fill();
    click(CID_EXPORTING_CBOX_exportToiCal);
    controls.texts[CID_EXPORTING_TBOX_iCalPath.id] = "/x.ics";
    click(CID_SHARING_CBOX_shareCal); // on, with an empty user name
    controls.texts[CID_SHARING_TBOX_userName.id] = "me";
    click(CID_MAIN_BTTN_ok);
    EXPECT_THAT(outside.updates, ElementsAre(1u | kUpdateConcerts | kUpdateShared));
}

TEST_F(PreferencesLogicTest, SharingRegistersTheNameAndReportsEachRefusal) {
    logic.fill();
    EXPECT_FALSE(controls.enabled[CID_SHARING_TBOX_userName.id]);
    click(CID_SHARING_CBOX_shareCal);
    EXPECT_TRUE(controls.enabled[CID_SHARING_TBOX_userName.id]);

    EXPECT_EQ(click(CID_MAIN_BTTN_ok), kPrefsValidationAlert);
    EXPECT_THAT(outside.alerts.back(), Pair("Empty username.", "Please enter a username."));
    controls.texts[CID_SHARING_TBOX_userName.id] = "me";
    controls.texts[CID_SHARING_TBOX_lastName.id] = "O'Neil!";
    click(CID_MAIN_BTTN_ok);
    EXPECT_EQ(
        outside.lastAlertText(),
        "You can use letters, numbers, spaces, apostrophes and hyphens in the last name, but not \"!\".");
    controls.texts[CID_SHARING_TBOX_lastName.id] = "O'Neil";
    outside.sharingResult = 1;
    EXPECT_EQ(click(CID_MAIN_BTTN_ok), kPrefsValidationAlert);
    EXPECT_THAT(outside.alerts.back(),
                Pair("Username already taken.",
                     "Sorry, that username is already taken.  Please try a different username."));
    EXPECT_FALSE(controls.hidden);
    EXPECT_TRUE(outside.updates.empty());

    outside.sharingResult = 0;
    controls.texts[CID_SHARING_TBOX_userName.id] = " me2 ";
    EXPECT_EQ(click(CID_MAIN_BTTN_ok), kPrefsHandled);
    char name[64];
    root.state.getUsername(name);
    EXPECT_STREQ(name, "me2");
    EXPECT_TRUE(root.state.getSharing());
    EXPECT_EQ(outside.sharingRegistrations, 2);
    EXPECT_THAT(outside.updates, ElementsAre(1u | kUpdateConcerts | kUpdateShared));

    // An account the service no longer knows has no feed; OK registers it again unchanged.
    outside.feedResult = 1;
    logic.fill();
    click(CID_MAIN_BTTN_ok);
    EXPECT_EQ(outside.sharingRegistrations, 3);
    outside.feedResult = 0;
    logic.fill();
    click(CID_MAIN_BTTN_ok);
    EXPECT_EQ(outside.sharingRegistrations, 3);
}

// Names as people write them pass in every script; a refused character is named, by its code
// when it does not show.
TEST_F(PreferencesLogicTest, FirstNamesOfEveryScriptAndTheirRefusals) {
    const std::pair<const char*, const char*> names[] = {{"Zoe\xcc\x88", ""},
                                                         {"O\xe2\x80\x99"
                                                          "Brien-Lee",
                                                          ""},
                                                         {"\xe6\x9d\x8e", ""},
                                                         {"Ann@Lee", "\"@\""},
                                                         {"Ann\xe2\x80\x8b", "U+200B"},
                                                         {"Ann\xff", "byte 0xFF"}};
    logic.fill();
    click(CID_SHARING_CBOX_shareCal);
    controls.texts[CID_SHARING_TBOX_userName.id] = "me";
    for (const auto& [name, refused] : names) {
        controls.texts[CID_SHARING_TBOX_firstName.id] = name;
        outside.alerts.clear();
        click(CID_MAIN_BTTN_ok);
        char stored[256];
        root.state.getFirstname(stored);
        EXPECT_EQ(outside.lastAlertText(),
                  *refused ? "You can use letters, numbers, spaces, apostrophes and hyphens "
                             "in the first name, but not " +
                                 std::string(refused) + "."
                           : "");
        EXPECT_EQ(std::string(stored) == name, !*refused) << name;
    }
}

TEST_F(PreferencesLogicTest, AnOKEndedByAnAlertStillAsksForWhatItStored) {
    logic.fill();
    controls.texts[CID_GENERAL_TBOX_libraryPath.id] = "/other/library.xml";
    click(CID_IPHONE_CBOX_sync);
    controls.texts[CID_IPHONE_TBOX_userName.id] = "me";
    controls.texts[CID_IPHONE_TBOX_password.id] = "pass!";
    EXPECT_EQ(click(CID_MAIN_BTTN_ok), kPrefsValidationAlert);
    EXPECT_THAT(outside.alerts.back(),
                Pair("Illegal characters.", "You can only use letters and numbers in your password."));
    EXPECT_TRUE(outside.passwords.empty());

    controls.texts[CID_IPHONE_TBOX_password.id] = "pass1";
    EXPECT_EQ(click(CID_MAIN_BTTN_ok), kPrefsHandled);
    EXPECT_THAT(outside.passwords, ElementsAre("pass1"));
    EXPECT_EQ(outside.phoneRegistrations, 1);
    // The library path was stored by the first press; its refresh is not forgotten.
    EXPECT_THAT(outside.updates, ElementsAre(kUpdateAll));
}

TEST_F(PreferencesLogicTest, PhoneAccountChecksAndRegistration) {
    root.state.setUsername("me");
    root.state.setPassword("secret");
    logic.fill();
    click(CID_IPHONE_CBOX_sync);
    EXPECT_TRUE(controls.enabled[CID_IPHONE_TBOX_password.id]);
    // The stored account, only switched on: no registration, but the phone step.
    click(CID_MAIN_BTTN_ok);
    EXPECT_EQ(outside.phoneRegistrations, 0);
    EXPECT_THAT(outside.updates, ElementsAre(1u | kUpdateiPhone));

    logic.fill();
    controls.texts[CID_IPHONE_TBOX_password.id] = "";
    click(CID_MAIN_BTTN_ok);
    EXPECT_THAT(outside.alerts.back(), Pair("Empty password.", "Please enter a password."));
    controls.texts[CID_IPHONE_TBOX_password.id] = "new1";
    outside.phoneResult = 2;
    click(CID_MAIN_BTTN_ok);
    EXPECT_EQ(outside.alerts.back().second,
              "Internet Connection Problem... You must be online to create a new username and password.");
}

TEST_F(PreferencesLogicTest, TheTwoUserNameBoxesStayEqual) {
    root.state.setUsername("old");
    logic.fill();
    type(CID_IPHONE_TBOX_userName, "olde");
    EXPECT_EQ(controls.texts[CID_SHARING_TBOX_userName.id], "olde");
    type(CID_SHARING_TBOX_userName, "ol");
    EXPECT_EQ(controls.texts[CID_IPHONE_TBOX_userName.id], "ol");
    EXPECT_STREQ(logic.currentUsername, "ol");
    type(CID_SHARING_TBOX_userName, std::string(10000, 'x'));
    EXPECT_EQ(controls.texts[CID_IPHONE_TBOX_userName.id], std::string(63, 'x'));
}

TEST_F(PreferencesLogicTest, RadioButtonsMoveTheirPartner) {
    logic.fill();
    EXPECT_EQ(controls.values[CID_NOTIFICATIONS_RBTN_defaultWindow.id], 1);
    click(CID_NOTIFICATIONS_RBTN_growlWindow);
    EXPECT_EQ(controls.values[CID_NOTIFICATIONS_RBTN_defaultWindow.id], 0);
    click(CID_MAIN_BTTN_ok);
    EXPECT_TRUE(root.state.getNotificationWindowStyle());
    EXPECT_EQ(outside.growls, 1);
}

TEST_F(PreferencesLogicTest, FormatBoxesShowAndSetTheFilter) {
    root.state.addFormatFilter("Live");
    logic.fill();
    EXPECT_EQ(controls.values[CID_RELEASES_CBOX_live.id], 0);
    EXPECT_EQ(controls.values[CID_RELEASES_CBOX_eps.id], 1);
    click(CID_RELEASES_CBOX_live);
    click(CID_RELEASES_CBOX_eps);
    click(CID_MAIN_BTTN_ok);
    EXPECT_FALSE(root.state.isFilterOn("Live"));
    EXPECT_TRUE(root.state.isFilterOn("EP"));
    EXPECT_TRUE(outside.updates.empty());
}

TEST_F(PreferencesLogicTest, SelectingRowsFillsTheBoxAndRemovesTheFriend) {
    root.friends->add(new FRIENDNAME("ann"));
    root.friends->add(new FRIENDNAME("bob"));
    SHARER zed, amy;
    vx::copyText(zed.username, "zed");
    vx::copyText(amy.username, "amy");
    vx::copyText(amy.city, "Boston");
    outside.nearby = {zed, amy};
    logic.fill();
    click(CID_SHARING_BTTN_seeLocalFriends);
    EXPECT_FALSE(controls.visible[CID_SHARING_BTTN_seeLocalFriends.id]);
    ASSERT_EQ(controls.rows[CID_SHARING_LBOX_seeLocalFriends.id].size(), 2u);
    EXPECT_EQ(controls.rows[CID_SHARING_LBOX_seeLocalFriends.id][0],
              (std::vector<std::string>{"amy", "", "", "Boston", ""}));
    std::string out;
    EXPECT_EQ(logic.localItemData(1, VX_FOURCC('N', 'O', 'N', 'E'), out), errDataBrowserPropertyNotSupported);

    logic.localListSelection(1);
    EXPECT_EQ(controls.texts[CID_SHARING_TBOX_addFriend.id], "zed");
    EXPECT_FALSE(controls.enabled[CID_SHARING_BTTN_removeFriend.id]);
    logic.friendListSelection(1);
    EXPECT_EQ(logic.iLocalListItemSelected, -1);
    EXPECT_EQ(controls.texts[CID_SHARING_TBOX_addFriend.id], "bob");
    EXPECT_TRUE(controls.enabled[CID_SHARING_BTTN_removeFriend.id]);
    click(CID_SHARING_BTTN_removeFriend);
    EXPECT_THAT(friendNames(), ElementsAre("ann"));
    EXPECT_TRUE(logic.friendsListChanged);
    EXPECT_FALSE(controls.enabled[CID_SHARING_BTTN_removeFriend.id]);
    click(CID_SHARING_BTTN_removeFriend); // nothing selected now
    EXPECT_THAT(friendNames(), ElementsAre("ann"));
}

TEST_F(PreferencesLogicTest, UnknownIdsAndPagesAndTheLibraryDialog) {
    logic.fill();
    EXPECT_EQ(logic.controlHit(102), kPrefsHandled);
    EXPECT_EQ(logic.controlHit(5), kPrefsHandled);
    click(CID_IPHONE_BTTN_getApp);
    click(CID_IPHONE_BTTN_watchDemo);
    EXPECT_THAT(outside.pages, ElementsAre("/iphonelink.php", "/iphone.php"));
    click(CID_GENERAL_BTTN_libraryPath); // cancelled
    EXPECT_EQ(controls.texts[CID_GENERAL_TBOX_libraryPath.id], "/music/library.xml");
    outside.chosenFile = "/new/lib.xml";
    click(CID_GENERAL_BTTN_libraryPath);
    EXPECT_EQ(controls.texts[CID_GENERAL_TBOX_libraryPath.id], "/new/lib.xml");
    click(CID_GENERAL_BTTN_libraryPath);
    // Each dialog opens in the folder of the file its box names.
    EXPECT_THAT(outside.chooserFolders, ElementsAre("/music", "/music", "/new"));
}

} // namespace

namespace {

TEST_F(PreferencesLogicTest, PlacesTabTripsAreCheckedBesideTheirFieldAndStoredOnlyWhenTheyRead) {
    logic.fill();
    struct Typed {
        std::vector<std::string> fields;
        ControlID beside;
        const char* message;
    };
    const Typed refused[] = {
        {{" ", "IL", "50", "2099-03-03", "2099-03-07"},
         CID_PLACES_TEXT_cityProblem,
         "Type the city of the trip."},
        {{"Zurich", "ZH", "50", "2099-03-03", "2099-03-07"},
         CID_PLACES_TEXT_stateProblem,
         "Type the country for places outside\nthe US and Canada, such as Switzerland."},
        {{"Chicago", "IL", "301", "2099-03-03", "2099-03-07"},
         CID_PLACES_TEXT_radiusProblem,
         "The radius must be 1 to 300 miles."},
        {{"Chicago", "IL", "50", "2099-02-30", "2099-03-07"},
         CID_PLACES_TEXT_fromProblem,
         "Type the first day as 2027-03-03 or 3/3/2027."},
        {{"Chicago", "IL", "50", "2099-03-07", "3/3/2099"},
         CID_PLACES_TEXT_toProblem,
         "The last day comes before the first."},
        {{"Chicago", "IL", "50", "2001-03-03", "2001-03-07"},
         CID_PLACES_TEXT_toProblem,
         "This trip has ended already."},
    };
    const ControlID boxes[] = {CID_PLACES_TBOX_tripCity, CID_PLACES_TBOX_tripState,
                               CID_PLACES_TBOX_tripRadius, CID_PLACES_TBOX_tripFrom, CID_PLACES_TBOX_tripTo};
    auto typeTrip = [&](const std::vector<std::string>& fields) {
        for (std::size_t i = 0; i < 5; ++i)
            controls.texts[boxes[i].id] = fields[i];
    };
    for (const Typed& t : refused) {
        typeTrip(t.fields);
        EXPECT_EQ(click(CID_MAIN_BTTN_ok), kPrefsValidationAlert) << t.message;
        EXPECT_EQ(controls.texts[t.beside.id], t.message);
        EXPECT_FALSE(controls.hidden);
    }
    EXPECT_TRUE(root.trips.get().empty());
    EXPECT_EQ(outside.saves, 0);

    // Ten trips at most; a trip of one day, in any script, reads.
    typeTrip({"\xe6\x9d\xb1\xe4\xba\xac", "Japan", "300", "3/3/2099", "2099-03-03"});
    EXPECT_EQ(click(CID_PLACES_BTTN_addTrip), kPrefsHandled);
    for (int i = 1; i < 10; ++i) {
        typeTrip({"St. Paul", "Minnesota", "1", "2099-01-01", "2099-12-31"});
        click(CID_PLACES_BTTN_addTrip);
    }
    EXPECT_EQ(controls.rows[CID_PLACES_LBOX_trips.id].size(), 10u);
    EXPECT_FALSE(controls.enabled[CID_PLACES_BTTN_addTrip.id]);
    logic.tripListSelection(9);
    click(CID_PLACES_BTTN_removeTrip);
    EXPECT_EQ(click(CID_MAIN_BTTN_ok), kPrefsHandled);
    ASSERT_EQ(root.trips.get().size(), 9u);
    EXPECT_EQ(root.trips.get()[0],
              (Trip{"\xe6\x9d\xb1\xe4\xba\xac", "Japan", 300, {2099, 3, 3}, {2099, 3, 3}}));
    EXPECT_THAT(outside.updates, ElementsAre(1u | kUpdateConcerts));
}

} // namespace
