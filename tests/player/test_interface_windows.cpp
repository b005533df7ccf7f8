// Windows from interface files, controls found by their pairs, and timers, as a plug-in reaches
// them: through the host-services table the player hands over and the plug-in's null-safe calls.
#include "platform/host_services.h"
#include "platform/host_windows.h"
#include "tests/support/window_services.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>

#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace {

struct Events {
    std::vector<std::string> seen;
    bool disposeOnEvent = false;
};

OSStatus recordEvent(VxWindow* window, const VxWindowEvent* e, void* user) {
    auto* ev = static_cast<Events*>(user);
    std::string s = std::to_string(e->kind) + ":" + std::to_string(e->id);
    if (e->kind == kVxWindowEventMouseDown || e->kind == kVxWindowEventMouseMoved)
        s += "@" + std::to_string(e->location.h) + "," + std::to_string(e->location.v);
    if (e->kind == kVxControlEventKeyReleased) s += "#" + std::to_string(e->character);
    ev->seen.push_back(s);
    if (ev->disposeOnEvent) vx::hostDisposeWindow(window);
    return noErr;
}

class InterfaceWindowsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureTestApplication(); }
    void SetUp() override {
        table = vx::player::makeHostServiceTable(&backend);
        vx::setHostServicesForTesting(&table);
    }
    void TearDown() override {
        vx::setHostServicesForTesting(nullptr);
        backend.windows.disposeAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    VxWindow* open(Events* events) {
        return vx::hostCreateWindow(VX_TESTDATA_DIR "/windows", "Vx_Test",
                                    vx::guarded<"test window", recordEvent>(), events);
    }

    WindowBackend backend;
    VxHostServices table{};
};

TEST_F(InterfaceWindowsTest, OpensHiddenFindsControlsByPairAndRefusesMissingFiles) {
    Events events;
    EXPECT_EQ(vx::hostCreateWindow(VX_TESTDATA_DIR "/windows", "No_Such_Window",
                                   vx::guarded<"test window", recordEvent>(), &events),
              nullptr);
    VxWindow* w = open(&events);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(backend.windows.windows().size(), 1u);
    EXPECT_EQ(backend.windows.windows()[0].name, "Vx_Test");
    EXPECT_FALSE(backend.windows.windows()[0].visible);
    EXPECT_NE(vx::hostFindControl(w, VX_FOURCC('t', 'e', 'x', 't'), 1), nullptr);
    EXPECT_EQ(vx::hostFindControl(w, VX_FOURCC('t', 'e', 'x', 't'), 2), nullptr) << "the id must match too";
    EXPECT_EQ(vx::hostFindControl(w, VX_FOURCC('c', 'b', 'o', 'x'), 1), nullptr)
        << "the signature must match too";
}

TEST_F(InterfaceWindowsTest, TextsGoInAsPluginBytesAndComeOutAsUtf8WithoutMarkup) {
    Events events;
    VxWindow* w = open(&events);
    VxControl* label = vx::hostFindControl(w, VX_FOURCC('t', 'e', 'x', 't'), 1);
    vx::hostSetControlText(label, "Caf\x8E <b>x</b>"); // 0x8E: Mac OS Roman e acute
    EXPECT_EQ(vx::hostControlText(label), "Caf\xC3\xA9 <b>x</b>");
    const std::string longText(1000, 'a');
    VxControl* box = vx::hostFindControl(w, VX_FOURCC('t', 'b', 'o', 'x'), 3);
    vx::hostSetControlText(box, longText.c_str());
    EXPECT_EQ(vx::hostControlText(box), longText) << "a text longer than the first buffer comes out whole";
    // A box only to read (an address) shows its text from the start.
    auto* edit = backend.windows.widgetNamed("Vx_Test")->findChild<QLineEdit*>("CID_TEST_TBOX_box");
    edit->setReadOnly(true);
    vx::hostSetControlText(box, ("http://host/" + longText).c_str());
    EXPECT_EQ(edit->cursorPosition(), 0);
    char small[4];
    vx::setHostServicesForTesting(&table);
    EXPECT_EQ(table.controlText(table.context, label, small, sizeof small), 14u);
    EXPECT_STREQ(small, "Caf") << "cut before the two-byte character, never inside it";
}

TEST_F(InterfaceWindowsTest, UserActionsReachTheHandlerAndThePluginsOwnSettingsDoNot) {
    Events events;
    VxWindow* w = open(&events);
    vx::hostShowWindow(w, true);
    VxControl* check = vx::hostFindControl(w, VX_FOURCC('c', 'b', 'o', 'x'), 2);
    vx::hostSetControlValue(check, 1);
    EXPECT_EQ(vx::hostControlValue(check), 1);
    VxControl* list = vx::hostFindControl(w, VX_FOURCC('l', 'b', 'o', 'x'), 4);
    const char* rows[] = {"one", "two"};
    vx::hostSetControlRows(list, rows, 2);
    vx::hostSetControlValue(list, 1);
    EXPECT_EQ(vx::hostControlValue(list), 1);
    EXPECT_TRUE(events.seen.empty()) << "setting values sends no events";

    ASSERT_TRUE(backend.windows.click("Vx_Test", 20, 50)); // the check box
    EXPECT_EQ(vx::hostControlValue(check), 0);
    ASSERT_TRUE(backend.windows.click("Vx_Test", 250, 180)); // bare window
    ASSERT_TRUE(backend.windows.hover("Vx_Test", 260, 150));
    QWidget* box = backend.windows.widgetNamed("Vx_Test")->findChild<QLineEdit*>("CID_TEST_TBOX_box");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(box, &release);
    const std::vector<std::string> expected = {"100:2", "1:0@250,180", "5:0@260,150", "102:3#97"};
    EXPECT_EQ(events.seen, expected);
}

TEST_F(InterfaceWindowsTest, MovesFadesAndAHandlerMayDisposeItsOwnWindow) {
    Events events;
    VxWindow* w = open(&events);
    vx::hostShowWindow(w, true);
    vx::hostMoveWindow(w, 1200, 40);
    vx::hostSetWindowAlpha(w, 0.25f);
    const Rect r = vx::hostWindowBounds(w);
    EXPECT_EQ(r.left, 1200);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right - r.left, 300);
    auto info = backend.windows.windows().at(0);
    EXPECT_NEAR(info.opacity, 0.25, 0.01);
    EXPECT_TRUE(info.visible);

    events.disposeOnEvent = true;
    ASSERT_TRUE(backend.windows.click("Vx_Test", 250, 180));
    EXPECT_EQ(backend.windows.windowCount(), 0u);
    vx::hostSetWindowAlpha(w, 1.0f); // a stale handle is ignored
    EXPECT_EQ(vx::hostFindControl(w, VX_FOURCC('t', 'e', 'x', 't'), 1), nullptr);
}

TEST_F(InterfaceWindowsTest, OpensCentredOnTheHostWindowUnlessThePluginMovedItFirst) {
    QWidget player;
    player.setGeometry(40, 30, 500, 400);
    player.show();
    backend.windows.setPlacementAnchor(&player);
    Events events;
    VxWindow* centred = open(&events);
    VxWindow* moved = open(&events);
    vx::hostMoveWindow(moved, 5, 6);
    vx::hostShowWindow(centred, true);
    vx::hostShowWindow(moved, true);
    const QPoint offCentre = backend.windows.windows().at(0).geometry.center() - player.geometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 2);
    EXPECT_LT((backend.windows.windows().at(1).geometry.topLeft() - QPoint(5, 6)).manhattanLength(), 8);
}

struct Ticks {
    int count = 0;
    int removeAt = 3;
};

void tick(VxTimer* timer, void* user) {
    auto* t = static_cast<Ticks*>(user);
    if (++t->count == t->removeAt) vx::hostRemoveTimer(timer);
}

TEST_F(InterfaceWindowsTest, TimersRepeatOnTheEventLoopUntilTheyRemoveThemselves) {
    Ticks ticks;
    ASSERT_NE(vx::hostInstallTimer(0.01, 0.01, vx::guarded<"test timer", tick>(), &ticks), nullptr);
    EXPECT_EQ(backend.windows.timerCount(), 1u);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(ticks.count, 3);
    EXPECT_EQ(backend.windows.timerCount(), 0u);
}

TEST_F(InterfaceWindowsTest, DisposeAllCountsWhatWasLeftAndAnOldTableHasNoWindows) {
    Events events;
    open(&events);
    Ticks ticks;
    vx::hostInstallTimer(10, 10, vx::guarded<"test timer", tick>(), &ticks);
    const auto left = backend.windows.disposeAll();
    EXPECT_EQ(left.first, 1u);
    EXPECT_EQ(left.second, 1u);

    VxHostServices old = table;
    old.version = 3;
    old.size = offsetof(VxHostServices, createWindowFromInterfaceFile);
    vx::setHostServicesForTesting(&old);
    EXPECT_FALSE(vx::hostHasWindows());
    EXPECT_EQ(open(&events), nullptr);
    EXPECT_EQ(vx::hostInstallTimer(0.01, 0.01, vx::guarded<"test timer", tick>(), &ticks), nullptr);
    EXPECT_EQ(backend.windows.windowCount(), 0u);
}

// A callback is handed to the host only in its guarded form: a bare one does not compile.
static_assert(!std::is_invocable_v<decltype(&vx::hostInstallTimer), double, double, VxTimerProc, void*>);
static_assert(!std::is_invocable_v<decltype(&vx::hostPostToHostThread), void (*)(void*), void*>);
static_assert(!std::is_constructible_v<vx::GuardedProc<VxTimerProc>, VxTimerProc>);
static_assert(!std::is_default_constructible_v<vx::GuardedProcKey>);

OSStatus throwOnEvent(VxWindow*, const VxWindowEvent*, void*) {
    throw std::runtime_error("plug-in bug");
}

// A plug-in that hands the player a bare handler which throws ends only its own call; a window
// disposed afterwards goes at once, as the player is no longer inside a call.
TEST_F(InterfaceWindowsTest, AThrowingHandlerEndsOnlyItsOwnCall) {
    VxWindow* w = backend.windows.create(VX_TESTDATA_DIR "/windows", "Vx_Test", throwOnEvent, nullptr);
    ASSERT_NE(w, nullptr);
    ::testing::internal::CaptureStderr();
    EXPECT_NO_THROW(backend.windows.click("Vx_Test", 250, 180));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("plug-in bug"), std::string::npos);
    QPointer<QWidget> widget = backend.windows.widgetNamed("Vx_Test");
    ASSERT_FALSE(widget.isNull());
    backend.windows.dispose(w);
    EXPECT_TRUE(widget.isNull());
}

} // namespace

// As in the player: fontconfig's process-long caches are not leaks of ours.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
