#include "common/durable_files.h"
#include "platform/calstore_exports.h"
#include "tests/support/khal_listing.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <chrono>

#include <algorithm>
#include <array>
#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <libical/ical.h>
#include <map>
#include <set>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Show {
    const char *title, *otherActs, *venue, *url, *location;
    int32_t year, month, day;
    unsigned char tickets;
};

// Texts as the plug-in keeps them in its records; 0x8E, 0x9A and 0x9F are Mac OS Roman é, ö and ü.
const Show kTricky{"Caf\x8E Tacvba, \"Live\"; \\encore",
                   "M\x9Atley; Cr\x9F, the \"Band\"",
                   "Club; A, B",
                   "http://127.0.0.1/clickthrough.php?target=http://x/?a=1,b=2;c",
                   "Austin, TX",
                   2031,
                   12,
                   31,
                   1};
const Show kPlain{"Beirut", "", "The Parish", "", "Austin, TX", 2031, 3, 7, 2};

class CalstoreBundle : public ::testing::Test {
  protected:
    void SetUp() override {
        handle_ = dlopen(VX_CALSTORE_BINARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        init_ = reinterpret_cast<InitializeCocoaFn>(dlsym(handle_, "InitializeCocoa"));
        create_ = reinterpret_cast<Vxt_CreateNewCalendarFn>(dlsym(handle_, "Vxt_CreateNewCalendar"));
        add_ = reinterpret_cast<Vxt_AddEventFn>(dlsym(handle_, "Vxt_AddEvent"));
        save_ = reinterpret_cast<Vxt_SaveCalendarFn>(dlsym(handle_, "Vxt_SaveCalendar"));
        saved_ = reinterpret_cast<Vxt_CalendarSavedFn>(dlsym(handle_, "Vxt_CalendarSaved"));
        ASSERT_TRUE(init_ && create_ && add_ && save_ && saved_);
        init_();
    }
    void TearDown() override {
        if (handle_) dlclose(handle_);
    }

    fs::path store() const { return fs::path(home_.path()) / "Library/Calendars/Voxtrail Store"; }

    CFTypeRef create(const char* title) {
        CFStringRef t = CFStringCreateWithCString(kCFAllocatorDefault, title, kCFStringEncodingMacRoman);
        CFTypeRef cal = create_(t);
        CFRelease(t);
        return cal;
    }
    void add(CFTypeRef cal, const Show& s) {
        auto str = [](const char* c) {
            return CFStringCreateWithCString(kCFAllocatorDefault, c, kCFStringEncodingMacRoman);
        };
        std::array<CFStringRef, 6> args{str(s.title), str(s.otherActs), str(s.venue),
                                        str(s.url),   str(s.location),  str("")};
        add_(cal, args[0], args[1], args[2], args[3], args[4], args[5], s.year, s.month, s.day, s.tickets);
        for (CFStringRef a : args)
            CFRelease(a);
    }
    // One whole export, as the plug-in makes it; true when the bundle says it saved it whole.
    bool exportShows(const std::vector<Show>& shows) {
        CFTypeRef cal = create("Voxtrail_Concerts");
        for (const Show& s : shows)
            add(cal, s);
        save_(cal);
        const bool whole = saved_(cal) == 1;
        CFRelease(cal);
        return whole;
    }
    static std::set<std::string> names(const fs::path& folder) {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(folder))
            out.insert(e.path().filename().string());
        return out;
    }

    static std::vector<fs::path> events(const fs::path& folder) {
        std::vector<fs::path> out;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(folder, ec))
            if (e.path().extension() == ".ics") out.push_back(e.path());
        return out;
    }
    static std::vector<fs::path> calendars(const fs::path& store) {
        std::vector<fs::path> out;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(store, ec))
            out.push_back(e.path());
        return out;
    }

    TempHome home_;
    void* handle_ = nullptr;
    InitializeCocoaFn init_ = nullptr;
    Vxt_CreateNewCalendarFn create_ = nullptr;
    Vxt_AddEventFn add_ = nullptr;
    Vxt_SaveCalendarFn save_ = nullptr;
    Vxt_CalendarSavedFn saved_ = nullptr;
};

std::string prop(icalcomponent* c, icalproperty_kind kind) {
    icalproperty* p = icalcomponent_get_first_property(c, kind);
    return p ? icalproperty_get_value_as_string(p) : "<none>";
}
std::string text(icalcomponent* c, icalproperty_kind kind) {
    icalproperty* p = icalcomponent_get_first_property(c, kind);
    return p ? icalvalue_get_text(icalproperty_get_value(p)) : "<none>";
}

TEST_F(CalstoreBundle, EachEventIsACompleteObjectThatReadsBackAsWritten) {
    exportShows({kTricky, kPlain});
    const auto cals = calendars(store());
    ASSERT_EQ(cals.size(), 1u);
    EXPECT_EQ(TempHome::read((cals[0] / "displayname").string()), "Voxtrail_Concerts");
    const auto files = events(cals[0]);
    ASSERT_EQ(files.size(), 2u);

    std::map<std::string, icalcomponent*> bySummary;
    for (const auto& f : files) {
        icalcomponent* cal = icalparser_parse_string(TempHome::read(f.string()).c_str());
        ASSERT_NE(cal, nullptr) << f;
        EXPECT_EQ(prop(cal, ICAL_VERSION_PROPERTY), "2.0");
        EXPECT_NE(prop(cal, ICAL_PRODID_PROPERTY), "<none>");
        icalcomponent* ev = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT);
        ASSERT_NE(ev, nullptr);
        EXPECT_EQ(std::string(icalcomponent_get_uid(ev)) + ".ics", f.filename().string());
        EXPECT_NE(prop(ev, ICAL_DTSTAMP_PROPERTY), "<none>");
        EXPECT_TRUE(icalcomponent_get_dtstart(ev).is_date);
        bySummary[text(ev, ICAL_SUMMARY_PROPERTY)] = ev;
    }

    icalcomponent* tricky = bySummary["Café Tacvba, \"Live\"; \\encore"];
    ASSERT_NE(tricky, nullptr);
    EXPECT_EQ(std::string(icaltime_as_ical_string(icalcomponent_get_dtstart(tricky))), "20311231");
    EXPECT_EQ(std::string(icaltime_as_ical_string(icalcomponent_get_dtend(tricky))), "20320101");
    EXPECT_EQ(text(tricky, ICAL_LOCATION_PROPERTY), "Club; A, B - (Austin, TX)");
    EXPECT_EQ(prop(tricky, ICAL_URL_PROPERTY), kTricky.url);
    EXPECT_EQ(text(tricky, ICAL_DESCRIPTION_PROPERTY),
              "Café Tacvba, \"Live\"; \\encore\n-- playing with --\n    Mötley; Crü, the \"Band\"\n"
              "---------------\n\nTickets Available!");

    // No other acts, no friends, a tickets flag other than 1: no notes at all.
    icalcomponent* plain = bySummary["Beirut"];
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(std::string(icaltime_as_ical_string(icalcomponent_get_dtend(plain))), "20310308");
    EXPECT_EQ(prop(plain, ICAL_DESCRIPTION_PROPERTY), "<none>");
    for (auto& [summary, ev] : bySummary)
        icalcomponent_free(icalcomponent_get_parent(ev));
}

TEST_F(CalstoreBundle, AnExportReplacesItsCalendarWholeAndOnlyWhenSaved) {
    exportShows({kTricky, kPlain});
    const fs::path folder = calendars(store()).at(0);
    // Another calendar of the same title that sorts first stays; only the last one is replaced.
    fs::create_directories(store() / "0-older");
    TempHome::writeFile((store() / "0-older/displayname").string(), "Voxtrail_Concerts");
    TempHome::writeFile((store() / "0-older/kept.ics").string(), "x");

    CFTypeRef cal = create("Voxtrail_Concerts");
    add(cal, kPlain);
    EXPECT_EQ(events(folder).size(), 2u) << "a reader sees the old calendar until the new one is saved";
    save_(cal);
    CFRelease(cal);

    EXPECT_EQ(calendars(store()).size(), 2u);
    ASSERT_EQ(events(folder).size(), 1u) << "the calendar keeps its folder, so readers' settings stay valid";
    EXPECT_TRUE(fs::exists(store() / "0-older/kept.ics"));

    // Null handles and a date that does not exist change nothing and return.
    add_(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 2031, 1, 1, 1);
    save_(nullptr);
    cal = create("Voxtrail_Concerts");
    add(cal, Show{"Nobody", "", "V", "", "L", 2031, 2, 30, 0});
    save_(cal);
    CFRelease(cal);
    EXPECT_TRUE(events(folder).empty());
}

// An export holds the store while it stages, so the work folders the next one finds are a killed
// export's, however fresh.
TEST_F(CalstoreBundle, AnExportSweepsTheStagingFoldersACrashLeft) {
    fs::create_directories(store() / ".staging-killed");
    fs::create_directories(store() / ".old-killed");
    exportShows({kPlain});
    EXPECT_EQ(calendars(store()).size(), 1u);
}

// The user's own files in the calendar's folder stay, also in one an older export wrote without
// its list of files (there the title file and the events naming our writer are ours).
TEST_F(CalstoreBundle, TheUsersOwnFilesInTheCalendarStay) {
    ASSERT_TRUE(exportShows({kPlain}));
    const fs::path folder = store() / "Voxtrail_Concerts";
    TempHome::writeFile((folder / "my-own-event.ics").string(), "BEGIN:VCALENDAR\nEND:VCALENDAR\n");
    TempHome::writeFile((folder / "notes.txt").string(), "mine");
    ASSERT_TRUE(exportShows({kPlain, kTricky}));
    EXPECT_EQ(events(folder).size(), 3u);
    fs::remove(folder / ".voxtrail-exported");
    ASSERT_TRUE(exportShows({}));
    EXPECT_EQ(names(folder),
              (std::set<std::string>{".voxtrail-exported", "displayname", "my-own-event.ics", "notes.txt"}));
    EXPECT_EQ(TempHome::read((folder / "notes.txt").string()), "mine");
}

// With 8 to 96 KB free (a small file system mounted for the test) a 145-event export cannot be
// staged whole: the complete calendar stays as it was, and the bundle says the save failed.
TEST_F(CalstoreBundle, ANearlyFullDiskNeverReplacesTheCalendar) {
    const fs::path disk = fs::path(home_.path()) / "Library/Calendars";
    fs::create_directories(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=1536k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    std::vector<std::string> titles(290);
    std::vector<Show> shows[2];
    for (int i = 0; i < 290; ++i) {
        titles[i] = "Band " + std::to_string(i);
        shows[i / 145].push_back(Show{titles[i].c_str(), "", "V", "", "L", 2031, 1 + i % 12, 1 + i % 28, 0});
    }
    ASSERT_TRUE(exportShows(shows[0]));
    const fs::path folder = store() / "Voxtrail_Concerts";
    const std::set<std::string> complete = names(folder);
    for (const unsigned long freeKb : {8ul, 24ul, 48ul, 96ul}) {
        struct statvfs st {};
        ASSERT_EQ(statvfs(disk.c_str(), &st), 0);
        TempHome::writeFile((disk / "filler").string(),
                            std::string(st.f_bavail * st.f_frsize - freeKb * 1024, 'x'));
        EXPECT_FALSE(exportShows(shows[1])) << freeKb << " KB free";
        EXPECT_EQ(names(folder), complete) << freeKb << " KB free";
        EXPECT_EQ(names(store()).size(), 1u) << "no staging folder is left";
        fs::remove(disk / "filler");
    }
    EXPECT_TRUE(exportShows(shows[1]));
    EXPECT_EQ(events(folder).size(), 145u);
    ::umount2(disk.c_str(), MNT_DETACH);
}

// Runs one export in a child that cannot write the store (as nobody when the tests run as root,
// who writes anywhere) and answers what it printed.
TEST_F(CalstoreBundle, AReadOnlyStoreKeepsItsCalendarAndSaysSo) {
    exportShows({kTricky});
    const fs::path folder = calendars(store()).at(0);
    fs::permissions(home_.path(), fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
    for (fs::path p = store(); p != fs::path(home_.path()); p = p.parent_path())
        fs::permissions(p, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(store(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                 fs::perms::others_exec);

    int out[2];
    ASSERT_EQ(pipe(out), 0);
    fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        exportShows({kPlain});
        fflush(stdout);
        _exit(0);
    }
    close(out[1]);
    std::string printed;
    char buf[256];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;)
        printed.append(buf, n);
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    fs::permissions(store(), fs::perms::owner_all);

    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(printed, "Could not save Voxtrail calendar to iCal\nCould not save event to Voxtrail calendar\n"
                       "Could not save Voxtrail  calendar\n");
    EXPECT_EQ(events(folder).size(), 1u);
    EXPECT_EQ(calendars(store()).size(), 1u);
}

// khal reads the store as it is: each show on its date with its title and location.
TEST_F(CalstoreBundle, KhalListsEachShowOnItsDate) {
    if (std::system("command -v khal >/dev/null 2>&1") != 0) GTEST_SKIP() << "khal is not installed";
    exportShows({kTricky, kPlain});
    const std::string listed =
        khalListing((store() / "Voxtrail_Concerts").string(), home_.path(), "2031-01-01", "2032-12-31");
    EXPECT_NE(listed.find("2031-03-07 Beirut @ The Parish - (Austin, TX)"), std::string::npos) << listed;
    EXPECT_NE(listed.find("2031-12-31 Café Tacvba, \"Live\"; \\encore @ Club; A, B - (Austin, TX)"),
              std::string::npos)
        << listed;
}

} // namespace

namespace {

// The strings that cross into the bundle: Mac OS Roman bytes become UTF-8 and come back whole.
TEST(CFStringStandIn, ConvertsBetweenMacRomanAndUtf8AndRefusesWhatItCannotHold) {
    CFStringRef s =
        CFStringCreateWithCString(kCFAllocatorDefault, "Caf\x8E; \\\"x\"", kCFStringEncodingMacRoman);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(CFStringGetCStringPtr(s, kCFStringEncodingUTF8), "Café; \\\"x\"");
    char buf[16];
    ASSERT_TRUE(CFStringGetCString(s, buf, sizeof buf, kCFStringEncodingMacRoman));
    EXPECT_STREQ(buf, "Caf\x8E; \\\"x\"");
    EXPECT_FALSE(CFStringGetCString(s, buf, 5, kCFStringEncodingMacRoman));
    EXPECT_STREQ(buf, "");
    CFRelease(s);

    EXPECT_EQ(CFStringCreateWithCString(kCFAllocatorDefault, "Caf\xE9", kCFStringEncodingUTF8), nullptr);
    CFStringRef han = CFStringCreateWithCString(kCFAllocatorDefault, "\xE6\xBC\xA2", kCFStringEncodingUTF8);
    EXPECT_FALSE(CFStringGetCString(han, buf, sizeof buf, kCFStringEncodingMacRoman));
    CFRelease(han);
}

} // namespace

namespace {

// A calendar whose "displayname" became a link (to nothing, or to another file) is still the one
// replaced, its link not read: no second calendar of the title appears beside a stale one.
TEST_F(CalstoreBundle, ALinkedTitleFileLeavesNoStaleCalendar) {
    const std::string other = home_.path() + "/other-title";
    TempHome::writeFile(other, "Somebody else's calendar");
    for (const std::string& target : {std::string("/nonexistent/title"), other}) {
        ASSERT_TRUE(exportShows({kTricky, kPlain}));
        const fs::path folder = store() / "Voxtrail_Concerts";
        fs::remove(folder / "displayname");
        fs::create_symlink(target, folder / "displayname");
        ASSERT_TRUE(exportShows({kPlain}));
        EXPECT_EQ(calendars(store()), std::vector<fs::path>{folder}) << target;
        EXPECT_EQ(events(folder).size(), 1u) << target;
        EXPECT_FALSE(fs::is_symlink(folder / "displayname")) << target;
    }
}

} // namespace
