#include "plugin/export/change_notice.h"

#include "common/fixed_text.h"
#include "platform/boundary_guard.h"
#include "platform/growl_script.h"
#include "platform/host_services.h"
#include "platform/script_runner.h"
#include "plugin/export/notify_texts.h"
#include "plugin/export/notify_window.h"

#include <cstring>
#include <memory>

namespace {

constexpr std::size_t kLinesShown = 5;
constexpr const char* kNoticeName = "Show Changes";

struct PendingNotice {
    std::vector<std::string> lines;
    std::vector<NoticeRow> rows;
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
    if (notice->growl) {
        SimpleRunAppleScript(changesScript(notice->lines).c_str());
        return;
    }
    const std::vector<NoticeRow>& rows = notice->rows;
    closeNotifyWindow(&hNotifyConcertWindow, &theTimerConcertWindow, &theAnimationConcertWindow);
    OpenNotifyGUI(&hNotifyConcertWindow, &theTimerConcertWindow, &theAnimationConcertWindow, 0,
                  rows[0].label.c_str(), rows[1].label.c_str(), rows[2].label.c_str(), rows[0].value.c_str(),
                  rows[1].value.c_str(), rows[2].value.c_str(), "", notice->webServiceHost);
}

} // namespace

std::vector<NoticeRow> changeNoticeRows(const std::vector<std::string>& changes) {
    // The window's label column is narrow: the kind of change goes there, the show beside it.
    static const std::pair<const char*, const char*> kKinds[] = {{"Show moved: ", "Moved:"},
                                                                 {"Show cancelled: ", "Off:"},
                                                                 {"Show listed again: ", "Back:"},
                                                                 {"New show: ", "New:"}};
    std::vector<NoticeRow> rows(3);
    for (std::size_t i = 0; i < rows.size() && i < changes.size(); ++i) {
        rows[i].value = changes[i];
        for (const auto& [prefix, label] : kKinds)
            if (changes[i].rfind(prefix, 0) == 0) rows[i] = {label, changes[i].substr(std::strlen(prefix))};
    }
    // Three rows: past three changes the last says how many the window leaves out.
    if (changes.size() > rows.size())
        rows.back() = {"More:", std::to_string(changes.size() - 2) + " more changes"};
    return rows;
}

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
    notice->rows = changeNoticeRows(changes);
    notice->growl = root->state.getNotificationWindowStyle();
    vx::copyText(notice->webServiceHost, webServiceHost ? webServiceHost : "");
    if (vx::hostPostToHostThread(vx::guarded<"change notice", showNotice>(), notice.get())) notice.release();
}
