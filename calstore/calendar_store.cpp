#include "calstore/calendar_store.h"

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
#include <vector>

namespace fs = std::filesystem;

namespace vx::calstore {
namespace {

void say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

bool writeFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
    return s;
}

// The last calendar folder, in name order, whose display name is `title`; empty when none.
fs::path findCalendar(const fs::path& store, const std::string& title) {
    std::error_code ec;
    std::vector<fs::path> folders;
    for (fs::directory_iterator it(store, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.empty() && name[0] != '.' && it->is_directory(ec)) folders.push_back(it->path());
    }
    std::sort(folders.begin(), folders.end());
    fs::path found;
    for (const auto& f : folders)
        if (trimmed(readFile(f / "displayname")) == title) found = f;
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
    // A staging folder never holds the only copy of a calendar: one a crash left is debris.
    vx::removeStaleFolders(store, ".staging-");
    std::error_code ec;
    const fs::path staging = store / (".staging-" + newUuidString());
    fs::create_directories(store, ec);
    if (!ec && fs::create_directory(staging, ec) && writeFile(staging / "displayname", title)) {
        cal->staging = staging;
    } else {
        fs::remove_all(staging, ec);
        say("Could not save Voxtrail calendar to iCal");
    }
    return cal;
}

std::string eventObject(const Event& e, const std::string& uid) {
    vx::ical::EventFields fields;
    fields.uid = uid;
    fields.year = e.year, fields.month = e.month, fields.day = e.day;
    fields.summary = e.title;
    fields.location = vx::ical::showLocation(e.venue, e.location);
    fields.url = e.url;
    fields.description = vx::ical::showNotes(e.title, e.otherActs, e.friends, e.tickets);
    return vx::ical::singleEventCalendar({"-//Voxtrail//Voxtrail_iCalExport 2.9//EN", "", 0}, fields);
}

void addEvent(Calendar& cal, const Event& event) {
    const fs::path folder = cal.saved ? cal.target : cal.staging;
    const std::string uid = newUuidString();
    const std::string text = eventObject(event, uid);
    const fs::path tmp = folder / ("." + uid + ".tmp");
    std::error_code ec;
    if (folder.empty() || text.empty() || !writeFile(tmp, text) ||
        (fs::rename(tmp, folder / (uid + ".ics"), ec), ec)) {
        if (!folder.empty()) fs::remove(tmp, ec);
        say("Could not save event to Voxtrail calendar");
    }
}

void saveCalendar(Calendar& cal) {
    std::error_code ec;
    if (cal.saved) {
        if (!fs::is_directory(cal.target, ec)) say("Could not save Voxtrail  calendar");
        return;
    }
    fs::path old;
    if (cal.staging.empty() || !swapIn(cal.staging, cal.target, old)) {
        say("Could not save Voxtrail  calendar");
        return;
    }
    cal.staging.clear();
    cal.saved = true;
    if (!old.empty() && (fs::remove_all(old, ec), ec)) say("Could not remove Voxtrail calendar from iCal");
}

} // namespace vx::calstore
