#pragma once
// An off-screen world with a drawing context on it, and its pixels read back as 0xRRGGBB.
#include "platform/graphics/cg_context.h"
#include "platform/graphics/gui_application.h"

#include <gtest/gtest.h>

#include <cstdint>

class PixelFrame {
  public:
    PixelFrame(int width, int height) {
        vx::ensureGuiApplication();
        const Rect bounds = {0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
        EXPECT_EQ(NewGWorld(&world, 32, &bounds, 0), noErr);
        EXPECT_EQ(QDBeginCGContext(world, &ctx), noErr);
    }
    ~PixelFrame() {
        finish();
        DisposeGWorld(world);
    }
    PixelFrame(const PixelFrame&) = delete;
    PixelFrame& operator=(const PixelFrame&) = delete;

    // Ends the drawing so the pixels are final.
    void finish() {
        if (ctx) QDEndCGContext(world, &ctx);
    }
    // Row y counted from the top, as the host sees the pane.
    uint32_t rgb(int x, int y) const {
        return world->pixels[static_cast<std::size_t>(y) * world->width + x] & 0xFFFFFFu;
    }
    static uint32_t rgb(int r, int g, int b) { return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }
    // Pixels in the rectangle [x0, x1) x [y0, y1) that are not white.
    int inked(int x0, int y0, int x1, int y1) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += rgb(x, y) != 0xFFFFFFu;
        return n;
    }

    GWorldPtr world = nullptr;
    CGContextRef ctx = nullptr;
};
