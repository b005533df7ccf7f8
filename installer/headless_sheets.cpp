#include "installer/headless_sheets.h"

#include "installer/installer_options.h"

#include <cstdio>

namespace vx::installer {

void HeadlessSheets::beginSheet(const Sheet& sheet, QWidget*, std::function<void(int)> onEnd) {
    std::printf("%s\n", sheetLine(sheet.title, sheet.message).c_str());
    std::fflush(stdout);
    open_ = true;
    onEnd_ = std::move(onEnd);
}

bool HeadlessSheets::answer(const std::string& button) {
    if (!open_ || button != "Ok") return false;
    open_ = false;
    std::function<void(int)> end = std::move(onEnd_);
    onEnd_ = nullptr;
    if (end) end(kDefaultReturn);
    return true;
}

} // namespace vx::installer
