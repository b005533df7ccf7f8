#include "plugin/export/change_notice.h"

#include "common/fixed_text.h"
#include "platform/boundary_guard.h"
#include "platform/growl_script.h"
#include "platform/host_services.h"
#include "platform/script_runner.h"
#include "plugin/export/notify_texts.h"
#include "plugin/export/notify_window.h"

#include <memory>

namespace {

constexpr std::size_t kLinesShown = 5;
constexpr const char* kNoticeName = "Show Changes";

struct PendingNotice {
    std::vector<std::string> lines;
    bool growl = false;
    char webServiceHost[256] = {};
};

std::string changesScript(const std::vector<std::string>& lines) {
    std::string description;
    for (const std::string& line : lines)
        description += vx::appleScriptStringContent(line) + "\r";
    return growlNotifyScript(kNoticeName, description, "Voxtrail_icon_blue.png");
}

void showNotice(void* context) {
    std::unique_ptr<PendingNotice> notice(static_cast<PendingNotice*>(context));
    const std::vector<std::string>& lines = notice->lines;
    if (notice->growl) {
        SimpleRunAppleScript(changesScript(lines).c_str());
        return;
    }
    // The window has three rows: two changes, then a third or what is left of the notice.
    auto line = [&](std::size_t i) { return i < lines.size() ? lines[i].c_str() : ""; };
    std::string third = line(2);
    if (lines.size() > 3) third += " (" + std::to_string(lines.size() - 3) + " more lines)";
    closeNotifyWindow(&hNotifyConcertWindow, &theTimerConcertWindow, &theAnimationConcertWindow);
    OpenNotifyGUI(&hNotifyConcertWindow, &theTimerConcertWindow, &theAnimationConcertWindow, 0,
                  "Changed:", "", "", line(0), line(1), third.c_str(), "", notice->webServiceHost);
}

} // namespace

std::vector<std::string> changeNoticeLines(const std::vector<std::string>& changes) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < changes.size() && i < kLinesShown; ++i)
        lines.push_back(changes[i]);
    if (changes.size() > kLinesShown)
        lines.push_back("and " + std::to_string(changes.size() - kLinesShown) + " more");
    return lines;
}

void notifyShowChanges(PluginData* root, const std::vector<std::string>& changes,
                       const char* webServiceHost) {
    if (!root || changes.empty()) return;
    auto notice = std::make_unique<PendingNotice>();
    notice->lines = changeNoticeLines(changes);
    notice->growl = root->state.getNotificationWindowStyle();
    vx::copyText(notice->webServiceHost, webServiceHost ? webServiceHost : "");
    if (vx::hostPostToHostThread(vx::guarded<"change notice", showNotice>(), notice.get())) notice.release();
}
