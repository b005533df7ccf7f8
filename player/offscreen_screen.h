#pragma once
// The headless primary screen: the offscreen platform reads its screens from a file named in
// QT_QPA_PLATFORM, which must exist while the application starts and no longer after.
#include <string>

namespace vx::player {

class OffscreenScreen {
  public:
    OffscreenScreen() = default;
    ~OffscreenScreen() { release(); }
    OffscreenScreen(const OffscreenScreen&) = delete;
    OffscreenScreen& operator=(const OffscreenScreen&) = delete;

    // Writes the screen file and names it in QT_QPA_PLATFORM; false (nothing changed) when the
    // file cannot be written.
    bool configure(int width, int height);
    // Removes the file; call once the application object exists.
    void release();

  private:
    std::string path_;
};

} // namespace vx::player
