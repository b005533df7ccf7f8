// End to end: the built Voxtrail_Installer.app in temporary homes, headless from a script or as
// one command, with the build's plug-in bundle and the real player.
#include "tests/e2e/harness/player_process.h"
#include "tests/e2e/harness/preferences_text.h"
#include "tests/e2e/harness/temp_home.h"
#include "tests/e2e/harness/web_service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vx::e2e;
namespace fs = std::filesystem;

namespace {

constexpr int kStepMs = 30000;
constexpr int kSearchMs = 120000;
const std::string kApp = VX_INSTALLER_APP;
const std::string kPlugins = "Library/iTunes/iTunes Plug-ins";
const std::string kInstalled = kPlugins + "/Voxtrail.bundle";
const std::string kCloseFirst = "sheet: Please close iTunes before installing Voxtrail | ";
const std::string kFailed = "sheet: Automatic install has encountered a problem. | ";

struct Outcome {
    int status = -1;
    std::vector<std::string> lines; // standard output
    std::string errors;
};

// The environment for a home path, which need not be a TempHome's own.
std::map<std::string, std::string> environmentFor(const TempHome& home, const std::string& homePath) {
    std::map<std::string, std::string> env = home.playerEnvironment();
    env["HOME"] = homePath;
    return env;
}

// Runs the installer (the app's own executable unless another is given) with args and a script
// on its standard input, to its end.
Outcome runInstaller(const std::map<std::string, std::string>& env, const std::vector<std::string>& args,
                     const std::vector<std::string>& script = {}, const std::string& app = kApp,
                     const std::vector<std::string>& prefix = {}) {
    std::vector<std::string> all = prefix;
    all.push_back(app + "/Contents/MacOS/Voxtrail_Installer");
    all.insert(all.end(), args.begin(), args.end());
    const std::string program = all.front();
    all.erase(all.begin());
    PlayerProcess installer(program, all, env);
    for (const std::string& line : script)
        installer.sendLine(line);
    installer.closeInput();
    Outcome run;
    while (std::optional<std::string> line = installer.readLine(kStepMs))
        run.lines.push_back(*line);
    run.status = installer.waitForExit(kStepMs).value_or(-1);
    run.errors = installer.errorText();
    return run;
}

Outcome runHeadless(const std::map<std::string, std::string>& env, const std::vector<std::string>& script) {
    return runInstaller(env, {"--headless"}, script);
}

// The sheet lines of a headless run, in order.
std::vector<std::string> sheets(const Outcome& run) {
    std::vector<std::string> out;
    for (const std::string& line : run.lines)
        if (line.rfind("sheet: ", 0) == 0) out.push_back(line);
    return out;
}

// Every entry under root by relative path: "dir", "link:TARGET" or the file's bytes.
std::map<std::string, std::string> tree(const std::string& root) {
    std::map<std::string, std::string> out;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(root, ec))) return out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string rel = fs::relative(it->path(), root).string();
        if (it->is_symlink())
            out[rel] = "link:" + fs::read_symlink(it->path()).string();
        else if (it->is_directory())
            out[rel] = "dir";
        else {
            std::ifstream in(it->path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            out[rel] = bytes.str();
        }
    }
    return out;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// An older bundle with a file the new one lacks and different bytes in one it has.
void placeOlderBundle(const std::string& bundle) {
    fs::create_directories(bundle + "/Contents/MacOS");
    fs::create_directories(bundle + "/Contents/Resources/Old.nib");
    std::ofstream(bundle + "/Contents/MacOS/Voxtrail") << "an older build";
    std::ofstream(bundle + "/Contents/Resources/Old.nib/objects.xib") << "<old/>";
}

// The processes named vxplayer whose HOME is homePath.
std::vector<pid_t> playersIn(const std::string& homePath) {
    std::vector<pid_t> pids;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream comm(entry.path() / "comm");
        std::string command;
        std::getline(comm, command);
        if (command != "vxplayer") continue;
        std::ifstream environ(entry.path() / "environ", std::ios::binary);
        for (std::string var; std::getline(environ, var, '\0');)
            if (var == "HOME=" + homePath) pids.push_back(std::stoi(name));
    }
    return pids;
}

int directoryRequests(const WebService& service) {
    const std::vector<std::string> log = service.logLines();
    return static_cast<int>(std::count_if(log.begin(), log.end(), [](const std::string& line) {
        return line.find("/datasources/datasources.php?TODO=GETSITES") != std::string::npos;
    }));
}

std::string installedSheet() {
    return "sheet: Voxtrail v2.9 installed successfully! | Please restart iTunes and select \\n      "
           "'View->Visualizer->Voxtrail'.  \\nThen select \\n       'View->Turn On Visualizer', "
           "\xE2\x8C\x98T";
}

} // namespace

// A reinstall over a saved, up-to-date calendar: the marker makes the plug-in search again at
// once, though its place is unchanged and its week not over.
TEST(InstallerEndToEnd, InstallPlacesTheBuildsBundleAndTheMarkerForcesARefresh) {
    TempHome home;
    WebService service(home.file("service.log"));
    fs::create_directories(fs::path(home.file(kLibraryFile)).parent_path());
    PlayerProcess gen(VX_GENLIBRARY_EXE, {"--tracks", "120", "--out", home.file(kLibraryFile)}, {});
    ASSERT_EQ(gen.waitForExit(kStepMs).value_or(-1), 0) << gen.errorText();
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());

    Outcome first = runHeadless(home.playerEnvironment(), {"press install", "answer Ok"});
    EXPECT_EQ(first.status, 0) << first.errors;
    ASSERT_GE(first.lines.size(), 2u) << first.errors;
    EXPECT_EQ(first.lines[0], "window: Voxtrail v2.9 Installer | Welcome to the Voxtrail v2.9 installer.");
    EXPECT_EQ(sheets(first), std::vector<std::string>{installedSheet()});
    EXPECT_EQ(tree(home.file(kInstalled)), tree(VX_VOXTRAIL_BUNDLE));
    EXPECT_EQ(namesIn(home.pluginFolder()), std::vector<std::string>{"Voxtrail.bundle"});
    EXPECT_EQ(home.readFile(kSupportFolder + "FirstRun"), "\xFF\xFE");

    const std::string prefs = home.file(kSupportFolder + "VoxtrailPref");
    {
        PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
        ASSERT_TRUE(player.waitForLine("loaded: " + home.file(kInstalled), kStepMs)) << player.errorText();
        ASSERT_TRUE(home.waitForContent(
            prefs, [](const std::string& p) { return !showLines(p, 0).empty(); }, kSearchMs))
            << player.errorText();
        player.sendLine("quit");
        EXPECT_EQ(player.waitForExit(kStepMs).value_or(-1), 0) << player.errorText();
    }
    EXPECT_FALSE(fs::exists(home.file(kSupportFolder + "FirstRun")));
    const int searched = directoryRequests(service);
    ASSERT_GE(searched, 1);

    Outcome again = runInstaller(home.playerEnvironment(), {"--install"});
    EXPECT_EQ(again.status, 0) << again.errors;
    ASSERT_TRUE(fs::exists(home.file(kSupportFolder + "FirstRun")));
    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    ASSERT_TRUE(player.waitForLine("loaded: ", kStepMs)) << player.errorText();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSearchMs);
    while (directoryRequests(service) == searched && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_GT(directoryRequests(service), searched) << player.errorText();
    EXPECT_FALSE(fs::exists(home.file(kSupportFolder + "FirstRun")));
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStepMs).value_or(-1), 0) << player.errorText();
}

TEST(InstallerEndToEnd, InstallOverAnOlderBundleLeavesNoneOfItsFiles) {
    TempHome home;
    placeOlderBundle(home.file(kInstalled));
    Outcome run = runInstaller(home.playerEnvironment(), {"--install"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(tree(home.file(kInstalled)), tree(VX_VOXTRAIL_BUNDLE));
    EXPECT_EQ(namesIn(home.pluginFolder()), std::vector<std::string>{"Voxtrail.bundle"});
    // No data folder: the marker is not written and no folder is made for it.
    EXPECT_FALSE(fs::exists(home.file(kSupportFolder)));
}

// A run holds the plug-in folder while it has work folders there, so those the next run finds are
// a killed run's, however fresh. A run killed between moving the older bundle aside and renaming
// the new one in left no bundle: the next run puts the older one back first, so even an install
// that then fails leaves a plug-in.
TEST(InstallerEndToEnd, TheNextRunRestoresTheBundleAKilledRunLeftAsideAndSweepsItsFolders) {
    TempHome home;
    const fs::path plugins = home.pluginFolder();
    fs::create_directories(plugins / ".Voxtrail.bundle-new-killed/Contents");
    placeOlderBundle((plugins / ".Voxtrail.bundle-old-killed/Voxtrail.bundle").string());
    const auto older = tree((plugins / ".Voxtrail.bundle-old-killed/Voxtrail.bundle").string());
    const std::string app = home.file("Voxtrail_Installer.app");
    fs::copy(kApp, app, fs::copy_options::recursive);
    fs::remove_all(app + "/Contents/Resources/Voxtrail.bundle");
    EXPECT_EQ(runInstaller(home.playerEnvironment(), {"--install"}, {}, app).status, 1);
    EXPECT_EQ(tree(home.file(kInstalled)), older);
    EXPECT_EQ(namesIn(home.pluginFolder()), std::vector<std::string>{"Voxtrail.bundle"});

    EXPECT_EQ(runInstaller(home.playerEnvironment(), {"--install"}).status, 0);
    EXPECT_EQ(tree(home.file(kInstalled)), tree(VX_VOXTRAIL_BUNDLE));
    EXPECT_EQ(namesIn(home.pluginFolder()), std::vector<std::string>{"Voxtrail.bundle"});
}

// Only a player of this home holds the bundle: one in another home does not stop the install.
TEST(InstallerEndToEnd, InstallWhileThePlayerRunsChangesNothing) {
    TempHome home, otherHome;
    placeOlderBundle(home.file(kInstalled));
    home.writeFile(kSupportFolder + "VoxtrailPref", "saved\n");
    const std::map<std::string, std::string> before = tree(home.file("Library"));

    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    player.sendLine("idle 1");
    Outcome blocked = runHeadless(home.playerEnvironment(), {"check start", "press install", "answer Ok"});
    EXPECT_EQ(blocked.status, 0) << blocked.errors;
    EXPECT_EQ(sheets(blocked), std::vector<std::string>{kCloseFirst});
    EXPECT_EQ(tree(home.file("Library")), before);
    Outcome command = runInstaller(home.playerEnvironment(), {"--install"});
    EXPECT_EQ(command.status, 1);
    EXPECT_EQ(tree(home.file("Library")), before);

    Outcome elsewhere = runInstaller(otherHome.playerEnvironment(), {"--install"});
    EXPECT_EQ(elsewhere.status, 0) << elsewhere.errors;
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStepMs).value_or(-1), 0) << player.errorText();
}

// The calendars the exports wrote go with the plug-in; a user's own files in them stay.
TEST(InstallerEndToEnd, UninstallRemovesBundleAndDataFolderThenSaysAlreadyUninstalled) {
    TempHome home;
    ASSERT_EQ(runInstaller(home.playerEnvironment(), {"--install"}).status, 0);
    home.writeFile(kSupportFolder + "VoxtrailPref", "saved\n");
    const std::string store = "Library/Calendars/Voxtrail Store/";
    home.writeFile(store + "Voxtrail_Concerts/displayname", "Voxtrail_Concerts");
    home.writeFile(store + "Voxtrail_Concerts/.voxtrail-exported", "displayname\nabc.ics\n");
    home.writeFile(store + "Voxtrail_Concerts/abc.ics", "BEGIN:VCALENDAR\n");
    home.writeFile(store + "Voxtrail_Concerts/my-own-event.ics", "mine");
    Outcome run = runHeadless(home.playerEnvironment(),
                              {"press uninstall", "answer Ok", "press uninstall", "answer Ok"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(sheets(run),
              (std::vector<std::string>{"sheet: Voxtrail v2.9 has been uninstalled successfully | ",
                                        "sheet: Voxtrail is already uninstalled! | "}));
    EXPECT_FALSE(fs::exists(home.file(kInstalled)));
    EXPECT_FALSE(fs::exists(home.file(kSupportFolder)));
    EXPECT_EQ(namesIn(home.file(store + "Voxtrail_Concerts")), std::vector<std::string>{"my-own-event.ics"});

    // The data folder alone is removed as well and counts as a successful uninstall.
    home.writeFile(kSupportFolder + "VoxtrailPref", "saved\n");
    Outcome command = runInstaller(home.playerEnvironment(), {"--uninstall"});
    EXPECT_EQ(command.status, 0) << command.errors;
    EXPECT_EQ(command.lines, std::vector<std::string>{"Voxtrail v2.9 has been uninstalled successfully"});
    EXPECT_FALSE(fs::exists(home.file(kSupportFolder)));
}

namespace {

// What a GET answers: its body, or why it failed ("... answered: HTTP/1.1 404 ...").
std::string answer(const std::string& host, const std::string& target) {
    try {
        return httpGet(host, target);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
}

// An installation sharing two shows as name, its UUID in the data folder; its feed's path.
std::string shareFrom(const TempHome& home, const WebService& service, const std::string& name,
                      const std::string& uuid) {
    home.writeFile(kSupportFolder + "vxt", uuid);
    home.writeFile(kSupportFolder + "VoxtrailServices", service.servicesFile());
    httpGet(service.host(), "/sharing/sharing.php?TODO=INITIALIZE_USER&USERNAME=" + name + "&UUID=" + uuid +
                                "&CITY=&STATE=&FIRSTNAME=&LASTNAME=");
    for (const char* day : {"5", "6"})
        httpGet(service.host(),
                "/sharing/sharing.php?TODO=ADD_SHOW&USERNAME=" + name + "&UUID=" + uuid +
                    "&YEAR=2027&MONTH=3&DAY=" + day +
                    "&TICKETSAVAILABLE=0&ARTIST=Wilco&VENUE=Hall&LOCATION=B&URL=u&OTHERARTISTS=");
    const std::string feed =
        httpGet(service.host(), "/sharing/sharing.php?TODO=FEED_URL&USERNAME=" + name + "&UUID=" + uuid);
    return feed.substr(feed.find("/feed/"), feed.find("</FEED>") - feed.find("/feed/"));
}

} // namespace

// Uninstall ends the installation's sharing before its UUID goes: its feed answers 404 and its
// shows are gone, another installation's stay; a service out of reach is told of, and the
// uninstall goes on.
TEST(InstallerEndToEnd, UninstallEndsTheInstallationsSharingFirst) {
    TempHome home, other;
    WebService service(home.file("service.log"));
    ASSERT_EQ(runInstaller(home.playerEnvironment(), {"--install"}).status, 0);
    const std::string feed = shareFrom(home, service, "ann", "0a1b2c3d-0000-4000-8000-00000000000a");
    const std::string otherFeed = shareFrom(other, service, "bo", "0a1b2c3d-0000-4000-8000-00000000000b");
    ASSERT_NE(answer(service.host(), feed).find("BEGIN:VEVENT"), std::string::npos);
    Outcome run = runInstaller(home.playerEnvironment(), {"--uninstall"});
    EXPECT_EQ(run.lines, std::vector<std::string>{"Voxtrail v2.9 has been uninstalled successfully"})
        << run.errors;
    EXPECT_NE(answer(service.host(), feed).find("answered: HTTP/1.1 404"), std::string::npos);
    EXPECT_EQ(answer(service.host(), "/sharing/sharing.php?TODO=DISPLAY_USER_SHOWS&USERNAME=ann"),
              "No shared shows.\n");
    EXPECT_NE(answer(service.host(), otherFeed).find("BEGIN:VEVENT"), std::string::npos);

    ASSERT_EQ(runInstaller(home.playerEnvironment(), {"--install"}).status, 0);
    home.writeFile(kSupportFolder + "vxt", "0a1b2c3d-0000-4000-8000-00000000000c");
    home.writeFile(kSupportFolder + "VoxtrailServices", "127.0.0.1:1\n");
    Outcome offline = runHeadless(home.playerEnvironment(), {"press uninstall", "answer Ok"});
    EXPECT_EQ(sheets(offline),
              std::vector<std::string>{"sheet: Voxtrail v2.9 has been uninstalled successfully | "
                                       "The Voxtrail service (127.0.0.1:1) could not be reached, so "
                                       "any shows you shared stay visible to your friends and in "
                                       "your calendar feed."});
    EXPECT_FALSE(fs::exists(home.file(kSupportFolder)));
}

// The start script runs the player built beside the installer; the installer quits once it has.
TEST(InstallerEndToEnd, StartNowStartsThePlayerWithThePlugInAndQuits) {
    TempHome home;
    home.writeFile(kSupportFolder + "VoxtrailServices", "127.0.0.1:1\n127.0.0.1:1\n");
    Outcome run = runHeadless(home.playerEnvironment(), {"check start", "press install", "answer Ok"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(sheets(run), std::vector<std::string>{
                               "sheet: Voxtrail v2.9 installed successfully! | To show or hide Voxtrail,\\n "
                               "   Select 'View->Turn On/Off Visualizer', or type \xE2\x8C\x98T"});

    // The plug-in consumes the marker when the player loads it.
    ASSERT_TRUE(home.waitForContent(
        kSupportFolder + "FirstRun",
        [&](const std::string&) { return !fs::exists(home.file(kSupportFolder + "FirstRun")); }, kStepMs));
    const std::vector<pid_t> players = playersIn(home.path());
    ASSERT_EQ(players.size(), 1u);
    ::kill(players[0], SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStepMs);
    while (!playersIn(home.path()).empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(playersIn(home.path()).empty());
}

TEST(InstallerBadInput, APlugInFolderThatIsAFileFailsAndStaysAFile) {
    TempHome home;
    home.writeFile(kPlugins, "not a folder");
    Outcome run = runHeadless(home.playerEnvironment(), {"press install", "answer Ok"});
    EXPECT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(sheets(run).size(), 1u);
    EXPECT_EQ(sheets(run)[0].rfind(kFailed + "Please proceed to manually install", 0), 0u) << sheets(run)[0];
    EXPECT_EQ(home.readFile(kPlugins), "not a folder");
    EXPECT_EQ(runInstaller(home.playerEnvironment(), {"--install"}).status, 1);
}

// An older bundle in a folder the user cannot write stays as it was, and the install fails
// rather than passing the old bundle off as the new one. Root writes anywhere, so root runs the
// installer as nobody.
TEST(InstallerBadInput, AReadOnlyPlugInFolderFailsAndKeepsTheOlderBundle) {
    TempHome home;
    placeOlderBundle(home.file(kInstalled));
    const std::map<std::string, std::string> before = tree(home.pluginFolder());
    std::vector<std::string> prefix;
    if (geteuid() == 0) {
        prefix = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
        fs::permissions(home.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    }
    fs::permissions(home.pluginFolder(),
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    fs::perm_options::replace);
    Outcome run =
        runInstaller(home.playerEnvironment(), {"--headless"}, {"press install", "answer Ok"}, kApp, prefix);
    fs::permissions(home.pluginFolder(), fs::perms::owner_all, fs::perm_options::replace);
    EXPECT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(sheets(run).size(), 1u) << run.errors;
    EXPECT_EQ(sheets(run)[0].rfind(kFailed, 0), 0u) << sheets(run)[0];
    EXPECT_EQ(tree(home.pluginFolder()), before);
}

// A bundle that cannot be removed keeps the data it uses: the settings stay until it is gone.
// Uninstalling while the player of this home runs is refused as installing is.
TEST(InstallerBadInput, AnUninstallThatCannotRemoveTheBundleOrWhileThePlayerRunsKeepsEverything) {
    TempHome home;
    placeOlderBundle(home.file(kInstalled));
    home.writeFile(kSupportFolder + "VoxtrailPref", "saved\n");
    const std::map<std::string, std::string> before = tree(home.file("Library"));
    std::vector<std::string> prefix; // root removes anything: the uninstall then runs as nobody
    if (geteuid() == 0) {
        prefix = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
        fs::permissions(home.path(), fs::perms::others_exec, fs::perm_options::add);
        ASSERT_EQ(
            std::system(("chown -R 65534:65534 '" + home.file("Library/Application Support") + "'").c_str()),
            0);
    }
    ASSERT_EQ(std::system(("chmod -R a-w '" + home.pluginFolder() + "'").c_str()), 0);
    Outcome run = runInstaller(home.playerEnvironment(), {"--uninstall"}, {}, kApp, prefix);
    ASSERT_EQ(std::system(("chmod -R u+w '" + home.pluginFolder() + "'").c_str()), 0);
    EXPECT_EQ(run.status, 1) << run.errors;
    EXPECT_EQ(run.lines.at(0), "FAILED UNINSTALL!");
    EXPECT_EQ(tree(home.file("Library")), before);

    PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, home.playerEnvironment(), home.path());
    player.sendLine("idle 1");
    EXPECT_EQ(sheets(runHeadless(home.playerEnvironment(), {"press uninstall", "answer Ok"})),
              std::vector<std::string>{"sheet: Please close iTunes before uninstalling Voxtrail | "});
    EXPECT_EQ(runInstaller(home.playerEnvironment(), {"--uninstall"}).status, 1);
    EXPECT_EQ(tree(home.file("Library")), before);
    player.sendLine("quit");
    EXPECT_EQ(player.waitForExit(kStepMs).value_or(-1), 0) << player.errorText();
}

TEST(InstallerBadInput, AnInstallerWithoutTheBundleFailsAndPlacesNothing) {
    TempHome home;
    const std::string app = home.file("Voxtrail_Installer.app");
    fs::copy(kApp, app, fs::copy_options::recursive);
    fs::remove_all(app + "/Contents/Resources/Voxtrail.bundle");
    Outcome run = runInstaller(home.playerEnvironment(), {"--install"}, {}, app);
    EXPECT_EQ(run.status, 1);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines[0], "Automatic install has encountered a problem.");
    EXPECT_FALSE(fs::exists(home.file(kInstalled)));
    EXPECT_TRUE(!fs::exists(home.pluginFolder()) || fs::is_empty(home.pluginFolder()));
}

// Blanks, UTF-8 and a byte that is not UTF-8 in the home path: the files land there, and the
// running check still recognises a player of that home.
TEST(InstallerBadInput, AHomePathWithBlanksAndHighBytesWorks) {
    TempHome base;
    const std::string odd = base.file("Zo\xC3\xAB M\xC3\xBCller \xE9t\xE9 home");
    fs::create_directories(odd + "/Library/Application Support/Voxtrail");
    const std::map<std::string, std::string> env = environmentFor(base, odd);

    Outcome install = runHeadless(env, {"press install", "answer Ok"});
    EXPECT_EQ(install.status, 0) << install.errors;
    EXPECT_EQ(sheets(install), std::vector<std::string>{installedSheet()});
    EXPECT_EQ(tree(odd + "/" + kInstalled), tree(VX_VOXTRAIL_BUNDLE));
    EXPECT_TRUE(fs::exists(odd + "/Library/Application Support/Voxtrail/FirstRun"));

    {
        PlayerProcess player(VX_PLAYER_EXE, {"--headless"}, env, odd);
        ASSERT_TRUE(player.waitForLine("loaded: " + odd + "/" + kInstalled, kStepMs)) << player.errorText();
        EXPECT_EQ(sheets(runHeadless(env, {"press install", "answer Ok"})),
                  std::vector<std::string>{kCloseFirst});
        player.sendLine("quit");
        EXPECT_EQ(player.waitForExit(kStepMs).value_or(-1), 0) << player.errorText();
    }
    Outcome uninstall = runInstaller(env, {"--uninstall"});
    EXPECT_EQ(uninstall.status, 0) << uninstall.errors;
    EXPECT_FALSE(fs::exists(odd + "/" + kInstalled));
    EXPECT_FALSE(fs::exists(odd + "/Library/Application Support/Voxtrail"));
}

// A script the window could not follow stops the run instead of passing for a finished one.
TEST(InstallerBadInput, AScriptThatCannotBeFollowedStopsWithStatus2) {
    TempHome home;
    const std::vector<std::vector<std::string>> scripts = {
        {"press install", "press uninstall"}, {"answer Ok"}, {"press the big button"}};
    for (const std::vector<std::string>& script : scripts) {
        Outcome run = runHeadless(home.playerEnvironment(), script);
        EXPECT_EQ(run.status, 2) << script.front();
        EXPECT_NE(run.errors.find("Voxtrail_Installer: "), std::string::npos) << run.errors;
    }
    EXPECT_FALSE(fs::exists(home.file(kSupportFolder)));
}
