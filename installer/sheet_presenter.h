#pragma once
// How a sheet reaches the user: a window-modal dialog, or a printed line answered by a script.
#include "installer/sheet_texts.h"

#include <functional>

class QWidget;

namespace vx::installer {

// The return code of a sheet ended with its default button, "Ok".
inline constexpr int kDefaultReturn = 1;

class SheetPresenter {
  public:
    virtual ~SheetPresenter() = default;
    // Shows sheet on window with the single button "Ok"; onEnd (may be empty) runs on the GUI
    // thread with the return code when the sheet is answered.
    virtual void beginSheet(const Sheet& sheet, QWidget* window, std::function<void(int)> onEnd) = 0;
};

} // namespace vx::installer
