#include "player/host_dialogs.h"

#include "platform/visual_plugin_api.h"
#include "player/output.h"

#include <algorithm>
#include <cctype>

namespace vx::player {

namespace {

bool sameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

int32_t buttonForAnswer(const std::string& answer, const std::string& defaultButton,
                        const std::string& cancelButton) {
    if (answer == "1" || sameText(answer, "default") || sameText(answer, defaultButton))
        return kVxAlertDefaultButton;
    if (cancelButton.empty()) return 0;
    if (answer == "2" || sameText(answer, "cancel") || sameText(answer, cancelButton))
        return kVxAlertCancelButton;
    return 0;
}

bool isOpenableUrl(const std::string& url) {
    size_t colon = url.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    if (!std::isalpha(static_cast<unsigned char>(url[0]))) return false;
    return std::all_of(url.begin(), url.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '.' || c == '-';
    });
}

int32_t HeadlessDialogs::alert(const std::string& title, const std::string& message,
                               const std::string& defaultButton, const std::string& cancelButton) {
    printLine("alert: " + oneLine(title) + " | " + oneLine(message));
    if (!answers.alertButton) return kVxAlertDefaultButton;
    std::string answer = *answers.alertButton;
    answers.alertButton.reset();
    int32_t button = buttonForAnswer(answer, defaultButton, cancelButton);
    if (button == 0) {
        printNote("alert has no button \"" + answer + "\"; answered with the default button");
        return kVxAlertDefaultButton;
    }
    return button;
}

std::optional<std::string> HeadlessDialogs::chooseFile(const std::string& title, const std::string& folder) {
    printLine("file-dialog: " + oneLine(title) + (folder.empty() ? "" : " | " + oneLine(folder)));
    std::optional<std::string> file = std::move(answers.file);
    answers.file.reset();
    return file;
}

void HeadlessDialogs::copyText(const std::string& text) {
    printLine("clipboard: " + oneLine(text));
}

bool HeadlessDialogs::openUrl(const std::string& url) {
    printLine("open-url: " + oneLine(url));
    return true;
}

} // namespace vx::player
