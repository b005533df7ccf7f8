#pragma once
// Drives the controller from a headless script: one command per turn of the event loop, as a
// user would click; a command the window would not take (a button behind an open sheet, a
// disabled control) ends the run with status 2.
#include "installer/headless_sheets.h"
#include "installer/installer.h"

#include <functional>
#include <string>
#include <vector>

namespace vx::installer {

class HeadlessRun {
  public:
    // exit ends the application with a status.
    HeadlessRun(Installer& installer, HeadlessSheets& sheets, std::vector<std::string> lines,
                std::function<void(int)> exit);
    void start();

  private:
    void step();
    bool perform(const std::string& line);
    bool fail(const std::string& why);

    Installer& installer_;
    HeadlessSheets& sheets_;
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
    std::function<void(int)> exit_;
};

} // namespace vx::installer
