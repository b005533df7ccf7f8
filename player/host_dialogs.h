#pragma once
// Alerts, file dialogs and the browser, as the player offers them to plug-ins: printed and
// answered from the script when headless, real dialogs in the window.
#include <cstdint>
#include <optional>
#include <string>

namespace vx::player {

// Answers a script chose for the next alert and the next file dialog; each is used once.
struct ScriptedAnswers {
    std::optional<std::string> alertButton; // "default", "cancel", "1", "2" or a button's title
    std::optional<std::string> file;
};

// The button a scripted answer names: kVxAlertDefaultButton, kVxAlertCancelButton, or 0 when it
// names neither of the alert's buttons.
int32_t buttonForAnswer(const std::string& answer, const std::string& defaultButton,
                        const std::string& cancelButton);

// True for "scheme:..." URLs; anything else (a leading "-" above all) never reaches a browser.
bool isOpenableUrl(const std::string& url);

class HostDialogs {
  public:
    virtual ~HostDialogs() = default;
    // cancelButton is "" for an alert with one button. Returns the button chosen.
    virtual int32_t alert(const std::string& title, const std::string& message,
                          const std::string& defaultButton, const std::string& cancelButton) = 0;
    // The chosen file's path, or nothing when cancelled; the dialog opens in folder unless it is "".
    virtual std::optional<std::string> chooseFile(const std::string& title, const std::string& folder) = 0;
    // False when the browser could not be started.
    virtual bool openUrl(const std::string& url) = 0;
    virtual void copyText(const std::string& text) = 0;

    ScriptedAnswers answers;
};

// Prints each request on stdout and answers from the script (default button, cancel).
class HeadlessDialogs : public HostDialogs {
  public:
    int32_t alert(const std::string& title, const std::string& message, const std::string& defaultButton,
                  const std::string& cancelButton) override;
    std::optional<std::string> chooseFile(const std::string& title, const std::string& folder) override;
    bool openUrl(const std::string& url) override;
    // Headless, the copied text is printed as "clipboard: TEXT".
    void copyText(const std::string& text) override;
};

} // namespace vx::player
