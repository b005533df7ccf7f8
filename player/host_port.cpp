#include "player/host_port.h"

#include <algorithm>

namespace vx::player {

HostPort::HostPort(std::function<void()> requestRepaint) : requestRepaint_(std::move(requestRepaint)) {
    port_.hostContext = this;
    port_.lockPixels = &HostPort::lockPixels;
    port_.unlockPixels = &HostPort::unlockPixels;
    port_.postRepaint = &HostPort::postRepaint;
}

void HostPort::reallocate(int width, int height, const Rect& pane) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    std::vector<uint32_t> fresh(static_cast<size_t>(width) * static_cast<size_t>(height), kWindowColor);
    for (int y = std::max<int>(pane.top, 0); y < std::min<int>(pane.bottom, height); ++y) {
        for (int x = std::max<int>(pane.left, 0); x < std::min<int>(pane.right, width); ++x) {
            fresh[static_cast<size_t>(y) * width + x] = kPaneColor;
        }
    }
    std::lock_guard lock(mutex_);
    pixels_.swap(fresh);
    port_.pixels = pixels_.empty() ? nullptr : pixels_.data();
    port_.width = width;
    port_.height = height;
    port_.rowBytes = width * 4;
}

bool HostPort::hasPixels() const {
    std::lock_guard lock(mutex_);
    return !pixels_.empty();
}

std::vector<uint32_t> HostPort::copyRect(int left, int top, int width, int height) const {
    width = std::max(width, 0);
    height = std::max(height, 0);
    std::vector<uint32_t> out(static_cast<size_t>(width) * static_cast<size_t>(height), kPaneColor);
    std::lock_guard lock(mutex_);
    for (int row = 0; row < height; ++row) {
        int y = top + row;
        if (y < 0 || y >= port_.height) continue;
        int x0 = std::max(left, 0);
        int x1 = std::min(left + width, static_cast<int>(port_.width));
        if (x0 >= x1) continue;
        std::copy(pixels_.begin() + static_cast<ptrdiff_t>(y) * port_.width + x0,
                  pixels_.begin() + static_cast<ptrdiff_t>(y) * port_.width + x1,
                  out.begin() + static_cast<ptrdiff_t>(row) * width + (x0 - left));
    }
    return out;
}

void HostPort::lockPixels(void* ctx) {
    static_cast<HostPort*>(ctx)->mutex_.lock();
}

void HostPort::unlockPixels(void* ctx) {
    static_cast<HostPort*>(ctx)->mutex_.unlock();
}

void HostPort::postRepaint(void* ctx) {
    auto* self = static_cast<HostPort*>(ctx);
    self->repaintCount_.fetch_add(1);
    if (!self->repaintPending_.exchange(true) && self->requestRepaint_) self->requestRepaint_();
}

} // namespace vx::player
