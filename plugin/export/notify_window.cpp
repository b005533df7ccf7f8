#include "plugin/export/notify_window.h"

#include "platform/graphics/bundle_resources.h"
#include "platform/host_services.h"
#include "platform/host_windows.h"
#include "plugin/net/web_fetch.h"

#include "common/fixed_text.h"

#include <algorithm>

VxWindow* hNotifyConcertWindow = nullptr;
VxTimer* theTimerConcertWindow = nullptr;
NotifyAnimation* theAnimationConcertWindow = nullptr;
VxWindow* hNotifyAlbumWindow = nullptr;
VxTimer* theTimerAlbumWindow = nullptr;
NotifyAnimation* theAnimationAlbumWindow = nullptr;

namespace {

constexpr OSStatus kEventNotHandled = -9874;
constexpr int kMenuBarHeight = 22;
constexpr int kStackedTop = 32;

std::string testFolder;

std::string resourceFolder() {
    if (!testFolder.empty()) return testFolder;
    return vx::ownBundleResourceFolder("com.Voxtrail.Voxtrail");
}

OSType fourCC(const char (&s)[5]) {
    return VX_FOURCC(s[0], s[1], s[2], s[3]);
}

} // namespace

void setNotifyResourceFolderForTesting(const std::string& folder) {
    testFolder = folder;
}

void closeNotifyWindow(VxWindow** window, VxTimer** timer, NotifyAnimation** animation) {
    if (timer && *timer) vx::hostRemoveTimer(*timer);
    if (window && *window) vx::hostDisposeWindow(*window);
    if (animation) {
        delete *animation;
        *animation = nullptr;
    }
    if (timer) *timer = nullptr;
    if (window) *window = nullptr;
}

void removeNotifyWindows() {
    closeNotifyWindow(&hNotifyConcertWindow, &theTimerConcertWindow, &theAnimationConcertWindow);
    closeNotifyWindow(&hNotifyAlbumWindow, &theTimerAlbumWindow, &theAnimationAlbumWindow);
}

OSStatus OpenNotifyGUI(VxWindow** window, VxTimer** timer, NotifyAnimation** animation, int kind,
                       const char* label1, const char* label2, const char* label3, const char* value1,
                       const char* value2, const char* value3, const char* link, const char* webServiceHost) {
    if (!window || !timer || !animation) return paramErr;
    const std::string folder = resourceFolder();
    if (folder.empty() || !vx::hostHasWindows()) return unimpErr;
    // A window still on screen goes first, so one window of a kind is ever up.
    closeNotifyWindow(window, timer, animation);
    auto* a = new NotifyAnimation;
    *window = vx::hostCreateWindow(folder.c_str(), "Voxtrail_Notify",
                                   vx::guarded<"notify window", NotifyControlHandler>(), a);
    if (!*window) {
        delete a;
        return unimpErr;
    }
    const std::string icon =
        folder + "/" + (kind == 1 ? "Voxtrail_icon_purple.png" : "Voxtrail_icon_blue.png");
    vx::hostSetControlImage(vx::hostFindControl(*window, fourCC("imag"), 10), icon.c_str());
    const char* texts[] = {label1, label2, label3, value1, value2, value3};
    for (int i = 0; i < 6; ++i)
        vx::hostSetControlText(vx::hostFindControl(*window, fourCC("stxt"), 20 + i),
                               texts[i] ? texts[i] : "");

    const Rect display = vx::hostMainDisplayBounds();
    const Rect bounds = vx::hostWindowBounds(*window);
    a->displayTop = display.top;
    a->displayHeight = display.bottom - display.top;
    a->displayWidth = display.right - display.left;
    a->windowWidth = bounds.right - bounds.left;
    a->windowHeight = bounds.bottom - bounds.top;
    a->left = display.left + a->displayWidth - a->windowWidth;
    a->stacked = kind == 1 && hNotifyConcertWindow != nullptr;
    vx::copyText(a->url, link);
    vx::copyText(a->webServiceHost, webServiceHost);
    a->window = window;
    a->timer = timer;
    a->record = animation;
    *animation = a;

    *timer = vx::hostInstallTimer(a->tickInterval, a->tickInterval,
                                  vx::guarded<"notify window timer", TimerAction>(), a);
    a->top = a->displayHeight + 100; // below the screen until the first tick
    vx::hostMoveWindow(*window, a->left, a->displayTop + a->top);
    vx::hostSetWindowAlpha(*window, 0.0f);
    vx::hostShowWindow(*window, true);
    return noErr;
}

void TimerAction(VxTimer* timer, void* animation) {
    auto* a = static_cast<NotifyAnimation*>(animation);
    if (!a || !a->window || !*a->window) {
        vx::hostRemoveTimer(timer);
        return;
    }
    a->elapsed = static_cast<float>(a->ticks) * a->tickInterval;
    const int s = a->stacked ? 1 : 0;
    const int base = a->stacked ? kStackedTop : kMenuBarHeight;
    const int h = a->windowHeight;
    if (a->elapsed < a->slideInTime) {
        a->top = static_cast<int>(a->elapsed * static_cast<float>((s + 1) * h) / a->slideInTime) - h + base;
        a->alpha = std::min(1.0f, a->alpha + a->tickInterval / a->slideInTime);
    } else if (a->elapsed < a->slideInTime + a->holdTime) {
        a->top = (s + 1) * h - h + base;
        a->alpha = 1.0f;
    } else {
        a->alpha = std::max(0.0f, a->alpha - a->tickInterval / a->fadeOutTime);
    }
    VxWindow* window = *a->window;
    vx::hostMoveWindow(window, a->left, a->displayTop + a->top);
    vx::hostShowWindow(window, true);
    vx::hostSetWindowAlpha(window, a->alpha);
    if (a->elapsed > a->slideInTime + a->holdTime && a->alpha <= 0.0f) {
        closeNotifyWindow(a->window, a->timer, a->record); // frees a
        return;
    }
    ++a->ticks;
}

OSStatus NotifyControlHandler(VxWindow*, const VxWindowEvent* event, void* animation) {
    auto* a = static_cast<NotifyAnimation*>(animation);
    if (!event || !a) return kEventNotHandled;
    const bool down = event->kind == kVxWindowEventMouseDown;
    if (!down && event->kind != kVxWindowEventMouseMoved) return kEventNotHandled;
    // The mouse over the window starts its hold again.
    if (a->elapsed >= a->slideInTime) {
        a->elapsed = a->slideInTime;
        a->ticks = static_cast<int>(a->slideInTime / a->tickInterval + 0.5f);
    }
    if (!down) return kEventNotHandled;
    if (event->globalLocation.h > a->left && a->url[0]) {
        // Room for the host (255), the scheme, the path and the link (255).
        char address[1024];
        const std::string path = std::string("/clickthrough.php?target=") + a->url;
        webServiceURL(address, sizeof address, a->webServiceHost, path.c_str());
        vx::hostOpenURL(address);
    }
    return noErr;
}
