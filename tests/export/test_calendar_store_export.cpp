#include "plugin/export/calendar_store_export.h"
#include "tests/export/export_fixture.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <libical/ical.h>
#include <map>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// One plug-in bundle folder for the whole run: bundles live as long as the process, so the
// plug-in's identifier must name one folder only. Its Resources hold the export bundle under test.
class PluginBundle {
  public:
    PluginBundle() {
        std::string pattern = (fs::temp_directory_path() / "vx-plugin-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        root_ = pattern;
        fs::create_directories(resources());
        TempHome::writeFile((root_ / "Voxtrail.bundle/Contents/Info.plist").string(),
                            "<plist><dict><key>CFBundleIdentifier</key><string>com.Voxtrail.Voxtrail</string>"
                            "</dict></plist>");
        // Made once, the bundle is known by its identifier from then on.
        VxCFURL url;
        url.path = (root_ / "Voxtrail.bundle").string();
        if (!CFBundleCreate(kCFAllocatorDefault, &url)) std::abort();
    }
    ~PluginBundle() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    fs::path resources() const { return root_ / "Voxtrail.bundle/Contents/Resources"; }
    // The export bundle becomes a link to folder, or goes when folder is empty.
    void useExportBundle(const std::string& folder) const {
        const fs::path link = resources() / kExportBundleName;
        std::error_code ec;
        fs::remove(link, ec);
        if (!folder.empty()) fs::create_directory_symlink(folder, link);
    }

  private:
    fs::path root_;
};

const PluginBundle& pluginBundle() {
    static const PluginBundle bundle;
    return bundle;
}

class CalendarStoreExport : public ::testing::Test {
  protected:
    void SetUp() override { pluginBundle().useExportBundle(VX_CALSTORE_BUNDLE_DIR); }
    fs::path calendar() const {
        return fs::path(home_.path()) / "Library/Calendars/Voxtrail Store/Voxtrail_Concerts";
    }

    struct Stored {
        std::string start, location, url, notes;
    };
    // The exported events by title, as a calendar reader finds them.
    std::map<std::string, Stored> eventsByTitle() const {
        std::map<std::string, Stored> events;
        auto text = [](icalcomponent* e, icalproperty_kind kind) {
            icalproperty* p = icalcomponent_get_first_property(e, kind);
            return std::string(p ? icalproperty_get_value_as_string(p) : "<none>");
        };
        std::error_code ec;
        for (const auto& f : fs::directory_iterator(calendar(), ec)) {
            if (f.path().extension() != ".ics") continue;
            std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)> c(
                icalparser_parse_string(TempHome::read(f.path().string()).c_str()), icalcomponent_free);
            icalcomponent* e =
                c ? icalcomponent_get_first_component(c.get(), ICAL_VEVENT_COMPONENT) : nullptr;
            if (!e) continue;
            const char* notes = icalcomponent_get_description(e);
            events[icalcomponent_get_summary(e)] = {icaltime_as_ical_string(icalcomponent_get_dtstart(e)),
                                                    icalcomponent_get_location(e), text(e, ICAL_URL_PROPERTY),
                                                    notes ? notes : "<none>"};
        }
        return events;
    }

    TempHome home_;
    PluginData data_;
};

TEST_F(CalendarStoreExport, TheChosenShowsFillVoxtrailConcerts) {
    addShow(data_, {"Calexico", "Stubb's", "Austin, TX", "Iron & Wine", "e?id=2", 2031, 11, 20, true, true});
    addShow(data_, {"Café Tacvba, \"Live\"; \\x", "Club; A, B", "Zürich", "", "e/1", 2031, 3, 5, true});
    addShow(data_, {"Old \x8E bytes", "Hall", "-", "", "e/4", 2031, 4, 1, true});
    addShow(data_, {"Not Chosen", "Club", "Boston, MA", "", "e/3", 2031, 1, 2, false});
    EXPECT_EQ(performExportTo_iCalCalendarStore(&data_, kHost), 0);

    EXPECT_EQ(TempHome::read((calendar() / "displayname").string()), "Voxtrail_Concerts");
    const auto events = eventsByTitle();
    ASSERT_EQ(events.size(), 3u);
    const Stored& calexico = events.at("Calexico");
    EXPECT_EQ(calexico.start, "20311120");
    EXPECT_EQ(calexico.location, "Stubb's - (Austin, TX)");
    EXPECT_EQ(calexico.url, "http://127.0.0.1:8460/clickthrough.php?target=e%3Fid=2");
    EXPECT_EQ(calexico.notes,
              "Calexico\n-- playing with --\n    Iron & Wine\n---------------\n\nTickets Available!");
    // No friends are passed, no tickets flag set, no other acts: no notes at all.
    const Stored& tricky = events.at("Café Tacvba, \"Live\"; \\x");
    EXPECT_EQ(tricky.notes, "<none>");
    EXPECT_EQ(tricky.location, "Club; A, B - (Zürich)");
    // A byte that is no UTF-8 is read as the Mac OS Roman text it was.
    EXPECT_EQ(events.count("Old é bytes"), 1u);
}

TEST_F(CalendarStoreExport, AMissingOrIncompleteBundleExportsNothing) {
    addShow(data_, {"Beirut", "The Parish", "-", "", "e/1", 2031, 3, 5, true});
    pluginBundle().useExportBundle("");
    EXPECT_EQ(performExportTo_iCalCalendarStore(&data_, kHost), 0);
    pluginBundle().useExportBundle(VX_INCOMPLETE_BUNDLE_DIR);
    EXPECT_EQ(performExportTo_iCalCalendarStore(&data_, kHost), 0);
    EXPECT_FALSE(fs::exists(home_.path() + "/created-by-incomplete-bundle"));
    EXPECT_FALSE(fs::exists(home_.path() + "/Library/Calendars"));
    char problem[ProtectedData::exportProblemCapacity];
    data_.state.getExportProblem(problem);
    EXPECT_NE(std::string(problem).find(kExportBundleName), std::string::npos) << problem;

    CFBundleRef none = reinterpret_cast<CFBundleRef>(1);
    CFStringRef name =
        CFStringCreateWithCString(kCFAllocatorDefault, "Nothing.bundle", kCFStringEncodingUTF8);
    LoadPrivateFrameworkBundle(name, &none);
    CFRelease(name);
    EXPECT_EQ(none, nullptr);
}

// The export at start gives way to a refresh rebuilding the list: the calendar keeps the last
// whole export, and the refresh's own export, which does not give way, writes the new one.
TEST_F(CalendarStoreExport, AnExportThatGivesWayToARefreshLeavesTheCalendarWhole) {
    addShow(data_, {"Beirut", "The Parish", "-", "", "e/1", 2031, 3, 5, true});
    addShow(data_, {"Calexico", "Stubb's", "-", "", "e/2", 2031, 3, 6, true});
    EXPECT_EQ(performExportTo_iCalCalendarStore(&data_, kHost), 0);
    data_.state.setUpdatingConcerts(true);
    addShow(data_, {"Deerhoof", "Hall", "-", "", "e/3", 2031, 3, 7, true});
    EXPECT_EQ(performExportTo_iCalCalendarStore(&data_, kHost, true), 0);
    EXPECT_EQ(eventsByTitle().size(), 2u);
    EXPECT_EQ(performExportTo_iCalCalendarStore(&data_, kHost), 0);
    EXPECT_EQ(eventsByTitle().size(), 3u);
}

// Exports from two threads at once (the update thread and a click): the calendar ends whole,
// holding one export's shows, with nothing of a half-made one left in the store.
TEST_F(CalendarStoreExport, TwoExportsAtOnceLeaveOneWholeCalendar) {
    for (int d = 1; d <= 20; ++d)
        addShow(data_,
                {("Band " + std::to_string(d)).c_str(), "Hall", "Boston, MA", "", "e", 2031, 5, d, true});
    auto exporter = [&] {
        for (int i = 0; i < 10; ++i)
            performExportTo_iCalCalendarStore(&data_, kHost);
    };
    std::thread a(exporter), b(exporter);
    a.join();
    b.join();
    EXPECT_EQ(eventsByTitle().size(), 20u);
    const fs::path store = calendar().parent_path();
    EXPECT_EQ(std::distance(fs::directory_iterator(store), fs::directory_iterator()), 1);
}

// A disk that became read-only: the status line gives the system's reason.
TEST_F(CalendarStoreExport, AReadOnlyDiskIsToldAsSuch) {
    const fs::path disk = fs::path(home_.path()) / "Library/Calendars";
    fs::create_directories(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount here (needs root)";
    addShow(data_, {"Beirut", "The Parish", "-", "", "e/1", 2031, 3, 5, true});
    performExportTo_iCalCalendarStore(&data_, kHost);
    ASSERT_EQ(::mount("tmpfs", disk.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=1m"), 0);
    performExportTo_iCalCalendarStore(&data_, kHost);
    char problem[ProtectedData::exportProblemCapacity];
    data_.state.getExportProblem(problem);
    EXPECT_NE(std::string(problem).find("(Read-only file system)"), std::string::npos) << problem;
    ::umount2(disk.c_str(), MNT_DETACH);
}

} // namespace
