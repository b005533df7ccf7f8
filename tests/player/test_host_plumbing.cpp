// The host-side machinery plug-ins call into: mouse handlers, the pixel port, work posted to the
// host thread, dialog answers and the URL opener.
#include "player/bundle_finder.h"
#include "player/host_dialogs.h"
#include "player/host_port.h"
#include "player/host_thread_queue.h"
#include "player/mouse_handlers.h"
#include "player/url_opener.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace vx::player;

namespace {

struct Recorder {
    std::vector<std::string>* calls;
    std::string name;
    OSStatus answer = kEventNotHandledErr;
    MouseHandlers* handlers = nullptr;
    void* removeOnCall = nullptr;
};

OSStatus record(const VxMouseEvent* e, void* user) {
    auto* r = static_cast<Recorder*>(user);
    r->calls->push_back(r->name + ":" + std::to_string(e->kind));
    if (r->removeOnCall) r->handlers->remove(r->removeOnCall);
    return r->answer;
}

} // namespace

TEST(MouseHandlers, NewestFirstUntilOneHandlesTheEvent) {
    std::vector<std::string> calls;
    MouseHandlers h;
    Recorder a{&calls, "a"}, b{&calls, "b"}, c{&calls, "c"};
    h.install(&record, &a);
    h.install(&record, &b);
    void* refC = h.install(&record, &c);
    VxMouseEvent ev{};
    ev.kind = kEventMouseDown;
    h.deliver(ev);
    EXPECT_EQ(calls, (std::vector<std::string>{"c:1", "b:1", "a:1"}));

    calls.clear();
    b.answer = noErr; // handled: a never sees it
    h.deliver(ev);
    EXPECT_EQ(calls, (std::vector<std::string>{"c:1", "b:1"}));

    EXPECT_TRUE(h.remove(refC));
    EXPECT_FALSE(h.remove(refC));
    EXPECT_EQ(h.size(), 2u);
    EXPECT_EQ(h.install(nullptr, nullptr), nullptr);
}

TEST(MouseHandlers, AHandlerRemovedDuringDeliveryIsNotCalled) {
    std::vector<std::string> calls;
    MouseHandlers h;
    Recorder a{&calls, "a"}, b{&calls, "b"};
    void* refA = h.install(&record, &a);
    h.install(&record, &b);
    b.handlers = &h;
    b.removeOnCall = refA;
    h.deliver(VxMouseEvent{});
    EXPECT_EQ(calls, (std::vector<std::string>{"b:0"}));
    // References are never reused: the stale one cannot remove a newer handler.
    void* refNew = h.install(&record, &a);
    EXPECT_NE(refNew, refA);
    EXPECT_FALSE(h.remove(refA));
}

TEST(HostPort, ReallocatesWithThePaneBlackAndTheRestWindowColoured) {
    HostPort port([] {});
    Rect pane{44, 4, 54, 24}; // 20 x 10 at (4, 44)
    port.reallocate(28, 58, pane);
    VxHostPort* p = port.port();
    ASSERT_NE(p->pixels, nullptr);
    EXPECT_EQ(p->width, 28);
    EXPECT_EQ(p->height, 58);
    EXPECT_EQ(p->rowBytes, 28 * 4);
    EXPECT_EQ(p->pixels[0], HostPort::kWindowColor);
    EXPECT_EQ(p->pixels[44 * 28 + 4], HostPort::kPaneColor);
    EXPECT_EQ(p->pixels[44 * 28 + 3], HostPort::kWindowColor);
    EXPECT_EQ(p->pixels[53 * 28 + 23], HostPort::kPaneColor);
    EXPECT_EQ(p->pixels[54 * 28 + 23], HostPort::kWindowColor);

    p->pixels[44 * 28 + 4] = 0xFF112233;
    std::vector<uint32_t> copy = port.copyRect(4, 44, 20, 10);
    ASSERT_EQ(copy.size(), 200u);
    EXPECT_EQ(copy[0], 0xFF112233u);
    // Parts outside the port come back black rather than read out of bounds.
    std::vector<uint32_t> edge = port.copyRect(20, 50, 20, 20);
    EXPECT_EQ(edge[19 * 20 + 19], HostPort::kPaneColor);
    EXPECT_EQ(edge[0], HostPort::kPaneColor);
}

TEST(HostPort, RepaintPostsFromAnyThreadAreCoalescedAndNeverWait) {
    std::atomic<int> requests{0};
    HostPort port([&] { requests.fetch_add(1); });
    port.reallocate(100, 100, Rect{10, 10, 90, 90});
    VxHostPort* p = port.port();
    // A drawing thread copies frames under the lock while the host resizes the port.
    std::thread drawer([&] {
        for (int frame = 0; frame < 500; ++frame) {
            p->lockPixels(p->hostContext);
            for (int i = 0; i < p->width * p->height; ++i)
                p->pixels[i] = 0xFF000000u | static_cast<uint32_t>(frame);
            p->unlockPixels(p->hostContext);
            p->postRepaint(p->hostContext);
        }
    });
    for (int i = 0; i < 200; ++i) {
        port.reallocate(50 + i % 60, 40 + i % 30, Rect{5, 5, 30, 30});
        port.repaintTaken();
    }
    drawer.join();
    EXPECT_EQ(port.repaintCount(), 500u);
    EXPECT_LE(requests.load(), 201); // at most one request per time the host took the repaint
    EXPECT_GE(requests.load(), 1);

    // Without repaintTaken, further posts ask nothing more of the host.
    int before = requests.load();
    p->postRepaint(p->hostContext);
    p->postRepaint(p->hostContext);
    EXPECT_LE(requests.load(), before + 1);
}

TEST(HostThreadQueue, RunsEachPostOnceOnTheHostThreadAndWakesOnlyWhenEmpty) {
    std::atomic<int> wakes{0};
    HostThreadQueue q([&] { wakes.fetch_add(1); });
    static std::atomic<int> ran;
    ran = 0;
    static std::thread::id ranOn;
    auto fn = [](void* ctx) {
        ran.fetch_add(*static_cast<int*>(ctx));
        ranOn = std::this_thread::get_id();
    };
    int one = 1;
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t)
        posters.emplace_back([&] {
            for (int i = 0; i < 250; ++i)
                q.post(fn, &one);
        });
    for (auto& t : posters)
        t.join();
    EXPECT_EQ(q.pendingCount(), 1000u);
    EXPECT_EQ(wakes.load(), 1);
    EXPECT_EQ(q.runPending(), 1000u);
    EXPECT_EQ(ran.load(), 1000);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(q.runPending(), 0u);
    q.post(fn, &one);
    EXPECT_EQ(wakes.load(), 2);
}

TEST(HostThreadQueue, WorkPostedWhileRunningRunsInTheSameDrain) {
    HostThreadQueue* queue = nullptr;
    HostThreadQueue q([] {});
    queue = &q;
    static int depth;
    depth = 0;
    static HostThreadQueue* qp;
    qp = queue;
    auto again = [](void*) {
        if (++depth < 3)
            qp->post(
                +[](void*) { ++depth; }, nullptr);
    };
    q.post(again, nullptr);
    EXPECT_EQ(q.runPending(), 2u);
    EXPECT_EQ(depth, 2);
}

TEST(HostDialogs, ScriptedAnswersNameButtonsByRoleNumberOrTitle) {
    EXPECT_EQ(buttonForAnswer("default", "Download", "Cancel"), kVxAlertDefaultButton);
    EXPECT_EQ(buttonForAnswer("1", "Download", "Cancel"), kVxAlertDefaultButton);
    EXPECT_EQ(buttonForAnswer("download", "Download", "Cancel"), kVxAlertDefaultButton);
    EXPECT_EQ(buttonForAnswer("Cancel", "Download", "Cancel"), kVxAlertCancelButton);
    EXPECT_EQ(buttonForAnswer("2", "Download", "Cancel"), kVxAlertCancelButton);
    EXPECT_EQ(buttonForAnswer("cancel", "OK", ""), 0); // a one-button alert has no cancel
    EXPECT_EQ(buttonForAnswer("Maybe", "OK", "Cancel"), 0);
}

TEST(HostDialogs, HeadlessAnswersUseTheScriptOnceThenTheDefault) {
    HeadlessDialogs d;
    d.answers.alertButton = "Stop";
    EXPECT_EQ(d.alert("T", "M", "Go", "Stop"), kVxAlertCancelButton);
    EXPECT_EQ(d.alert("T", "M", "Go", "Stop"), kVxAlertDefaultButton);
    d.answers.alertButton = "Nonsense";
    EXPECT_EQ(d.alert("T", "M", "Go", "Stop"), kVxAlertDefaultButton);
    EXPECT_FALSE(d.chooseFile("Pick", ""));
    d.answers.file = "/tmp/x.xml";
    EXPECT_EQ(d.chooseFile("Pick", "").value_or(""), "/tmp/x.xml");
    EXPECT_FALSE(d.chooseFile("Pick", ""));
}

TEST(UrlOpening, OnlySchemeUrlsAreOpenedAndTheyGoAsOneArgument) {
    EXPECT_TRUE(isOpenableUrl("http://example.com/a b?x=1&y=$(rm -rf ~)"));
    EXPECT_TRUE(isOpenableUrl("mailto:someone@example.com"));
    for (const char* bad : {"", "--help", "-x http://a", "example.com", ":nothing", "1http://x", "ht tp://x"})
        EXPECT_FALSE(isOpenableUrl(bad)) << bad;

    UrlOpener opener;
    EXPECT_FALSE(opener.open("http://example.com", "vx-no-such-program-here"));
    EXPECT_TRUE(opener.open("http://example.com", "true"));
    for (int i = 0; i < 200 && opener.reap() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(opener.reap(), 0u);
}

TEST(BundleLookup, TheUsersOwnBundleWinsByFolderNameOrIdentifier) {
    TempHome top;
    const std::string plist = "/Contents/Info.plist",
                      id = "<plist><dict><key>CFBundleIdentifier</key><string>";
    top.write("user/Voxtrail.bundle" + plist, id + "com.Voxtrail.Voxtrail</string></dict></plist>");
    top.write("sys/Renamed.bundle" + plist, id + "com.Voxtrail.Voxtrail</string></dict></plist>");
    top.write("sys/Voxtrail.bundle" + plist, id + "other.id</string></dict></plist>");
    top.write("sys/Other.bundle" + plist, "");
    std::vector<BundleInfo> found = findBundles({top.path() + "/user", top.path() + "/sys"}, nullptr);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].path + " " + found[1].path,
              top.path() + "/user/Voxtrail.bundle " + top.path() + "/sys/Other.bundle");
}
