#include "platform/host_services.h"
#include "platform/script_runner.h"
#include "platform/system.h"
#include "plugin/engine/startup_steps.h"
#include "tests/engine/engine_root.h"
#include "tests/support/database_file.h"
#include "tests/support/host_services_table.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

std::vector<std::string> scriptsRun;
OSStatus recordScript(const char* text) {
    scriptsRun.emplace_back(text);
    return noErr;
}

int32_t hostMajor = 10, hostMinor = 6;
void systemVersion(void*, int32_t* major, int32_t* minor) {
    if (major) *major = hostMajor;
    if (minor) *minor = hostMinor;
}
std::vector<std::string> dialogs;
const char* chosenFile = nullptr;
int32_t chooseFile(void*, const char* title, char* out, uint32_t capacity) {
    dialogs.emplace_back(title);
    if (!chosenFile) return -1;
    std::snprintf(out, capacity, "%s", chosenFile);
    return 0;
}
std::vector<std::string> dialogFolders;
int32_t chooseFileIn(void* context, const char* title, const char* folder, char* out, uint32_t capacity) {
    dialogFolders.emplace_back(folder ? folder : "(none)");
    return chooseFile(context, title, out, capacity);
}
int32_t noAlert(void*, const char*, const char*, const char*, const char*) {
    return kVxAlertCancelButton;
}
VxHostServices services = [] {
    VxHostServices t = currentHostServices();
    t.showAlert = noAlert;
    t.chooseFile = chooseFile;
    t.chooseFileIn = chooseFileIn;
    t.systemVersion = systemVersion;
    return t;
}();

std::string text(ProtectedData& st, void (ProtectedData::*get)(char*)) {
    char buf[1024];
    (st.*get)(buf);
    return buf;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Startup : public ::testing::Test {
  protected:
    TempHome home;
    void SetUp() override {
        vx::setHostServicesForTesting(&services);
        vx::setScriptRunnerForTesting(recordScript);
        scriptsRun.clear();
        dialogs.clear();
        dialogFolders.clear();
        chosenFile = nullptr;
        hostMajor = 10;
        hostMinor = 6;
    }
    void TearDown() override {
        vx::setHostServicesForTesting(nullptr);
        vx::setScriptRunnerForTesting(nullptr);
    }
};

} // namespace

TEST(StartupSteps, SystemVersionRanges) {
    EXPECT_FLOAT_EQ(osVersionFromGestalt(noErr, 0x1039), 10.3f);
    EXPECT_FLOAT_EQ(osVersionFromGestalt(noErr, 0x1049), 10.4f);
    EXPECT_FLOAT_EQ(osVersionFromGestalt(noErr, 0x1050), 10.5f);
    EXPECT_FLOAT_EQ(osVersionFromGestalt(noErr, 0x106F), 10.6f);
    EXPECT_FLOAT_EQ(osVersionFromGestalt(noErr, 0x1070), 10.4f);
    EXPECT_FLOAT_EQ(osVersionFromGestalt(gestaltUndefSelectorErr, 0x1060), 10.4f);
    EXPECT_EQ(defaultiCalLocation(10.3f, "/h"), "/h/Library/Calendars/Voxtrail.ics");
    EXPECT_EQ(defaultiCalLocation(10.4f, "/h"),
              "/h/Library/Application Support/iCal/Sources/Voxtrail.calendar/corestorage.ics");
    EXPECT_EQ(defaultiCalLocation(10.5f, "/h"), "Custom export location not available in OS X 10.5");
    EXPECT_EQ(defaultiCalLocation(10.6f, "/h"), "Custom export location not available in OS X 10.6");
}

TEST(StartupSteps, GrowlRegistrationScriptText) {
    const std::string both = growlRegistrationScript(true, true);
    EXPECT_EQ(both.rfind("tell application \"System Events\"\n", 0), 0u);
    EXPECT_NE(
        both.find("\t\t\tset the enabledNotificationsList to \t\t\t{\"Upcoming Concert\", \"Upcoming Album "
                  "Release\"}\n"),
        std::string::npos);
    EXPECT_NE(
        both.find("\t\t\tregister as application \"Voxtrail\" \t\t\tall notifications allNotificationsList "
                  "\t\t\tdefault notifications enabledNotificationsList \t\t\ticon of application "
                  "\"Voxtrail_Installer.app\"\n\t\tend tell\n\tend if\nend tell"),
        std::string::npos);
    EXPECT_EQ(both.back(), 'l');
    EXPECT_NE(growlRegistrationScript(true, false).find("to \t\t\t{\"Upcoming Concert\"}\n"),
              std::string::npos);
    EXPECT_NE(growlRegistrationScript(false, true).find("to \t\t\t{\"Upcoming Album Release\"}\n"),
              std::string::npos);
    EXPECT_NE(growlRegistrationScript(false, false).find("to \t\t\t{}\n"), std::string::npos);
}

TEST_F(Startup, FreshHomeGetsPathsDefaultsAndAPrivateIdentifier) {
    hostMinor = 3;
    hostMajor = 10;
    std::filesystem::remove_all(home.supportFolder()); // start-up makes it
    EngineRoot root;
    ProtectedData& st = root.state;
    const std::string support = home.supportFolder();
    EXPECT_TRUE(std::filesystem::is_directory(support));
    EXPECT_EQ(text(st, &ProtectedData::getVoxtrailPref), support + "VoxtrailPref");
    EXPECT_EQ(text(st, &ProtectedData::getVoxtrailIncludeBandsList), support + "VoxtrailIncludeBands.txt");
    EXPECT_EQ(text(st, &ProtectedData::getiTunes_xml_path),
              home.path() + "/Music/iTunes/iTunes Music Library.xml");
    EXPECT_FLOAT_EQ(st.getOSXVersion(), 10.3f);
    EXPECT_EQ(text(st, &ProtectedData::getiCalLoc), home.path() + "/Library/Calendars/Voxtrail.ics");
    EXPECT_TRUE(st.getExportAllShows());
    EXPECT_TRUE(st.getNotifyAlbums());
    EXPECT_TRUE(root.engine.useIpLocation.load());
    EXPECT_TRUE(scriptsRun.empty()); // Growl not chosen: no script

    const std::string uuid = text(st, &ProtectedData::getUUID);
    EXPECT_EQ(uuid.size(), 36u);
    const std::string record = fileBytes(support + "vxt");
    ASSERT_EQ(record.size(), 39u);
    EXPECT_EQ(record.substr(0, 36), uuid);
    struct stat sb;
    ASSERT_EQ(stat((support + "vxt").c_str(), &sb), 0);
    EXPECT_EQ(sb.st_mode & 0777, 0600u);
    // The missing library asked the user once, and cancelling reads nothing.
    EXPECT_EQ(dialogs, (std::vector<std::string>{"Locate 'iTunes Music Library.xml'"}));
    EXPECT_EQ(root.engine.artists.size(), 0u);

    EngineRoot again;
    EXPECT_EQ(text(again.state, &ProtectedData::getUUID), uuid);
}

TEST_F(Startup, BadIdentifierFilesAreReplaced) {
    for (const std::string& bad : {std::string(""), std::string("short"), std::string(39, '\xff')}) {
        home.write("Library/Application Support/Voxtrail/vxt", bad);
        EngineRoot root;
        const std::string uuid = text(root.state, &ProtectedData::getUUID);
        EXPECT_EQ(uuid.size(), 36u);
        EXPECT_EQ(fileBytes(home.supportFolder() + "vxt").substr(0, 36), uuid);
    }
}

// A save killed before its rename leaves "name.XXXXXX" beside the file; the next start removes
// those and nothing else.
TEST_F(Startup, TemporaryFilesOfKilledSavesAreRemoved) {
    const std::vector<std::string> gone{"VoxtrailPref.a1B2c3", "vxt.Zz9Yy8", "FirstRun.q0w9e8"},
        kept{"VoxtrailPref.abc", "VoxtrailPref.a1-2c3", "my.notes.txt"};
    for (const std::vector<std::string>* names : {&gone, &kept})
        for (const std::string& name : *names)
            home.write("Library/Application Support/Voxtrail/" + name, "x");
    EngineRoot root;
    for (const std::string& name : gone)
        EXPECT_FALSE(std::filesystem::exists(home.supportFolder() + name)) << name;
    for (const std::string& name : kept)
        EXPECT_TRUE(std::filesystem::exists(home.supportFolder() + name)) << name;
}

TEST_F(Startup, PasswordFileOfAnyLengthIsCut) {
    home.write("Library/Application Support/Voxtrail/pd", std::string(500, 'p'));
    EngineRoot root;
    EXPECT_EQ(text(root.state, &ProtectedData::getPassword), std::string(63, 'p'));
}

TEST_F(Startup, ALocatedLibraryIsRead) {
    const std::string lib = home.path() + "/elsewhere.xml";
    std::filesystem::copy_file(VX_TESTDATA_DIR "/libraries/itunes-9.1-fixture.xml", lib);
    chosenFile = lib.c_str();
    EngineRoot root;
    EXPECT_EQ(text(root.state, &ProtectedData::getiTunes_xml_path), lib);
    EXPECT_GT(root.engine.artists.size(), 0u);
}

TEST_F(Startup, ASupportFolderThatIsAFileDoesNotStopStartup) {
    std::filesystem::remove_all(home.supportFolder());
    home.write("Library/Application Support/Voxtrail", "not a folder");
    EngineRoot root;
    EXPECT_EQ(text(root.state, &ProtectedData::getUUID).size(), 36u);
}

TEST_F(Startup, ALibraryPathNamingAFolderIsLocatedAgain) {
    std::filesystem::create_directories(home.path() + "/Music/iTunes/iTunes Music Library.xml");
    EngineRoot root;
    EXPECT_EQ(dialogs, (std::vector<std::string>{"Locate 'iTunes Music Library.xml'"}));
    EXPECT_EQ(root.engine.artists.size(), 0u);
}

TEST_F(Startup, TheLocateDialogOpensInTheUsersMusicFolder) {
    { EngineRoot root; }
    std::filesystem::create_directories(home.path() + "/Music");
    { EngineRoot root; }
    std::filesystem::create_directories(home.path() + "/Music/iTunes");
    { EngineRoot root; }
    EXPECT_EQ(dialogFolders,
              (std::vector<std::string>{"", home.path() + "/Music", home.path() + "/Music/iTunes"}));
}

TEST_F(Startup, AnotherPlayersLibraryIsTakenWithoutAsking) {
    const std::string fixture = VX_TESTDATA_DIR "/rhythmdb/rhythmdb-fixture.xml";
    // The desktop's own data folder first, the default one when none is named.
    const std::string named = home.path() + "/data";
    const std::string fallback = home.path() + "/.local/share";
    for (const std::string& folder : {named, fallback}) {
        std::filesystem::create_directories(folder + "/rhythmbox");
        std::filesystem::copy_file(fixture, folder + "/rhythmbox/rhythmdb.xml");
    }
    for (const char* xdg : {named.c_str(), "relative/data", static_cast<const char*>(nullptr)}) {
        if (xdg)
            setenv("XDG_DATA_HOME", xdg, 1);
        else
            unsetenv("XDG_DATA_HOME");
        const std::string expected = (xdg == named.c_str() ? named : fallback) + "/rhythmbox/rhythmdb.xml";
        EngineRoot root;
        EXPECT_TRUE(dialogs.empty());
        EXPECT_EQ(text(root.state, &ProtectedData::getiTunes_xml_path), expected);
        EXPECT_EQ(text(root.state, &ProtectedData::getLibraryNotice),
                  "Reading your Rhythmbox library: " + expected);
        EXPECT_TRUE(root.engine.artists.contains("sigurros"));
    }
    unsetenv("XDG_DATA_HOME");
}

TEST_F(Startup, AMusicFolderWithAudioFilesIsTheLastPlaceLooked) {
    // A music folder without audio files is no library: the user is asked.
    std::filesystem::create_directories(home.path() + "/Music/iTunes");
    { EngineRoot root; }
    EXPECT_EQ(dialogs.size(), 1u);
    dialogs.clear();
    std::filesystem::remove(home.preferences());
    std::filesystem::copy_file(VX_TESTDATA_DIR "/audio/full.ogg", home.path() + "/Music/full.ogg");
    EngineRoot root;
    EXPECT_TRUE(dialogs.empty());
    EXPECT_EQ(text(root.state, &ProtectedData::getiTunes_xml_path), home.path() + "/Music");
    EXPECT_TRUE(root.engine.artists.contains("artist"));
}

TEST_F(Startup, ThePlayersLibrariesAreTriedInAFixedOrder) {
    // Each later one is found only once those before it are gone.
    const std::string beetsDir = home.path() + "/beets-elsewhere";
    setenv("BEETSDIR", beetsDir.c_str(), 1);
    const std::vector<std::pair<std::string, std::string>> libraries = {
        {home.path() + "/.local/share/strawberry/strawberry/strawberry.db", "Strawberry"},
        {home.path() + "/.config/Clementine/clementine.db", "Clementine"},
        {beetsDir + "/library.db", "beets"},
        {home.path() + "/.config/beets/library.db", "beets"},
    };
    for (const auto& [path, player] : libraries) {
        const char* table = player == "beets" ? "items" : "songs";
        makeDatabase(path, std::string("CREATE TABLE ") + table + " (artist TEXT, album TEXT); INSERT INTO " +
                               table + " VALUES ('" + player + " Band', 'x');");
    }
    for (const auto& [path, player] : libraries) {
        {
            EngineRoot root;
            EXPECT_TRUE(dialogs.empty()) << path;
            EXPECT_EQ(text(root.state, &ProtectedData::getLibraryNotice),
                      "Reading your " + player + " library: " + path);
            std::string band = player + "band";
            for (char& c : band)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_TRUE(root.engine.artists.contains(band.c_str())) << path;
        }
        std::filesystem::remove(path);
        std::filesystem::remove(home.preferences());
    }
    unsetenv("BEETSDIR");
}
