#pragma once
// Sheets as window-modal message boxes on the installer's window.
#include "installer/sheet_presenter.h"

namespace vx::installer {

class WindowSheets : public SheetPresenter {
  public:
    void beginSheet(const Sheet& sheet, QWidget* window, std::function<void(int)> onEnd) override;
};

} // namespace vx::installer
