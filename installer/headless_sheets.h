#pragma once
// Sheets without a window: each is printed as one "sheet: TITLE | MESSAGE" line on standard
// output and stays open until the script answers it.
#include "installer/sheet_presenter.h"

#include <string>

namespace vx::installer {

class HeadlessSheets : public SheetPresenter {
  public:
    void beginSheet(const Sheet& sheet, QWidget* window, std::function<void(int)> onEnd) override;
    bool sheetOpen() const { return open_; }
    // Ends the open sheet with button; false (nothing ends) when none is open or it has no such button.
    bool answer(const std::string& button);

  private:
    bool open_ = false;
    std::function<void(int)> onEnd_;
};

} // namespace vx::installer
