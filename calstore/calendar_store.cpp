#include "calstore/calendar_store.h"

#include "common/exported_calendar.h"
#include "common/ical_event.h"
#include "common/stale_folders.h"
#include "platform/system.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <libical/ical.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace vx::calstore {
namespace {

void say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// A new file in a staging folder, flushed to disk: no reader sees it before the swap, so it
// needs no temporary name of its own.
bool writeNewFile(const fs::path& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = writeAndSync(fd, text);
    int error = errno;
    const bool closed = ::close(fd) == 0;
    if (written && closed) return true;
    if (written) error = errno;
    ::unlink(path.c_str());
    errno = error;
    return false;
}

// Keeps the system's reason for the first thing of an export that failed.
void noteFailure(Calendar& cal, int error) {
    if (cal.failure == 0) cal.failure = error ? error : EIO;
}

// A file name that an event's UID gives, or "" when the UID cannot name a file.
std::string eventFileName(const std::string& uid) {
    if (uid.empty() || uid.size() > 200 || uid[0] == '.' || uid.find('/') != std::string::npos ||
        uid.find('\0') != std::string::npos)
        return "";
    return uid + ".ics";
}

std::string listText(const std::set<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += name + "\n";
    return text;
}

// Puts the user's files of `from` (those no export wrote) into `to` where `to` lacks them: linked
// (or copied) while `from` is still the live calendar, moved once it is the old one. False when
// one could not be carried.
bool carryUserFiles(const fs::path& from, const fs::path& to, bool move) {
    std::error_code ec;
    if (!fs::is_directory(from, ec)) return true;
    const std::set<std::string> ours = exportedFiles(from);
    bool all = true;
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (ours.count(name) || fs::exists(fs::symlink_status(to / name, ec))) continue;
        std::error_code step;
        if (move) {
            fs::rename(it->path(), to / name, step);
        } else if (it->is_regular_file(step) && !it->is_symlink(step)) {
            fs::create_hard_link(it->path(), to / name, step);
            if (step) fs::copy_file(it->path(), to / name, step);
        } else {
            fs::copy(it->path(), to / name, fs::copy_options::recursive | fs::copy_options::copy_symlinks,
                     step);
        }
        if (step) all = false;
    }
    return all && !ec;
}

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
    return s;
}

// A calendar's title as its "displayname" holds it, read without following a link; nothing when
// that is a link or anything but a regular file.
std::optional<std::string> readTitle(const fs::path& folder) {
    const int fd = ::open((folder / kCalendarTitleFile).c_str(),
                          O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? std::optional<std::string>("") : std::nullopt;
    struct stat info {};
    std::optional<std::string> title;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        char buffer[1024];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) < 0 && errno == EINTR) {
        }
        title = trimmed(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0));
    }
    ::close(fd);
    return title;
}

std::string folderName(const std::string& title);

// The last calendar folder, in name order, whose display name is `title`; empty when none. A
// folder whose "displayname" was replaced by a link or another kind of file is still ours when it
// bears the title's folder name or our list of exported files: it is replaced as a whole, so no
// stale copy of the calendar stays beside the new one.
fs::path findCalendar(const fs::path& store, const std::string& title) {
    std::error_code ec;
    std::vector<fs::path> folders;
    for (fs::directory_iterator it(store, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.empty() && name[0] != '.' && it->is_directory(ec)) folders.push_back(it->path());
    }
    std::sort(folders.begin(), folders.end());
    fs::path found;
    for (const auto& f : folders) {
        const std::optional<std::string> shown = readTitle(f);
        if (shown ? *shown == title
                  : f.filename() == folderName(title) || fs::is_regular_file(f / kExportedFilesList, ec))
            found = f;
    }
    return found;
}

// A folder name for a new calendar: its title with what a file name cannot hold replaced.
std::string folderName(const std::string& title) {
    std::string name;
    for (char c : title)
        name += (c == '/' || c == '\0') ? '_' : c;
    if (name.empty() || name == "." || name == "..") name = newUuidString();
    return name;
}

void finalizeCalendar(VxCFObject* obj) {
    auto* cal = static_cast<Calendar*>(obj);
    std::error_code ec;
    if (!cal->staging.empty()) fs::remove_all(cal->staging, ec);
    delete cal;
}

// Puts the staging folder in place of target in one step, so a reader sees the old calendar or
// the new one; the old one's files end up under `old`. False when target stays as it was.
bool swapIn(const fs::path& staging, const fs::path& target, fs::path& old) {
    if (renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EEXIST && errno != ENOTEMPTY && errno != EINVAL && errno != ENOSYS) return false;
    if (renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
        old = staging;
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the exchange: the calendar is missing for a moment, never half there.
    old = target.parent_path() / (".old-" + newUuidString());
    if (std::rename(target.c_str(), old.c_str()) != 0 && errno != ENOENT) return false;
    if (std::rename(staging.c_str(), target.c_str()) == 0) return true;
    std::rename(old.c_str(), target.c_str());
    return false;
}

} // namespace

fs::path storeFolder() {
    return fs::path(homeFolder()) / "Library" / "Calendars" / "Voxtrail Store";
}

Calendar* createCalendar(const std::string& title) {
    auto* cal = new Calendar;
    cal->finalize = finalizeCalendar;
    cal->title = title;
    const fs::path store = storeFolder();
    cal->target = findCalendar(store, title);
    if (cal->target.empty()) {
        cal->target = store / folderName(title);
        std::error_code ec;
        if (fs::exists(cal->target, ec)) cal->target = store / newUuidString();
    }
    std::error_code ec;
    fs::create_directories(store, ec);
    // A staging folder never holds the only copy of a calendar. With the store held, one found is
    // a killed export's debris; without it (another export runs) only an old one is sure to be.
    cal->storeLock = std::make_unique<FolderLock>(store.string(), false);
    const auto age = cal->storeLock->held() ? fs::file_time_type::duration::zero() : kStaleFolderAge;
    vx::removeStaleFolders(store, ".staging-", age);
    vx::removeStaleFolders(store, ".old-", age);
    const fs::path staging = store / (".staging-" + newUuidString());
    if (!ec && fs::create_directory(staging, ec) && writeNewFile(staging / kCalendarTitleFile, title)) {
        cal->staging = staging;
        cal->written.insert(kCalendarTitleFile);
    } else {
        noteFailure(*cal, ec ? ec.value() : errno);
        fs::remove_all(staging, ec);
        say("Could not save Voxtrail calendar to iCal");
    }
    return cal;
}

std::string eventObject(const Event& e, const std::string& uid) {
    vx::ical::EventFields fields;
    fields.uid = uid;
    fields.sequence = e.sequence;
    if (e.cancelled) fields.status = "CANCELLED";
    fields.year = e.year, fields.month = e.month, fields.day = e.day;
    fields.hour = e.hour, fields.minute = e.minute, fields.zone = e.zone;
    fields.summary = e.title;
    fields.location = vx::ical::showLocation(e.venue, e.location);
    fields.url = e.url;
    fields.description = vx::ical::showNotes(e.title, e.otherActs, e.friends, e.tickets);
    return vx::ical::singleEventCalendar({"-//Voxtrail//Voxtrail_iCalExport 2.9//EN", "", 0}, fields);
}

void addEvent(Calendar& cal, const Event& event, const std::string& givenUid) {
    const fs::path folder = cal.saved ? cal.target : cal.staging;
    const std::string uid = givenUid.empty() ? newUuidString() : givenUid;
    const std::string text = eventObject(event, uid);
    std::string name = eventFileName(uid);
    // Two events of one UID, or a UID no file can be named after, get a name of their own.
    if (name.empty() || cal.written.count(name)) name = newUuidString() + ".ics";
    bool written = !folder.empty() && !text.empty();
    if (written && cal.saved) {
        written = writeFileDurably((folder / name).string(), text, 0644);
        if (written) cal.written.insert(name);
        written =
            written && writeFileDurably((folder / kExportedFilesList).string(), listText(cal.written), 0644);
    } else if (written) {
        written = writeNewFile(folder / name, text);
        if (written) cal.written.insert(name);
    }
    if (!written) {
        if (!text.empty()) noteFailure(cal, folder.empty() ? cal.failure : errno);
        // A calendar missing an event it could hold must not replace the whole one; a date that
        // does not exist is no event at all, and leaves the others to go ahead.
        if (!text.empty()) cal.complete = false;
        say("Could not save event to Voxtrail calendar");
    }
}

void saveCalendar(Calendar& cal) {
    std::error_code ec;
    if (cal.saved) {
        if (!fs::is_directory(cal.target, ec)) {
            noteFailure(cal, ec ? ec.value() : ENOENT);
            say("Could not save Voxtrail  calendar");
        }
        return;
    }
    fs::path old;
    // The user's own files of the calendar go along; the list of ours goes last, and everything is
    // on the disk before the swap, so a power cut leaves the old calendar or the whole new one.
    if (cal.staging.empty() || !cal.complete || !carryUserFiles(cal.target, cal.staging, false) ||
        !writeNewFile(cal.staging / kExportedFilesList, listText(cal.written)) ||
        !syncFolder(cal.staging.string()) || !swapIn(cal.staging, cal.target, old)) {
        noteFailure(cal, errno);
        say("Could not save Voxtrail  calendar");
        if (!cal.staging.empty()) fs::remove_all(cal.staging, ec);
        cal.staging.clear();
        cal.storeLock.reset();
        return;
    }
    syncFolder(cal.target.parent_path().string());
    cal.staging.clear();
    cal.saved = true;
    // A file the user put in while this export ran is still in the old folder.
    if (!old.empty()) carryUserFiles(old, cal.target, true);
    if (!old.empty() && (fs::remove_all(old, ec), ec)) say("Could not remove Voxtrail calendar from iCal");
    cal.storeLock.reset();
}

} // namespace vx::calstore
