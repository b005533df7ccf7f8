// Start-up: runs once inside the root's construction on the host thread.
#include "common/fixed_text.h"
#include "common/player_libraries.h"
#include "common/regular_file.h"
#include "platform/host_services.h"
#include "platform/system.h"
#include "plugin/engine/cal_get_data.h"
#include "plugin/engine/source_counts.h"
#include "plugin/engine/startup_steps.h"
#include "plugin/engine/user_actions.h"
#include "plugin/export/export_stamp.h"
#include "plugin/library/folder_cache.h"
#include "plugin/library/music_folder_scan.h"
#include "plugin/prefsfile/private_file.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Where the player keeps its library, for the dialog that looks for it: the deepest of the
// usual folders that exists, or "" to leave the choice to the host.
std::string musicFolder(const std::string& home) {
    std::error_code ec;
    for (const char* folder : {"/Music/iTunes", "/Music"})
        if (fs::is_directory(home + folder, ec)) return home + folder;
    return "";
}

constexpr std::size_t kIdentifierBytes = 39;
constexpr std::size_t kPasswordBytes = 64;

void setDefaults(CalGetData* engine) {
    ProtectedData& st = engine->root->state;
    st.setExportTo_iCal(false);
    st.setExportTo_Outlook(false);
    st.setExportTo_Google(false);
    st.setExportAllShows(true);
    st.setShareAllShows(true);
    st.setiPhoneSync(false);
    st.setNotifyConcerts(true);
    st.setNotifyAlbums(true);
    st.setNotificationWindowStyle(false);
    st.setUpdatingConcerts(false);
    st.setUpdatingAlbums(false);
    st.setUpdatingFriends(false);
    st.setUpdatingShared(false);
    st.setUpdatingiPhone(false);
    engine->useIpLocation = true;
    engine->nextUpdateTime = 0;
}

// A UUID text: 36 characters of hex digits and dashes in the 8-4-4-4-12 pattern.
bool looksLikeUuid(const std::string& text) {
    if (text.size() < 36) return false;
    for (std::size_t i = 0; i < 36; ++i) {
        const char c = text[i];
        const bool dash = (i == 8 || i == 13 || i == 18 || i == 23);
        if (dash ? c != '-' : !std::isxdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

} // namespace

float osVersionFromGestalt(OSStatus status, int32_t response) {
    if (status != noErr) return 10.4f;
    if (response <= 0x103F) return 10.3f;
    if (response <= 0x104F) return 10.4f;
    if (response <= 0x105F) return 10.5f;
    if (response <= 0x106F) return 10.6f;
    return 10.4f;
}

std::string defaultiCalLocation(float osVersion, const std::string& home) {
    if (osVersion < 10.35f) return home + "/Library/Calendars/Voxtrail.ics";
    if (osVersion < 10.45f)
        return home + "/Library/Application Support/iCal/Sources/Voxtrail.calendar/corestorage.ics";
    if (osVersion < 10.55f) return "Custom export location not available in OS X 10.5";
    return "Custom export location not available in OS X 10.6";
}

void reportStartupProblem(const std::string& message) {
    std::fprintf(stderr, "Voxtrail: %s\n", message.c_str());
    vx::hostShowAlert("Voxtrail", message.c_str(), "OK", nullptr);
}

std::string readOrCreateIdentifier(const std::string& path) {
    std::string bytes;
    if (vx::readFileStart(path, kIdentifierBytes, bytes) && looksLikeUuid(bytes)) return bytes.substr(0, 36);
    // Missing, short or unreadable: a fresh identifier, kept from now on.
    std::string id = vx::newUuidString();
    std::string record = id;
    record.resize(kIdentifierBytes, '\0');
    std::string why;
    if (!vx::writePrivateFile(path, record, &why))
        reportStartupProblem("The installation identifier could not be saved (" + why + ").");
    return id;
}

void CalGetData::initialize() {
    ProtectedData& st = root->state;
    setDefaults(this);

    int32_t sysv = 0;
    const OSStatus gestalt = Gestalt(gestaltSystemVersion, &sysv);
    const float osVersion = osVersionFromGestalt(gestalt, sysv);
    st.setOSXVersion(osVersion);

    const std::string home = vx::homeFolder();
    const std::string library = home + "/Music/iTunes/iTunes Music Library.xml";
    st.setiTunes_xml_path(library.c_str());

    const std::string support = home + "/Library/Application Support/Voxtrail/";
    std::error_code ec;
    if (!fs::is_directory(support, ec)) {
        fs::create_directories(support, ec);
        if (ec || !fs::is_directory(support))
            reportStartupProblem("The folder \"" + support +
                                 "\" could not be created; settings will not be kept.");
    }

    // A save killed before its rename left its temporary file; the saved file itself is whole.
    vx::removeLeftoverTemporaries(support,
                                  {"VoxtrailPref", "vxt", "pd", "VoxtrailIncludeBands.txt",
                                   "VoxtrailExcludeBands.txt", "FirstRun", "VoxtrailChanges.log",
                                   vx::kExportStampFile, vx::kSourceCountsFile, vx::kFolderCacheFile});
    web.services = readServiceHosts(support.c_str());
    st.setVoxtrailPref((support + "VoxtrailPref").c_str());
    st.setVoxtrailIncludeBandsList((support + "VoxtrailIncludeBands.txt").c_str());
    st.setVoxtrailExcludeBandsList((support + "VoxtrailExcludeBands.txt").c_str());
    st.setiCalLoc(defaultiCalLocation(osVersion, home).c_str());

    st.setUUID(readOrCreateIdentifier(support + "vxt").c_str());

    std::string password;
    if (vx::readFileStart(support + "pd", kPasswordBytes, password)) {
        // Bytes after a terminator are padding of the fixed record.
        st.setPassword(password.c_str());
    }

    loadPrefs();

    if (st.getNotificationWindowStyle()) registerWithGrowl(root);

    char path[1024];
    st.getiTunes_xml_path(path);
    // A folder the user named is a music folder; one standing where the XML library belongs is not.
    const bool namedFolder = vx::isMusicFolder(path) && library != path;
    if (!fileExists(path) && !namedFolder) {
        if (vx::regularFileState(path) == vx::FileOpening::notRegular)
            reportStartupProblem(std::string("The library file \"") + path +
                                 "\" is not a regular file, so it cannot be read.");
        // Another player's library is the user's own: it is taken before anyone is asked.
        const vx::FoundLibrary found = vx::findPlayerLibrary(home);
        char chosen[1024];
        if (!found.path.empty()) {
            st.setiTunes_xml_path(found.path.c_str());
            st.setLibraryNotice(("Reading your " + found.player + " library: " + found.path).c_str());
        } else if (vx::hostChooseFileIn("Locate 'iTunes Music Library.xml'", musicFolder(home).c_str(),
                                        chosen, sizeof chosen) == 0)
            st.setiTunes_xml_path(chosen);
        st.getiTunes_xml_path(path);
    }
    if (fileExists(path) || (vx::isMusicFolder(path) && library != path)) parseXML();

    const int32_t due = nextUpdateTime.load();
    if (due == 0 || static_cast<int32_t>(std::time(nullptr)) > due) checkForVersionUpdate();
    exportAgainIfStale(*this);
}
