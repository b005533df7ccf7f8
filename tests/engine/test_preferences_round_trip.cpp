#include "common/fixed_text.h"
#include "platform/host_services.h"
#include "plugin/model/show_time.h"
#include "plugin/prefsfile/preference_shows.h"
#include "plugin/prefsfile/preferences_file.h"
#include "tests/engine/engine_root.h"
#include "tests/support/host_services_table.h"
#include "tests/support/temp_home.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <vector>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

SHOWENTRY* show(const char* artist, int y, int m, int d, std::vector<const char*> labels = {}) {
    auto* e = new SHOWENTRY;
    vx::copyText(e->artist, artist);
    e->year = y;
    e->month = m;
    e->day = d;
    for (const char* l : labels)
        e->nameList->add(new FRIENDNAME(l));
    return e;
}

std::vector<std::string> labels(const SHOWENTRY* e) {
    std::vector<std::string> out;
    for (FRIENDNAME* n = e->nameList->head; n; n = n->next)
        out.emplace_back(n->name);
    return out;
}

std::vector<std::string> names(FRIENDLIST& list) {
    std::vector<std::string> out;
    for (FRIENDNAME* n = list.head; n; n = n->next)
        out.emplace_back(n->name);
    return out;
}

std::string text(ProtectedData& st, void (ProtectedData::*get)(char*)) {
    char buffer[1024];
    (st.*get)(buffer);
    return buffer;
}

class PreferencesFile : public ::testing::Test {
  protected:
    void SetUp() override { start(); }
    void TearDown() override { stop(); }

    void start() { root = std::make_unique<EngineRoot>(); }
    void stop() { root.reset(); }
    // A second start-up in the same home reads what the first one saved.
    void restart() {
        stop();
        start();
    }
    std::string saved() { return TempHome::read(home.preferences()); }

    TempHome home;
    std::unique_ptr<EngineRoot> root;
};

// Every field of the store and of the three lists, set to values unlike their defaults.
void fillEverything(EngineRoot& root) {
    ProtectedData& st = root.state;
    st.setiTunes_xml_path("/nowhere/My Library.xml");
    st.setCurCity("Portland");
    st.setCurState("OR");
    st.setCurSearchRadius(50);
    st.setCurLat(45.5152);
    st.setCurLon(-122.681);
    st.setExportTo_iCal(true);
    st.setExportAllShows(false);
    st.setExportTo_Outlook(true);
    st.setExportTo_Google(false);
    st.setVoxtrail_version_update(true);
    st.setSharing(true);
    st.setShareAllShows(false);
    st.setNotifyConcerts(false);
    st.setNotifyAlbums(true);
    st.setNotificationWindowStyle(true);
    st.setiPhoneSync(true);
    st.setNotifyShowChanges(false);
    st.setMostPlayedPlays(7);
    st.setiCalLoc("/Users/me/Library/Calendars/Voxtrail.ics");
    st.setUsername("mia");
    st.setFirstname("Mia");
    st.setLastname("Wallace");
    st.removeFormatFilter("Soundtrack");
    st.addFormatFilter("Deluxe");
    root.friends->add(new FRIENDNAME("jules"));
    root.friends->add(new FRIENDNAME("vincent"));
    root.engine.nextUpdateTime = 2000000000;

    SHOWENTRY* gig = show("Radiohead", 2031, 7, 14, {"jules"});
    vx::copyText(gig->venue, "Crystal Ballroom");
    vx::copyText(gig->location, "Portland, OR");
    vx::copyText(gig->url, "http://example.org/gig?id=1&x=2");
    vx::copyText(gig->otherArtists, "Thom Yorke, Atoms for Peace");
    gig->selected = true;
    gig->ticketsAvailable = true;
    vx::copyText(gig->uid, "6ba7b810-9dad-11d1-80b4-00c04fd430c8");
    root.concerts->addShow(gig, nullptr);
    SHOWENTRY* early = show("Beck", 2031, 3, 2);
    vx::copyText(early->venue, "Roseland");
    vx::copyText(early->uid, "0f8fad5b-d9cb-469f-a165-70867728950e");
    root.concerts->addShow(early, nullptr);

    SHOWENTRY* friendShow = show("Wilco", 2031, 8, 1, {"jules", "vincent"});
    vx::copyText(friendShow->venue, "Edgefield");
    friendShow->selected = true;
    root.friendShows->addShow(friendShow, nullptr);

    SHOWENTRY* album = show("Bjork", 2031, 9, 30, {"Import", "Limited Edition"});
    vx::copyText(album->venue, "Fossora");
    vx::copyText(album->location, "somewhere");
    vx::copyText(album->otherArtists, "guests");
    vx::copyText(album->url, "http://example.org/album");
    album->selected = true;
    album->ticketsAvailable = true;
    root.albumReleases->addShow(album, nullptr);
}

TEST_F(PreferencesFile, EveryFieldAndEveryListSurvivesASaveAndTheNextStart) {
    fillEverything(*root);
    root->engine.genPref();

    const std::vector<std::string> file = lines(saved());
    ASSERT_EQ(file.size(), 13u);
    EXPECT_EQ(file[0], "/nowhere/My Library.xml");
    EXPECT_EQ(file[1], "2000000000");
    EXPECT_EQ(file[3], "Portland@@OR@@50@@4.551520e+01@@-1.226810e+02");
    EXPECT_EQ(file[4], "1@@0@@1@@0@@1@@1@@0@@0@@1@@1@@1@@0@@7");
    EXPECT_EQ(file[6], "mia@@Mia@@Wallace@@");
    EXPECT_EQ(file[7], "jules@@vincent@@");
    EXPECT_EQ(
        file[8],
        "Import@@Extra tracks@@Original recording remastered@@Limited Edition@@Non-Active Artist@@Deluxe@@");
    // Concerts in date order, then friends' shows, then album releases.
    // A concert's UID follows its fixed fields, before its labels.
    EXPECT_EQ(file[9], "0@@0@@0@@2031@@3@@2@@Beck@@Roseland@@-@@@@-@@0f8fad5b-d9cb-469f-a165-70867728950e@@");
    EXPECT_EQ(file[10], "0@@1@@1@@2031@@7@@14@@Radiohead@@Crystal Ballroom@@Portland, OR@@"
                        "http://example.org/gig?id=1&x=2@@Thom Yorke, Atoms for Peace@@"
                        "6ba7b810-9dad-11d1-80b4-00c04fd430c8@@jules@@");
    EXPECT_EQ(file[11], "1@@1@@0@@2031@@8@@1@@Wilco@@Edgefield@@-@@@@-@@jules@@vincent@@");
    EXPECT_EQ(
        file[12],
        "2@@0@@0@@2031@@9@@30@@Bjork@@Fossora@@-@@http://example.org/album@@-@@Import@@Limited Edition@@");

    restart();
    ProtectedData& st = root->state;
    EXPECT_TRUE(st.getValid_preference_file());
    EXPECT_FALSE(root->engine.useIpLocation);
    EXPECT_EQ(root->engine.nextUpdateTime, 2000000000);
    EXPECT_EQ(text(st, &ProtectedData::getiTunes_xml_path), "/nowhere/My Library.xml");
    EXPECT_EQ(text(st, &ProtectedData::getCurCity), "Portland");
    EXPECT_EQ(text(st, &ProtectedData::getCurCityDisplay), "Portland");
    EXPECT_EQ(text(st, &ProtectedData::getCurState), "OR");
    EXPECT_EQ(text(st, &ProtectedData::getCurStateDisplay), "OR");
    EXPECT_EQ(text(st, &ProtectedData::getCurSearchRadiusDisplay), "50");
    EXPECT_EQ(st.getCurSearchRadius(), 50);
    EXPECT_NEAR(st.getCurLat(), 45.5152, 1e-5);
    EXPECT_NEAR(st.getCurLon(), -122.681, 1e-5);
    EXPECT_TRUE(st.getExportTo_iCal());
    EXPECT_FALSE(st.getExportAllShows());
    EXPECT_TRUE(st.getExportTo_Outlook());
    EXPECT_FALSE(st.getExportTo_Google());
    EXPECT_TRUE(st.getVoxtrail_version_update());
    EXPECT_TRUE(st.getSharing());
    EXPECT_FALSE(st.getShareAllShows());
    EXPECT_FALSE(st.getNotifyConcerts());
    EXPECT_TRUE(st.getNotifyAlbums());
    EXPECT_TRUE(st.getNotificationWindowStyle());
    EXPECT_TRUE(st.getiPhoneSync());
    EXPECT_FALSE(st.getNotifyShowChanges());
    EXPECT_EQ(st.getMostPlayedPlays(), 7);
    EXPECT_EQ(text(st, &ProtectedData::getUsername), "mia");
    EXPECT_EQ(text(st, &ProtectedData::getFirstname), "Mia");
    EXPECT_EQ(text(st, &ProtectedData::getLastname), "Wallace");
    EXPECT_THAT(names(*root->friends), ElementsAre("jules", "vincent"));
    char filters[512];
    st.getFilterString(filters);
    EXPECT_STREQ(
        filters,
        "Import@@Extra tracks@@Original recording remastered@@Limited Edition@@Non-Active Artist@@Deluxe@@");

    ASSERT_EQ(root->concerts->size(), 2u);
    const SHOWENTRY* beck = root->concerts->head;
    EXPECT_STREQ(beck->artist, "Beck");
    EXPECT_STREQ(beck->otherArtists, "");
    const SHOWENTRY* gig = beck->next;
    EXPECT_STREQ(gig->artist, "Radiohead");
    EXPECT_STREQ(gig->venue, "Crystal Ballroom");
    EXPECT_STREQ(gig->location, "Portland, OR");
    EXPECT_STREQ(gig->url, "http://example.org/gig?id=1&x=2");
    EXPECT_STREQ(gig->otherArtists, "Thom Yorke, Atoms for Peace");
    EXPECT_EQ(gig->year, 2031);
    EXPECT_EQ(gig->month, 7);
    EXPECT_EQ(gig->day, 14);
    EXPECT_TRUE(gig->selected);
    EXPECT_TRUE(gig->ticketsAvailable);
    EXPECT_THAT(labels(gig), ElementsAre("jules"));
    EXPECT_STREQ(gig->uid, "6ba7b810-9dad-11d1-80b4-00c04fd430c8");

    ASSERT_EQ(root->friendShows->size(), 1u);
    EXPECT_TRUE(root->friendShows->head->selected);
    EXPECT_THAT(labels(root->friendShows->head), ElementsAre("jules", "vincent"));

    ASSERT_EQ(root->albumReleases->size(), 1u);
    const SHOWENTRY* album = root->albumReleases->head;
    EXPECT_STREQ(album->venue, "Fossora");
    EXPECT_FALSE(album->selected);
    EXPECT_FALSE(album->ticketsAvailable);
    EXPECT_STREQ(album->location, "-");
    EXPECT_STREQ(album->otherArtists, "");
    EXPECT_THAT(labels(album), ElementsAre("Import", "Limited Edition"));
}

TEST_F(PreferencesFile, WhereEachConcertWasFoundSurvivesOnALineOlderVersionsDrop) {
    fillEverything(*root);
    SHOWENTRY* gig = root->concerts->head->next;
    vx::copyText(gig->foundCity, "Boston");
    vx::copyText(gig->foundState, "MA");
    gig->foundRadius = 75;
    gig->elsewhere = true;
    root->engine.genPref();
    std::vector<std::string> file = lines(saved());
    ASSERT_EQ(file.size(), 14u);
    EXPECT_THAT(file[10], StartsWith("0@@1@@1@@2031@@7@@14@@Radiohead@@"));
    EXPECT_EQ(file[11], "place@@75@@e@@Boston@@MA@@");
    EXPECT_EQ(vx::parseShowLine(file[11]).show, nullptr) << "no show, as older versions read it";

    // Beck was saved with no place, as older versions save: found for the file's place.
    restart();
    const SHOWENTRY* beck = root->concerts->head;
    gig = beck->next;
    EXPECT_TRUE(root->state.getValid_preference_file());
    EXPECT_EQ(std::tuple(std::string(gig->foundCity), std::string(gig->foundState), gig->foundRadius,
                         gig->elsewhere),
              std::tuple(std::string("Boston"), std::string("MA"), 75, true));
    EXPECT_EQ(std::tuple(std::string(beck->foundCity), std::string(beck->foundState), beck->foundRadius,
                         beck->elsewhere),
              std::tuple(std::string("Portland"), std::string("OR"), 50, false));

    // A damaged place line is passed over; the show and the rest of the file still read.
    for (const char* damaged :
         {"place@@x@@e@@Boston@@MA@@", "place@@75@@?@@Boston@@MA@@", "place@@75@@e@@"}) {
        file[11] = damaged;
        std::string text;
        for (const std::string& line : file)
            text += line + "\n";
        TempHome::writeFile(home.preferences(), text);
        restart();
        ASSERT_EQ(root->concerts->size(), 2u) << damaged;
        EXPECT_STREQ(root->concerts->head->next->foundCity, "Portland") << damaged;
        EXPECT_EQ(root->friendShows->size(), 1u) << damaged;
        EXPECT_EQ(root->albumReleases->size(), 1u) << damaged;
    }
}

// The time after the last separator (older versions read none there) leaves the labels as they were.
TEST_F(PreferencesFile, AShowsTimeAndZoneFollowItsLastSeparator) {
    fillEverything(*root);
    vx::setShowTime(*root->concerts->head->next, "20:00", "America/Chicago");
    root->engine.genPref();
    const std::string text = saved(), field = "@@jules@@time:20:00:America/Chicago\n";
    ASSERT_NE(text.find(field), std::string::npos) << text;
    for (const std::string& damage : {std::string("20:00:America/Chicago"), std::string("25:00:X")}) {
        TempHome::writeFile(home.preferences(), text.substr(0, text.find(field) + 14) + damage +
                                                    text.substr(text.find(field) + field.size() - 1));
        restart();
        const SHOWENTRY* gig = root->concerts->head->next;
        EXPECT_EQ(gig->startTime + std::string(" ") + gig->timeZone,
                  damage[0] == '2' && damage[1] == '0' ? "20:00 America/Chicago" : " ");
        EXPECT_EQ(labels(gig), std::vector<std::string>{"jules"});
    }
}

std::string gAlerts;
int32_t recordAlert(void*, const char*, const char* message, const char*, const char*) {
    gAlerts += std::string(message ? message : "") + "\n";
    return kVxAlertCancelButton;
}

TEST_F(PreferencesFile, ADamagedTripsLineIsPassedOverAndTheUserToldOnce) {
    VxHostServices services = currentHostServices();
    services.showAlert = recordAlert;
    vx::setHostServicesForTesting(&services);
    const Trip trip{"Chicago", "IL", 300, {2099, 3, 3}, {2099, 3, 7}};
    root->trips.set({trip});
    root->concerts->addShow(show("Beck", 2031, 3, 2), nullptr);
    root->engine.genPref();
    std::vector<std::string> file = lines(saved());
    ASSERT_EQ(file[9], "trips@@Chicago@@IL@@300@@2099-03-03@@2099-03-07@@");
    restart();
    EXPECT_EQ(root->trips.get(), std::vector<Trip>{trip});
    EXPECT_EQ(gAlerts, "");

    for (const char* damaged :
         {"trips@@Chicago@@IL@@300@@2099-03-03@@", "trips@@Chicago@@IL@@0@@2099-03-03@@2099-03-07@@",
          "trips@@Chicago@@IL@@300@@2099-03-08@@2099-03-07@@"}) {
        gAlerts.clear();
        file[9] = damaged;
        std::string text;
        for (const std::string& line : file)
            text += line + "\n";
        TempHome::writeFile(home.preferences(), text);
        restart();
        EXPECT_TRUE(root->trips.get().empty()) << damaged;
        EXPECT_EQ(root->concerts->size(), 1u) << damaged;
        EXPECT_THAT(gAlerts, HasSubstr("trips saved in the preferences could not be read")) << damaged;
    }
    vx::setHostServicesForTesting(nullptr);
}

TEST_F(PreferencesFile, TheExportLocationIsReadOnlyOnSystemsBeforeTenFive) {
    root->state.setiCalLoc("/saved/Voxtrail.ics");
    root->engine.genPref();
    root->state.setiCalLoc("/default/location.ics");

    root->state.setOSXVersion(10.6f);
    EXPECT_EQ(root->engine.loadPrefs(), -1);
    EXPECT_EQ(text(root->state, &ProtectedData::getiCalLoc), "/default/location.ics");
    root->state.setOSXVersion(10.4f);
    EXPECT_EQ(root->engine.loadPrefs(), -1);
    EXPECT_EQ(text(root->state, &ProtectedData::getiCalLoc), "/saved/Voxtrail.ics");
}

TEST_F(PreferencesFile, EmptyTextsAreSavedAsDashesAndReadBackEmpty) {
    ProtectedData& st = root->state;
    st.setCurCity("");
    st.setCurState("");
    st.setiCalLoc("");
    root->engine.genPref();
    EXPECT_EQ(text(st, &ProtectedData::getCurCity), "-");
    EXPECT_EQ(text(st, &ProtectedData::getCurState), "-");
    EXPECT_EQ(text(st, &ProtectedData::getiCalLoc), "-");
    const std::vector<std::string> file = lines(saved());
    ASSERT_GE(file.size(), 9u);
    EXPECT_THAT(file[3], StartsWith("-@@-@@75@@"));
    EXPECT_EQ(file[5], "-");
    EXPECT_EQ(file[6], "-@@-@@-@@");

    restart();
    EXPECT_EQ(text(root->state, &ProtectedData::getCurCityDisplay), "");
    EXPECT_EQ(text(root->state, &ProtectedData::getCurStateDisplay), "");
    EXPECT_EQ(text(root->state, &ProtectedData::getUsername), "");
}

TEST_F(PreferencesFile, SeparatorsInAnyTextReadBackAsTheyWereAndLineBreaksAsBlanks) {
    // Each text holds the separator, an "@" before the one that follows it or before the end,
    // blanks between two "@", a line break or a control byte; whole-line texts keep "@@" as written.
    ProtectedData& st = root->state;
    st.setiTunes_xml_path("/music/My@@Library\n.xml");
    st.setiCalLoc("/ics/a@@b.ics");
    st.setCurCity("Sea@@ttle");
    st.setCurState("W@");
    st.setUsername("mi@@a");
    st.setFirstname("M\ria@");
    st.setLastname("Wal\x01lace");
    root->friends->add(new FRIENDNAME("ju@@les"));
    root->friends->add(new FRIENDNAME("vin@"));
    SHOWENTRY* gig = show("Band@@Name", 2031, 1, 5, {"la@@bel", "tab\there"});
    vx::copyText(gig->venue, "Hall@ @ x@");
    vx::copyText(gig->location, "Two\r\nLines");
    vx::copyText(gig->url, "http://x/?a=b@@c&d=mail@host");
    vx::copyText(gig->otherArtists, "@@@");
    gig->selected = true;
    vx::copyText(gig->foundCity, "Sea@@ttle");
    vx::copyText(gig->foundState, "W@");
    gig->foundRadius = 75;
    root->concerts->addShow(gig, nullptr);
    root->engine.genPref();
    const std::string first = saved();
    EXPECT_EQ(lines(first).size(), 11u);

    restart();
    ProtectedData& again = root->state;
    EXPECT_EQ(text(again, &ProtectedData::getiTunes_xml_path), "/music/My@@Library .xml");
    EXPECT_EQ(text(again, &ProtectedData::getCurCityDisplay), "Sea@@ttle");
    EXPECT_EQ(text(again, &ProtectedData::getCurStateDisplay), "W@");
    EXPECT_EQ(again.getCurSearchRadius(), 75);
    EXPECT_EQ(text(again, &ProtectedData::getUsername), "mi@@a");
    EXPECT_EQ(text(again, &ProtectedData::getFirstname), "M ia@");
    EXPECT_EQ(text(again, &ProtectedData::getLastname), "Wal lace");
    EXPECT_THAT(names(*root->friends), ElementsAre("ju@@les", "vin@"));
    ASSERT_EQ(root->concerts->size(), 1u);
    const SHOWENTRY* back = root->concerts->head;
    EXPECT_STREQ(back->artist, "Band@@Name");
    EXPECT_STREQ(back->venue, "Hall@ @ x@");
    EXPECT_STREQ(back->location, "Two  Lines");
    EXPECT_STREQ(back->url, "http://x/?a=b@@c&d=mail@host");
    EXPECT_STREQ(back->otherArtists, "@@@");
    EXPECT_TRUE(back->selected);
    EXPECT_THAT(labels(back), ElementsAre("la@@bel", "tab\there"));
    EXPECT_STREQ(back->foundCity, "Sea@@ttle");
    EXPECT_TRUE(again.getValid_preference_file());

    // Saving what was read writes the same file.
    root->engine.genPref();
    EXPECT_EQ(saved(), first);
}

// ---- When and how the file is written ----

TEST_F(PreferencesFile, TheFirstScheduleIsSetByTheSaveWhichKeepsTheLastRefreshsDate) {
    ASSERT_EQ(root->engine.nextUpdateTime, 0);
    root->state.setLastSearch_y(2031);
    root->state.setLastSearch_m(4);
    root->state.setLastSearch_d(5);
    const std::time_t before = std::time(nullptr);
    root->engine.genPref();
    const int32_t scheduled = root->engine.nextUpdateTime;
    EXPECT_GE(scheduled, before + 86400);
    EXPECT_LE(scheduled, std::time(nullptr) + 8 * 86400 + 3599);

    const std::vector<std::string> file = lines(saved());
    ASSERT_GE(file.size(), 3u);
    EXPECT_EQ(file[1], std::to_string(scheduled));
    EXPECT_EQ(file[2], "2031@@4@@5");

    // A schedule once made is kept by later saves.
    root->engine.genPref();
    EXPECT_EQ(root->engine.nextUpdateTime, scheduled);
}

TEST(FirstRefreshTime, FallsBetweenOneDayAndEightDaysAndAnHourAheadAndSpreadsOverThatRange) {
    const std::time_t now = 1'700'000'000;
    int32_t earliest = INT32_MAX, latest = INT32_MIN;
    for (unsigned seed = 0; seed < 5000; ++seed) {
        const int32_t t = vx::firstRefreshTime(now, seed);
        earliest = std::min(earliest, t);
        latest = std::max(latest, t);
    }
    EXPECT_GE(earliest, now + 86400);
    EXPECT_LT(earliest, now + 2 * 86400);
    // At most 7 days, 24 hours, 59 minutes and 59 seconds.
    EXPECT_LE(latest, now + 8 * 86400 + 3599);
    EXPECT_GT(latest, now + 7 * 86400);
    EXPECT_EQ(vx::firstRefreshTime(now, 42), vx::firstRefreshTime(now, 42));
}

TEST_F(PreferencesFile, NothingIsWrittenWhileARefreshIsStoppedOrThePlugInCloses) {
    ProtectedData& st = root->state;
    root->engine.genPref();
    const std::string before = saved();
    ASSERT_FALSE(before.empty());
    st.setCurCity("Changed");

    st.setForceUpdate(true);
    st.setRestartingSearch(true);
    root->engine.genPref();
    EXPECT_EQ(saved(), before);
    st.setRestartingSearch(false);
    root->engine.genPref();
    EXPECT_EQ(saved(), before);
    st.setForceUpdate(false);

    st.setShutingDown(true);
    root->engine.genPref();
    EXPECT_EQ(saved(), before);
    st.setShutingDown(false);

    root->engine.genPref();
    EXPECT_THAT(saved(), HasSubstr("Changed@@"));
}

TEST_F(PreferencesFile, OnlyTheOwnerMayReadTheFile) {
    TempHome::writeFile(home.preferences(), "old\n");
    ::chmod(home.preferences().c_str(), 0644);
    const mode_t mask = ::umask(0);
    root->engine.genPref();
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat(home.preferences().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// Files in the support folder other than the ones the test expects there.
std::vector<std::string> strayFiles(const TempHome& home) {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(home.supportFolder())) {
        const std::string name = entry.path().filename().string();
        if (name != "VoxtrailPref" && name != "vxt" && name != "VoxtrailServices") out.push_back(name);
    }
    return out;
}

TEST_F(PreferencesFile, AFailedWriteKeepsThePreviousFileWholeAndSaysSo) {
    root->engine.genPref();
    const std::string before = saved();
    ASSERT_GT(before.size(), 100u);
    for (int i = 0; i < 50; ++i)
        root->concerts->addShow(show("Artist", 2031, 1, 1 + i % 28), nullptr);
    for (int i = 0; i < 50; ++i)
        root->concerts->addShow(show(("Band " + std::to_string(i)).c_str(), 2031, 2, 1), nullptr);

    // A disk that fills up after a few bytes: the file size limit fails the write.
    struct rlimit previous {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    struct rlimit small = previous;
    small.rlim_cur = 64;
    ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    ::testing::internal::CaptureStderr();
    root->engine.genPref();
    const std::string said = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &previous), 0);

    EXPECT_EQ(saved(), before);
    EXPECT_THAT(said, HasSubstr("preferences were not saved"));
    EXPECT_THAT(strayFiles(home), ::testing::IsEmpty());

    // A folder standing where the file should be cannot be replaced either.
    std::filesystem::remove(home.preferences());
    std::filesystem::create_directory(home.preferences());
    TempHome::writeFile(home.preferences() + "/inside", "kept");
    ::testing::internal::CaptureStderr();
    root->engine.genPref();
    EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("preferences were not saved"));
    EXPECT_EQ(TempHome::read(home.preferences() + "/inside"), "kept");
    EXPECT_THAT(strayFiles(home), ::testing::IsEmpty());
}

// A save copies the lists into room sized by the save before; far longer lists outgrow it.
TEST_F(PreferencesFile, ListsGrownFarPastTheLastSaveAreSavedWholeAsTheyWereCopied) {
    root->engine.genPref();
    for (int i = 0; i < 3000; ++i) {
        const std::string name = "Band " + std::to_string(i) + std::string(200, 'x');
        root->friendShows->addShow(show(name.c_str(), 2031, 2, 1 + i % 28, {"jules", "vincent"}), nullptr);
    }
    root->engine.genPref();
    std::vector<std::string> expected;
    for (const SHOWENTRY* e = root->friendShows->head; e; e = e->next)
        expected.push_back("1@@0@@0@@2031@@2@@" + std::to_string(e->day) + "@@" + e->artist +
                           "@@@@-@@@@-@@jules@@vincent@@");
    std::vector<std::string> file = lines(saved());
    ASSERT_EQ(file.size(), 9u + expected.size());
    file.erase(file.begin(), file.begin() + 9);
    EXPECT_EQ(file, expected);

    // What is copied is written, whatever the records become before the lines are composed.
    SHOWENTRY* gig = show("Before", 2031, 1, 2, {"label"});
    vx::SavedShows copy;
    copy.add(*gig, vx::kConcertLine);
    vx::copyText(gig->artist, "After");
    gig->nameList->add(new FRIENDNAME("later"));
    delete gig;
    std::string composed;
    copy.appendLines(composed);
    EXPECT_EQ(composed, "0@@0@@0@@2031@@1@@2@@Before@@@@-@@@@-@@label@@\n");
}

TEST_F(PreferencesFile, SavesFromBothThreadsLeaveOneWholeFile) {
    for (int i = 0; i < 200; ++i)
        root->concerts->addShow(show(("Band " + std::to_string(i)).c_str(), 2031, 1 + i % 12, 1 + i % 28),
                                nullptr);
    std::thread other([&] {
        for (int i = 0; i < 20; ++i)
            root->engine.genPref();
    });
    for (int i = 0; i < 20; ++i) {
        root->engine.genPref();
        root->friendShows->addShow(show(("Friend " + std::to_string(i)).c_str(), 2031, 3, 3), nullptr);
    }
    other.join();
    root->engine.genPref();
    EXPECT_EQ(lines(saved()).size(), 9u + 200u + 20u);
    EXPECT_THAT(strayFiles(home), ::testing::IsEmpty());
}

} // namespace
