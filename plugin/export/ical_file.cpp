#include "plugin/export/ical_file.h"

#include "common/durable_files.h"
#include "common/ical_event.h"
#include "common/venue_zone.h"
#include "platform/system.h"
#include "plugin/export/export_stamp.h"
#include "plugin/export/exported_shows.h"
#include "plugin/net/query_escape.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace std::string_view_literals;

constexpr const char* kClickThrough = "/clickthrough.php?target=";
const vx::ical::CalendarFields kiCalFileCalendar{"-//Voxtrail//Voxtrail 2.9//EN", "", 0};

bool exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// Closes its descriptor when it goes.
struct FileDescriptor {
    int fd;
    explicit FileDescriptor(int fd) : fd(fd) {}
    ~FileDescriptor() {
        if (fd >= 0) close(fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    bool closeNow() {
        const int rc = close(fd);
        fd = -1;
        return rc == 0;
    }
};

bool isOurDescription(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    const std::string ours = iCalFolderDescription();
    std::string text(ours.size() + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), f));
    std::fclose(f);
    return text == ours;
}

} // namespace

std::string iCalFolderDescription() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n"
           "<dict>\n"
           "      <key>Key</key>\n"
           "      <string>Voxtrail</string>\n"
           "      <key>Title</key>\n"
           "      <string>Voxtrail</string>\n"
           "      <key>Type</key>\n"
           "      <string>com.apple.ical.sources.naivereadwrite</string>\n"
           "</dict>\n"
           "</plist>\n";
}

iCalFileEvents::iCalFileEvents(const char* webServiceHost)
    : clickThrough_(std::string("http://") + (webServiceHost ? webServiceHost : "") + kClickThrough) {}

void iCalFileEvents::append(std::string& text, const ExportedShow& show) {
    // The composed texts go into strings that keep their room from one show to the next.
    if (show.uid.empty()) newUid_ = vx::newUuidString();
    vx::ical::EventView e;
    e.uid = show.uid.empty() ? std::string_view(newUid_) : show.uid;
    // Each change after the first export raises it, so calendar programs take the newer copy.
    e.sequence = 2 + show.sequence;
    e.status = show.cancelled ? "CANCELLED"sv : ""sv;
    e.year = show.year, e.month = show.month, e.day = show.day;
    e.hour = show.hour, e.minute = show.minute, e.zone = show.zone;
    e.summary = show.artist;
    e.location = show.venue;
    if (show.location != "-") {
        location_.assign(show.venue).append("\n(").append(show.location).append(")");
        e.location = location_;
    }
    url_.assign(clickThrough_);
    appendQueryValue(url_, show.url);
    e.url = url_;
    if (!show.otherArtists.empty()) {
        description_.assign("With:\n").append(show.otherArtists).append("\n\nURL:").append(url_);
        e.description = description_;
    }
    vx::ical::appendEventText(text, e);
}

int prepareiCalFolder(const char* iCalLoc, bool exportOn, bool withDescription) {
    const std::string location = iCalLoc ? iCalLoc : "";
    const std::size_t slash = location.rfind('/');
    if (slash == std::string::npos) return -1;
    const std::string folder = location.substr(0, slash + 1);
    const std::string description = folder + kiCalDescriptionName;

    if (exportOn) {
        // Every missing level: a fresh home of 10.4 has no "iCal/Sources" yet, and the export
        // would otherwise write nothing.
        std::error_code made, ec;
        std::filesystem::create_directories(folder, made);
        if (!std::filesystem::is_directory(folder, ec)) {
            errno = made ? made.value() : ENOTDIR; // the system's reason, for the status line
            return -1;
        }
        if (!withDescription || exists(description)) return 0;
        return replaceFileWhole(description, iCalFolderDescription()) ? 0 : -1;
    }

    if (!exists(location)) return 0;
    unlink(location.c_str());
    // The folder is the calendar's own only when it holds our description; in any other (the
    // user's own, or 10.3's shared calendar folder) the other files are not ours to remove.
    if (!isOurDescription(description)) return 0;
    unlink((folder + kiCalIndexName).c_str());
    unlink(description.c_str());
    rmdir(folder.c_str()); // fails harmlessly when other files stay in it
    return 0;
}

bool replaceFileWhole(const std::string& path, const std::string& text) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size()) return false;
    mode_t mode = 0644;
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || access(path.c_str(), W_OK) != 0) return false;
        mode = st.st_mode & 07777;
    }
    std::string temporary = path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".XXXXXX";
    FileDescriptor file(mkstemp(temporary.data()));
    if (file.fd < 0) return false;
    // On the disk before the rename: after a power cut the old file or the whole new one is there.
    const bool written = vx::writeAndSync(file.fd, text) && fchmod(file.fd, mode) == 0;
    const int writeError = errno;
    if (!file.closeNow() || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = written ? errno : writeError;
        unlink(temporary.c_str());
        errno = error;
        return false;
    }
    vx::syncFolder(path.substr(0, slash == 0 ? 1 : slash));
    return true;
}

int performExportTo_iCal(PluginData* root, const char* webServiceHost, bool wholeListOnly) {
    if (!root) return 0;
    std::lock_guard<std::mutex> exporting(calendarExportLock());
    // The events go straight into the file's text: thousands of shows make a file of megabytes.
    // Its room stays for the next export (the export lock guards it), so an export of as many
    // shows neither copies the text as it grows nor makes its pages anew.
    static std::string text;
    text.clear(); // keeps the room
    text += vx::ical::calendarHead(kiCalFileCalendar);
    // The copy of the shows keeps its room as the text does.
    static ExportedShows shows;
    // An export that gives way to a refresh leaves the file as it is: the refresh exports.
    if (!shows.copyFrom(root, wholeListOnly)) return 0;
    // Each zone a timed show names is described once, before the events.
    std::set<std::string_view, std::less<>> zones;
    for (const ExportedShow& show : shows)
        if (show.hour >= 0 && !show.zone.empty() && !zones.contains(show.zone)) {
            zones.insert(show.zone);
            text += vx::ical::zoneComponentText(show.zone);
        }
    iCalFileEvents events(webServiceHost);
    for (const ExportedShow& show : shows)
        events.append(text, show);
    text += vx::ical::kCalendarEnd;

    char location[ProtectedData::iCalLocCapacity];
    root->state.getiCalLoc(location);
    const std::string stamp =
        vx::exportStamp(shows, vx::fileExportTarget(location), webServiceHost ? webServiceHost : "");
    vx::forgetExportStamp(root);
    errno = 0;
    if (replaceFileWhole(location, text)) {
        reportExportProblem(root, "");
        vx::keepExportStamp(root, stamp);
    } else
        reportExportProblem(root, std::string(location) + " could not be written" +
                                      (errno ? std::string(" (") + std::strerror(errno) + ")." : "."));
    // A list much shorter than the last gives back the room it no longer needs.
    if (text.capacity() > 4 * text.size()) text.shrink_to_fit();
    return 0;
}
