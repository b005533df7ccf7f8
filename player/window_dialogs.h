#pragma once
// Real dialogs for the window mode; an answer the script chose beforehand is used instead.
#include "player/host_dialogs.h"
#include "player/url_opener.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace vx::player {

class WindowDialogs : public HostDialogs {
  public:
    WindowDialogs();
    void setParent(QWidget* parent) { parent_ = parent; }

    int32_t alert(const std::string& title, const std::string& message, const std::string& defaultButton,
                  const std::string& cancelButton) override;
    std::optional<std::string> chooseFile(const std::string& title, const std::string& folder) override;
    bool openUrl(const std::string& url) override;
    void copyText(const std::string& text) override;

  private:
    QPointer<QWidget> parent_;
    UrlOpener opener_;
    QTimer reapTimer_;
};

} // namespace vx::player
