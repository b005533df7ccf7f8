#include "platform/graphics/gworld.h"

#include <algorithm>
#include <new>

namespace {
// Larger worlds are refused rather than risking an allocation the machine cannot back.
constexpr long long kMaxPixels = 64LL * 1024 * 1024;

thread_local CGrafPtr currentPort = nullptr;
thread_local GWorldPtr currentWorld = nullptr;
} // namespace

OSStatus NewGWorld(GWorldPtr* out, int16_t pixelDepth, const Rect* bounds, uint32_t) {
    if (!out) return paramErr;
    *out = nullptr;
    if (!bounds || pixelDepth != 32) return paramErr;
    const int w = bounds->right - bounds->left;
    const int h = bounds->bottom - bounds->top;
    if (w <= 0 || h <= 0) return paramErr;
    if (static_cast<long long>(w) * h > kMaxPixels) return memFullErr;
    auto* world = new (std::nothrow) GWorld;
    if (!world) return memFullErr;
    try {
        world->pixels.assign(static_cast<std::size_t>(w) * h, 0xFF000000u);
    } catch (const std::bad_alloc&) {
        delete world;
        return memFullErr;
    }
    world->width = w;
    world->height = h;
    *out = world;
    return noErr;
}

void DisposeGWorld(GWorldPtr world) {
    delete world;
}

bool LockPixels(GWorldPtr world) {
    if (!world) return false;
    ++world->lockCount;
    return true;
}

void UnlockPixels(GWorldPtr world) {
    if (world && world->lockCount > 0) --world->lockCount;
}

void PaintGWorld(GWorldPtr world, uint32_t argb) {
    if (!world) return;
    std::fill(world->pixels.begin(), world->pixels.end(), argb);
    world->drawn.reset();
}

void GetGWorld(CGrafPtr* port, GWorldPtr* world) {
    if (port) *port = currentPort;
    if (world) *world = currentWorld;
}

void SetGWorld(CGrafPtr port, GWorldPtr world) {
    currentPort = port;
    currentWorld = world;
}

void CopyBits(GWorldPtr src, const Rect* srcRect, CGrafPtr dst, const Rect* dstRect) {
    if (!src || !srcRect || !dst || !dstRect) return;
    if (dst->lockPixels) dst->lockPixels(dst->hostContext);
    if (dst->pixels && dst->width > 0 && dst->height > 0) {
        const int w = std::min(srcRect->right - srcRect->left, dstRect->right - dstRect->left);
        const int h = std::min(srcRect->bottom - srcRect->top, dstRect->bottom - dstRect->top);
        const int rowWords = dst->rowBytes / 4;
        // The columns that lie inside both the world and the port, the same for every row.
        const int x0 = std::max({0, -srcRect->left, -dstRect->left});
        const int x1 =
            std::min({w, src->width - srcRect->left, dst->width - dstRect->left, rowWords - dstRect->left});
        for (int y = 0; y < h && x0 < x1; ++y) {
            const int sy = srcRect->top + y, dy = dstRect->top + y;
            if (sy < 0 || sy >= src->height || dy < 0 || dy >= dst->height) continue;
            std::copy_n(&src->pixels[static_cast<std::size_t>(sy) * src->width + srcRect->left + x0], x1 - x0,
                        &dst->pixels[static_cast<std::size_t>(dy) * rowWords + dstRect->left + x0]);
        }
    }
    if (dst->unlockPixels) dst->unlockPixels(dst->hostContext);
    if (dst->postRepaint) dst->postRepaint(dst->hostContext);
}
