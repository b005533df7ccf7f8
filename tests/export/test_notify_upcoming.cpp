// Which tracks give a notice, and the own window's course: stepped by hand, tick by tick, on the
// player's window services.
#include "platform/host_services.h"
#include "platform/host_windows.h"
#include "platform/script_runner.h"
#include "plugin/export/notify_upcoming.h"
#include "plugin/export/notify_window.h"
#include "plugin/model/plugin_data.h"
#include "tests/support/window_services.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> scripts;
OSStatus recordScript(const char* text) {
    scripts.push_back(text);
    return noErr;
}

struct Pascal {
    unsigned char bytes[256] = {};
    explicit Pascal(const std::string& s) {
        bytes[0] = static_cast<unsigned char>(s.size() < 255 ? s.size() : 255);
        std::memcpy(bytes + 1, s.data(), bytes[0]);
    }
};

SHOWENTRY* entry(const char* artist, const char* venue, int month, const char* url,
                 const char* label = nullptr) {
    auto* e = new SHOWENTRY;
    std::strcpy(e->artist, artist);
    std::strcpy(e->venue, venue);
    std::strcpy(e->location, "Boston, MA");
    std::strcpy(e->url, url);
    e->year = 2027;
    e->month = month;
    e->day = 5;
    if (label) e->nameList->add(new FRIENDNAME(label));
    return e;
}

class NotifyUpcoming : public ::testing::Test {
  protected:
    PluginData root;
    XML_Album_List owned;
    WindowBackend backend;
    VxHostServices table{};

    static void SetUpTestSuite() { ensureTestApplication(); }
    void SetUp() override {
        scripts.clear();
        vx::setScriptRunnerForTesting(recordScript);
        setNotifyResourceFolderForTesting(VX_RESOURCES_DIR);
        table = vx::player::makeHostServiceTable(&backend);
        vx::setHostServicesForTesting(&table);
        setFormatFilterStore(&root.state);
        root.state.setNotifyConcerts(true);
        root.state.setNotifyAlbums(true);
        root.concerts->addShow(entry("The Band One", "The Paradise", 3, "show-one"), nullptr);
        root.concerts->addShow(entry("Band Three", "Club", 4, "show-three"), nullptr);
        root.albumReleases->addShow(entry("Band One", "New Record", 12, "B1", "CD"), nullptr);
        root.albumReleases->addShow(entry("Band Two", "Owned Album", 12, "B2", "CD"), nullptr);
        root.albumReleases->addShow(entry("Band Four", "Live At Home", 12, "B4", "Live"), nullptr);
        root.state.addFormatFilter("Live");
        owned.add(new XMLALBUM("ownedalbum"));
    }
    void TearDown() override {
        removeNotifyWindows();
        vx::setHostServicesForTesting(nullptr);
        vx::setScriptRunnerForTesting(nullptr);
        setNotifyResourceFolderForTesting("");
        setFormatFilterStore(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void play(const std::string& artist) {
        Pascal a(artist), album("Any");
        notifyUserOfUpcomingShow(&root, owned, "127.0.0.1:8460", a.bytes, album.bytes);
    }
    std::string last(bool artist) {
        char text[1024];
        artist ? root.state.getLastArtistNotified(text) : root.state.getLastAlbumNotified(text);
        return text;
    }
    // Ticks the window's timer would give, by hand.
    static void tick(VxTimer* timer, NotifyAnimation* a, int n) {
        for (int i = 0; i < n && *a->window; ++i)
            TimerAction(timer, a);
    }
    int windowTop(VxWindow* w) { return vx::hostWindowBounds(w).top; }
};

TEST_F(NotifyUpcoming, EachArtistAndAlbumIsAnnouncedOnceAndOwnedOrFilteredAlbumsNever) {
    root.state.setNotificationWindowStyle(true);
    play("Band One"); // the show's artist is "The Band One": the names match once normalised
    ASSERT_EQ(scripts.size(), 2u);
    EXPECT_NE(scripts[0].find("Artist: The Band One\rVenue: The Paradise (Boston, MA)\rDate: Mar 5, 2027\r"),
              std::string::npos);
    EXPECT_NE(scripts[1].find("Upcoming Album Release"), std::string::npos);
    play("Band One");
    EXPECT_EQ(scripts.size(), 2u) << "the same artist again";

    play("Band Two");
    EXPECT_EQ(scripts.size(), 2u) << "the user owns that album";
    EXPECT_EQ(last(false), "Owned Album") << "yet it is the last album notified";
    play("Band Four");
    EXPECT_EQ(scripts.size(), 2u) << "its only format is filtered out";
    play("");
    play("The");
    EXPECT_EQ(scripts.size(), 2u) << "no artist, or one that normalises to nothing";
    EXPECT_EQ(last(true), "Band One");

    root.state.setNotifyConcerts(false);
    play("Band Three");
    EXPECT_EQ(scripts.size(), 2u);
    EXPECT_EQ(last(true), "Band One") << "no lookup at all with concert notices off";
    root.state.setNotifyConcerts(true);
    play("Band Three");
    play("Band One");
    // Alternating artists are announced each time; the album too, as another was the last one.
    EXPECT_EQ(scripts.size(), 5u);
}

TEST_F(NotifyUpcoming, TheOwnWindowSlidesHoldsFadesAndCloses) {
    play("Band Three");
    ASSERT_NE(hNotifyConcertWindow, nullptr);
    EXPECT_TRUE(scripts.empty());
    VxWindow* w = hNotifyConcertWindow;
    NotifyAnimation* a = theAnimationConcertWindow;
    VxTimer* t = theTimerConcertWindow;
    EXPECT_EQ(vx::hostWindowBounds(w).right, vx::hostMainDisplayBounds().right)
        << "flush right on the main display";

    tick(t, a, 1);
    EXPECT_EQ(windowTop(w), -84 + 22) << "starts just above the menu bar";
    tick(t, a, 49);
    EXPECT_EQ(windowTop(w), 41 - 84 + 22) << "at 0.49 s: 49 % of its height down";
    EXPECT_NEAR(a->alpha, 0.5f, 0.01f);
    tick(t, a, 51);
    EXPECT_EQ(windowTop(w), 22);
    EXPECT_EQ(a->alpha, 1.0f);
    tick(t, a, 399);
    EXPECT_EQ(a->alpha, 1.0f) << "held 4 s";
    tick(t, a, 100);
    EXPECT_NEAR(a->alpha, 0.5f, 0.01f);
    EXPECT_EQ(windowTop(w), 22) << "fades where it is";

    // The mouse over it starts the hold again.
    ASSERT_TRUE(backend.windows.hover("Voxtrail_Notify", 100, 40));
    tick(t, a, 1);
    EXPECT_EQ(a->alpha, 1.0f);
    int ticks = 1;
    while (hNotifyConcertWindow && ticks < 2000) {
        TimerAction(t, a);
        ++ticks;
    }
    EXPECT_GE(ticks, 595);
    EXPECT_LE(ticks, 605) << "4 s of hold and 2 s of fade";
    EXPECT_EQ(theTimerConcertWindow, nullptr);
    EXPECT_EQ(backend.windows.windowCount(), 0u);
    EXPECT_EQ(backend.windows.timerCount(), 0u);
}

TEST_F(NotifyUpcoming, TheAlbumWindowRestsBelowAClickOpensThePageAndANewNoticeReplacesTheOld) {
    play("Band One");
    ASSERT_NE(hNotifyConcertWindow, nullptr);
    ASSERT_NE(hNotifyAlbumWindow, nullptr);
    tick(theTimerAlbumWindow, theAnimationAlbumWindow, 150);
    EXPECT_EQ(windowTop(hNotifyAlbumWindow), 84 + 32) << "one window and 10 pixels lower";

    ASSERT_TRUE(backend.windows.click("Voxtrail_Notify", 200, 40)); // the newest: the album's
    ASSERT_EQ(backend.opened.size(), 1u);
    EXPECT_EQ(backend.opened[0], "http://127.0.0.1:8460/clickthrough.php?target=B1");

    play("Band Three");
    EXPECT_EQ(backend.windows.windowCount(), 2u) << "the concert window was replaced, not added";
    EXPECT_EQ(backend.windows.timerCount(), 2u);
    removeNotifyWindows();
    EXPECT_EQ(backend.windows.windowCount(), 0u);
    EXPECT_EQ(backend.windows.timerCount(), 0u);
    EXPECT_EQ(hNotifyAlbumWindow, nullptr);
}

std::vector<std::string> qtMessages;
void recordQtMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    qtMessages.push_back(text.toStdString());
}

// The notices are overlays that take no focus: shown, moved and faded on a platform with no
// window stack (ctest's offscreen one), they ask it for nothing it lacks.
TEST_F(NotifyUpcoming, NoticesShownOffscreenLeaveNoPlatformWarnings) {
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) GTEST_SKIP() << "offscreen only";
    qtMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordQtMessage);
    play("Band One");
    tick(theTimerAlbumWindow, theAnimationAlbumWindow, 150);
    qInstallMessageHandler(previous);
    ASSERT_NE(hNotifyAlbumWindow, nullptr);
    EXPECT_EQ(qtMessages, std::vector<std::string>{});
}

TEST_F(NotifyUpcoming, WithoutTheHostsWindowsNothingOpens) {
    VxHostServices old = table;
    old.size = offsetof(VxHostServices, createWindowFromInterfaceFile);
    vx::setHostServicesForTesting(&old);
    play("Band Three");
    EXPECT_EQ(hNotifyConcertWindow, nullptr);
    EXPECT_EQ(last(true), "Band Three");
}

} // namespace
