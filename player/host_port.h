#pragma once
// The window's pixels as the visual plug-in sees them: a VxHostPort whose buffer the host may
// reallocate on a resize, always under the pixel lock.
#include "platform/visual_plugin_api.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace vx::player {

class HostPort {
  public:
    // Grey of the window around the pane; the pane itself starts black.
    static constexpr uint32_t kWindowColor = 0xFFD6D6D6;
    static constexpr uint32_t kPaneColor = 0xFF000000;

    // requestRepaint is called from whichever thread posts a repaint and must not wait; calls
    // are coalesced until repaintTaken().
    explicit HostPort(std::function<void()> requestRepaint);
    HostPort(const HostPort&) = delete;
    HostPort& operator=(const HostPort&) = delete;

    // Reallocates the pixels under the lock: the window colour with the pane rectangle black.
    void reallocate(int width, int height, const Rect& pane);
    bool hasPixels() const;

    // The port handed to the plug-in; stays at the same address for the port's life.
    VxHostPort* port() { return &port_; }

    // Copies a rectangle (clipped to the port, the rest black) under the lock, row by row.
    std::vector<uint32_t> copyRect(int left, int top, int width, int height) const;

    // The GUI thread calls this when it starts painting, so that the next post asks again.
    void repaintTaken() { repaintPending_.store(false); }
    uint64_t repaintCount() const { return repaintCount_.load(); }

  private:
    static void lockPixels(void* ctx);
    static void unlockPixels(void* ctx);
    static void postRepaint(void* ctx);

    mutable std::mutex mutex_;
    std::vector<uint32_t> pixels_;
    VxHostPort port_{};
    std::function<void()> requestRepaint_;
    std::atomic<bool> repaintPending_{false};
    std::atomic<uint64_t> repaintCount_{0};
};

} // namespace vx::player
