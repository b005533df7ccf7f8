#include "tests/engine/engine_root.h"
#include "tests/support/temp_home.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::string_literals;

namespace {

constexpr const char* kDefaultFilters =
    "Import@@Extra tracks@@Original recording remastered@@Limited Edition@@Soundtrack@@Non-Active Artist@@";

// A file as a save writes it; each test spoils the lines it is about.
std::vector<std::string> goodLines() {
    return {"/nowhere/library.xml",
            "2000000000",
            "2030@@6@@15",
            "Seattle@@WA@@40@@4.760620e+01@@-1.223321e+02",
            "1@@1@@0@@0@@0@@1@@1@@1@@1@@0@@0",
            "/ics/Voxtrail.ics",
            "kim@@Kim@@Gordon@@",
            "thurston@@lee@@",
            "Import@@Deluxe@@",
            "0@@1@@1@@2030@@7@@1@@Sonic Youth@@Showbox@@Seattle, WA@@http://x/1@@-@@"};
}

std::string join(const std::vector<std::string>& lines, const char* end = "\n") {
    std::string out;
    for (const std::string& l : lines)
        out += l + end;
    return out;
}

std::vector<std::string> names(FRIENDLIST& list) {
    std::vector<std::string> out;
    for (FRIENDNAME* n = list.head; n; n = n->next)
        out.emplace_back(n->name);
    return out;
}

std::vector<std::string> artists(SHOWLIST& list) {
    std::vector<std::string> out;
    for (SHOWENTRY* e = list.head; e; e = e->next)
        out.emplace_back(e->artist);
    return out;
}

class PreferencesReader : public ::testing::Test {
  protected:
    void TearDown() override { root.reset(); }
    // Start-up reads the file found in the home folder.
    void startWith(const std::string& bytes) {
        TempHome::writeFile(home.preferences(), bytes);
        root = std::make_unique<EngineRoot>();
    }
    void startWith(const std::vector<std::string>& lines) { startWith(join(lines)); }

    std::string text(void (ProtectedData::*get)(char*)) {
        char buffer[1024];
        (root->state.*get)(buffer);
        return buffer;
    }
    std::string filters() {
        char buffer[512];
        root->state.getFilterString(buffer);
        return buffer;
    }
    // A fresh install's switches: every show exported and shared, both notices on, the rest off.
    bool freshSwitches() {
        ProtectedData& st = root->state;
        return !st.getExportTo_iCal() && st.getExportAllShows() && !st.getExportTo_Outlook() &&
               !st.getExportTo_Google() && !st.getVoxtrail_version_update() && !st.getSharing() &&
               st.getShareAllShows() && st.getNotifyConcerts() && st.getNotifyAlbums() &&
               !st.getNotificationWindowStyle() && !st.getiPhoneSync();
    }

    TempHome home;
    std::unique_ptr<EngineRoot> root;
};

TEST_F(PreferencesReader, AWellFormedFileIsReadAndCountsAsValid) {
    startWith(goodLines());
    EXPECT_TRUE(root->state.getValid_preference_file());
    EXPECT_EQ(text(&ProtectedData::getCurCityDisplay), "Seattle");
    EXPECT_EQ(root->state.getLastSearch_y(), 2030);
    EXPECT_THAT(names(*root->friends), ElementsAre("thurston", "lee"));
    EXPECT_EQ(filters(), "Import@@Deluxe@@");
    EXPECT_THAT(artists(*root->concerts), ElementsAre("Sonic Youth"));
    // A saved place is searched again as it is, on its schedule.
    EXPECT_FALSE(root->engine.useIpLocation);
    EXPECT_EQ(root->engine.nextUpdateTime, 2000000000);
    EXPECT_EQ(root->engine.loadPrefs(), -1);
}

TEST_F(PreferencesReader, AMissingFileOrAnEmptyFirstLineGivesTheDefaultFiltersAndNothingElse) {
    root = std::make_unique<EngineRoot>();
    EXPECT_EQ(filters(), kDefaultFilters);
    EXPECT_TRUE(root->engine.useIpLocation);
    root.reset();

    std::vector<std::string> lines = goodLines();
    lines[0] = "";
    startWith(lines);
    EXPECT_EQ(filters(), kDefaultFilters);
    EXPECT_TRUE(root->engine.useIpLocation);
    EXPECT_EQ(root->engine.nextUpdateTime, 0);
    EXPECT_EQ(text(&ProtectedData::getCurCity), "-");
    EXPECT_THAT(names(*root->friends), IsEmpty());
    EXPECT_EQ(root->concerts->size(), 0u);
    EXPECT_EQ(root->engine.loadPrefs(), 0);
}

TEST_F(PreferencesReader, BadScheduleDateAndPlaceLinesFallBack) {
    std::vector<std::string> lines = goodLines();
    lines[1] = "soon";
    lines[2] = "2030@@6";
    lines[3] = "-@@-@@far@@north@@-1.0e+00";
    startWith(lines);
    EXPECT_EQ(root->engine.nextUpdateTime, 1);
    EXPECT_EQ(root->state.getLastSearch_y(), 1);
    EXPECT_EQ(root->state.getLastSearch_m(), 1);
    EXPECT_EQ(root->state.getLastSearch_d(), 1);
    EXPECT_EQ(text(&ProtectedData::getCurCity), "");
    EXPECT_EQ(text(&ProtectedData::getCurStateDisplay), "");
    // An unreadable radius or latitude keeps the defaults; the longitude still reads.
    EXPECT_EQ(text(&ProtectedData::getCurSearchRadiusDisplay), "75");
    EXPECT_EQ(root->state.getCurSearchRadius(), 75);
    EXPECT_EQ(root->state.getCurLat(), 0.0);
    EXPECT_EQ(root->state.getCurLon(), -1.0);
    EXPECT_FALSE(root->state.getValid_preference_file());
}

TEST_F(PreferencesReader, ASwitchLineWithoutElevenNumbersKeepsAFreshInstallsSwitches) {
    for (const char* bad : {"1@@1@@1@@1@@1@@1@@1@@1@@1@@1", "1@@1@@1@@1@@1@@x@@1@@1@@1@@1@@1", "",
                            "1@1@1@1@1@1@1@1@1@1@1", "1 @@1@@1@@1@@1@@1@@1@@1@@1@@1@@1"}) {
        std::vector<std::string> lines = goodLines();
        lines[4] = bad;
        startWith(lines);
        EXPECT_TRUE(freshSwitches()) << bad;
        EXPECT_FALSE(root->state.getValid_preference_file()) << bad;
        root.reset();
    }
    // Eleven numbers with anything behind the last, as "%d" reads them.
    std::vector<std::string> lines = goodLines();
    lines[4] = "0@@0@@0@@0@@0@@0@@0@@0@@0@@0@@7 and more";
    startWith(lines);
    EXPECT_TRUE(root->state.getiPhoneSync());
    EXPECT_FALSE(root->state.getExportTo_iCal());
}

TEST_F(PreferencesReader, AccountFriendAndFilterLinesTakeOnlyFieldsEndedBySeparators) {
    std::vector<std::string> lines = goodLines();
    lines[6] = "-@@Kim@@Gordon";
    lines[7] = "thurston@@lee";
    lines[8] = "Import@@" + std::string(64, 'x') + "@@Deluxe@@";
    startWith(lines);
    EXPECT_EQ(text(&ProtectedData::getUsername), "");
    EXPECT_EQ(text(&ProtectedData::getFirstname), "Kim");
    EXPECT_EQ(text(&ProtectedData::getLastname), "");
    EXPECT_THAT(names(*root->friends), ElementsAre("thurston"));
    // A filter line that does not read whole gives a fresh install's filters.
    EXPECT_EQ(filters(), kDefaultFilters);
    EXPECT_FALSE(root->state.getValid_preference_file());
}

TEST_F(PreferencesReader, ANameOfSixtyThreeCharactersIsKept) {
    std::vector<std::string> lines = goodLines();
    lines[7] = std::string(63, 'f') + "@@" + "FRIEND@@friend@@";
    startWith(lines);
    // Names equal but for letter case are one friend.
    EXPECT_THAT(names(*root->friends), ElementsAre(std::string(63, 'f'), "FRIEND"));
    EXPECT_TRUE(root->state.getValid_preference_file());
}

TEST_F(PreferencesReader, MalformedShowLinesAreSkippedAndTheRestRead) {
    std::vector<std::string> lines = goodLines();
    lines.pop_back();
    lines.insert(lines.end(),
                 {
                     "x@@0@@0@@2030@@7@@1@@Bad Kind@@v@@l@@u@@-@@",
                     "3@@0@@0@@2030@@7@@1@@Unknown Kind@@v@@l@@u@@-@@",
                     "0@@0@@0@@year@@7@@1@@Bad Year@@v@@l@@u@@-@@",
                     "0@@0@@0@@2030@@13@@1@@Month Thirteen@@v@@l@@u@@-@@",
                     "0@@0@@0@@2030@@7@@0@@Day Zero@@v@@l@@u@@-@@",
                     "0@@0@@0@@99999999999@@7@@1@@Huge Year@@v@@l@@u@@-@@",
                     "0@@0@@0@@2031@@2@@29@@No Leap Day@@v@@l@@u@@-@@",
                     "0@@0@@0@@2031@@4@@31@@April Thirty-One@@v@@l@@u@@-@@",
                     "0@@0@@0@@2030@@7@@1@@Nul\0Byte@@v@@l@@u@@-@@"s,
                     "0@@0@@0@@2030@@7@@1@@Label Damaged@@v@@l@@u@@-@@a\x03"
                     "b@@",
                     "",
                     "0@@yes@@true@@2030@@7@@2@@Loose Flags@@Venue@@Place@@http://x@@Other@@label@@tail",
                     "1@@1@@0@@2030@@7@@3@@Short Line",
                     "2@@1@@1@@2030@@8@@1@@Album Artist@@Album@@-@@http://a@@-@@Import@@",
                 });
    startWith(lines);
    EXPECT_FALSE(root->state.getValid_preference_file());
    ASSERT_THAT(artists(*root->concerts), ElementsAre("Loose Flags"));
    const SHOWENTRY* loose = root->concerts->head;
    EXPECT_FALSE(loose->selected);
    EXPECT_FALSE(loose->ticketsAvailable);
    EXPECT_STREQ(loose->otherArtists, "Other");
    // Only labels ended by "@@" count.
    ASSERT_EQ(loose->nameList->size(), 1u);
    EXPECT_STREQ(loose->nameList->head->name, "label");

    ASSERT_THAT(artists(*root->friendShows), ElementsAre("Short Line"));
    EXPECT_TRUE(root->friendShows->head->selected);
    EXPECT_STREQ(root->friendShows->head->location, "-");
    ASSERT_THAT(artists(*root->albumReleases), ElementsAre("Album Artist"));
    EXPECT_TRUE(root->state.isFilterOn(root->albumReleases->head->nameList));
}

TEST_F(PreferencesReader, LongTextsAreCutToTheirFields) {
    std::vector<std::string> lines = goodLines();
    lines[0] = std::string(5000, 'p');
    lines[3] = std::string(3000, 'c') + "@@WA@@40@@1.0@@2.0";
    lines.push_back("0@@0@@0@@2030@@7@@9@@" + std::string(400, 'a') + "@@v@@l@@u@@" + std::string(2000, 'o') +
                    "@@" + std::string(100, 'n') + "@@");
    startWith(lines);
    EXPECT_EQ(text(&ProtectedData::getiTunes_xml_path), std::string(1023, 'p'));
    EXPECT_EQ(text(&ProtectedData::getCurCity), std::string(255, 'c'));
    ASSERT_EQ(root->concerts->size(), 2u);
    const SHOWENTRY* longOne = root->concerts->tail;
    EXPECT_EQ(std::string(longOne->artist), std::string(255, 'a'));
    EXPECT_EQ(std::string(longOne->otherArtists), std::string(1023, 'o'));
    EXPECT_EQ(std::string(longOne->nameList->head->name), std::string(63, 'n'));
}

TEST_F(PreferencesReader, CrLfLineEndsReadLikeLineFeeds) {
    startWith(join(goodLines(), "\r\n"));
    EXPECT_TRUE(root->state.getValid_preference_file());
    EXPECT_EQ(text(&ProtectedData::getiTunes_xml_path), "/nowhere/library.xml");
    EXPECT_EQ(text(&ProtectedData::getiCalLoc), "/ics/Voxtrail.ics");
    EXPECT_TRUE(root->state.getExportTo_iCal());
    EXPECT_EQ(filters(), "Import@@Deluxe@@");
    EXPECT_THAT(artists(*root->concerts), ElementsAre("Sonic Youth"));
}

TEST_F(PreferencesReader, BinaryBytesAndATruncatedFileAreSurvived) {
    std::string bytes = "/lib.xml\n";
    for (int i = 0; i < 100000; ++i)
        bytes += static_cast<char>((i * 131) % 256);
    bytes += "\n\0\0@@@@\n"s;
    bytes += std::string(1 << 20, '@') + "\n";
    bytes += "0@@1@@0@@2030@@7@@1@@Survivor@@";
    startWith(bytes);
    EXPECT_FALSE(root->state.getValid_preference_file());
    EXPECT_THAT(artists(*root->concerts), ElementsAre("Survivor"));
    EXPECT_EQ(text(&ProtectedData::getiTunes_xml_path), "/lib.xml");

    // A file that stops after its third line is read as far as it goes; its place is located
    // at once.
    root.reset();
    std::vector<std::string> lines = goodLines();
    lines.resize(3);
    startWith(lines);
    EXPECT_FALSE(root->state.getValid_preference_file());
    EXPECT_EQ(root->state.getLastSearch_m(), 6);
    EXPECT_TRUE(root->engine.useIpLocation);
    EXPECT_EQ(root->engine.nextUpdateTime, 1);
}

// ---- Damaged files ----

TEST_F(PreferencesReader, FieldsThatDoNotReadTakeTheirDefaultsAndThePlaceIsLocatedAgain) {
    std::vector<std::string> lines = goodLines();
    lines[0] = "/lib\0rary.xml"s;
    lines[2] = "2030@@2@@30";
    lines[3] = "Sea\x01ttle@@WA@@40@@4.760620e+01@@-1.223321e+02";
    lines[6] = "k\x1bm@@Kim@@Gordon@@";
    lines[7] = "thurston@@l\x7f\x7f"
               "e@@kim@@";
    lines[9] += "\n0@@1@@0@@2030@@7@@2@@Ven\x02ue Damaged@@v@@l@@u@@-@@";
    startWith(lines);
    EXPECT_FALSE(root->state.getValid_preference_file());
    EXPECT_EQ(text(&ProtectedData::getiTunes_xml_path),
              home.path() + "/Music/iTunes/iTunes Music Library.xml");
    EXPECT_EQ(root->state.getLastSearch_y(), 1);
    EXPECT_EQ(text(&ProtectedData::getCurCityDisplay), "");
    EXPECT_EQ(text(&ProtectedData::getCurStateDisplay), "");
    EXPECT_TRUE(root->engine.useIpLocation);
    EXPECT_EQ(root->engine.nextUpdateTime, 1);
    EXPECT_EQ(root->state.getCurSearchRadius(), 40);
    EXPECT_EQ(text(&ProtectedData::getUsername), "");
    EXPECT_EQ(text(&ProtectedData::getFirstname), "Kim");
    EXPECT_THAT(names(*root->friends), ElementsAre("thurston", "kim"));
    EXPECT_THAT(artists(*root->concerts), ElementsAre("Sonic Youth"));
}

TEST_F(PreferencesReader, ARadiusOrPositionThatIsNoSuchNumberKeepsItsDefaultButThePlaceStays) {
    for (const char* radius : {"0", "-40", "4O", "", "99999999999", "301"}) {
        std::vector<std::string> lines = goodLines();
        lines[3] = "Seattle@@WA@@"s + radius + "@@91.0@@-1.0e+999";
        startWith(lines);
        EXPECT_EQ(root->state.getCurSearchRadius(), 75) << radius;
        EXPECT_EQ(text(&ProtectedData::getCurSearchRadiusDisplay), "75") << radius;
        EXPECT_EQ(root->state.getCurLat(), 0.0) << radius;
        EXPECT_EQ(root->state.getCurLon(), 0.0) << radius;
        EXPECT_EQ(text(&ProtectedData::getCurCityDisplay), "Seattle") << radius;
        EXPECT_FALSE(root->engine.useIpLocation) << radius;
        // The list may be another radius's: it is searched again at once.
        EXPECT_EQ(root->engine.nextUpdateTime, 1) << radius;
        root.reset();
    }
}

TEST_F(PreferencesReader, APlaceLineOfOtherThanFiveFieldsOrOfNoPlaceNamesNoPlace) {
    // As an artist "Band@@Name" once shifted a show's fields, "@@" in a city shifts the place's.
    // A save before any place was found names none: it is located as a fresh install is.
    for (const char* place : {"Seattle", "Sea@@ttle@@WA@@40@@4.7e+01@@-1.2e+02", "Seattle@@WA@@40@@4.7e+01",
                              "-@@-@@75@@0.000000e+00@@0.000000e+00"}) {
        std::vector<std::string> lines = goodLines();
        lines[3] = place;
        startWith(lines);
        EXPECT_EQ(text(&ProtectedData::getCurCityDisplay), "") << place;
        EXPECT_TRUE(root->engine.useIpLocation) << place;
        root.reset();
    }
}

TEST_F(PreferencesReader, AFileOfRandomBytesStartsFromDefaultsAndIsSavedClean) {
    std::mt19937 generator(11);
    std::string bytes;
    for (int i = 0; i < 200000; ++i)
        bytes += static_cast<char>(i % 97 == 0 ? '\n' : generator() % 256);
    startWith(bytes);
    EXPECT_TRUE(root->engine.useIpLocation);
    EXPECT_EQ(text(&ProtectedData::getCurCityDisplay), "");
    EXPECT_EQ(root->state.getCurSearchRadius(), 75);
    for (SHOWLIST* list : {root->concerts, root->friendShows, root->albumReleases})
        EXPECT_EQ(list->size(), 0u);

    // The save that follows holds no control byte but its line ends.
    root->engine.genPref();
    const std::string saved = TempHome::read(home.preferences());
    EXPECT_EQ(
        std::count_if(saved.begin(), saved.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t'; }),
        0);
    EXPECT_EQ(saved.substr(saved.find('\n', saved.find('\n', saved.find('\n') + 1) + 1) + 1, 10),
              "-@@-@@75@@");
}

TEST_F(PreferencesReader, HugeLinesAndHugeListsAreReadUpToABoundKeepingTheirStart) {
    std::vector<std::string> lines = goodLines();
    std::string friends, labels;
    for (int i = 0; friends.size() < (5u << 20); ++i)
        friends += "friend" + std::to_string(i) + "@@";
    for (int i = 0; labels.size() < (5u << 20); ++i)
        labels += "label" + std::to_string(i) + "@@";
    lines[7] = friends;
    lines[9] += labels;
    for (int i = 0; i < 30000; ++i)
        lines.push_back("2@@0@@0@@2030@@" + std::to_string(1 + i % 12) + "@@" + std::to_string(1 + i % 28) +
                        "@@Band " + std::to_string(i) + "@@Album@@-@@u@@-@@");
    startWith(lines);
    EXPECT_EQ(root->friends->size(), 1000u);
    EXPECT_STREQ(root->friends->head->name, "friend0");
    ASSERT_EQ(root->concerts->size(), 1u);
    EXPECT_EQ(root->concerts->head->nameList->size(), 256u);
    EXPECT_EQ(root->albumReleases->size(), 10000u);
    EXPECT_FALSE(root->state.getValid_preference_file());
}

} // namespace
