#pragma once
// The 32-bit off-screen graphics world and the copy of a finished frame into the host's port.
#include "platform/visual_plugin_api.h"

#include <cstdint>
#include <memory>
#include <vector>

struct DrawnFrame;

// Pixels are 0xAARRGGBB (premultiplied), rows from the top; width * 4 bytes a row.
struct GWorld {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    int lockCount = 0;
    // What the last drawing context drew here; dropped whenever the pixels are changed otherwise.
    std::shared_ptr<DrawnFrame> drawn;
};
using GWorldPtr = GWorld*;

enum { useTempMem = 4 };

// A world the size of bounds (moved to 0,0). Only depth 32 is offered; a world too large to
// allocate answers memFullErr and leaves *out null.
OSStatus NewGWorld(GWorldPtr* out, int16_t pixelDepth, const Rect* bounds, uint32_t flags);
void DisposeGWorld(GWorldPtr world);
bool LockPixels(GWorldPtr world);
void UnlockPixels(GWorldPtr world);
// Paints every pixel (black: 0xFF000000).
void PaintGWorld(GWorldPtr world, uint32_t argb);

// The calling thread's current port and world, saved and restored around drawing.
void GetGWorld(CGrafPtr* port, GWorldPtr* world);
void SetGWorld(CGrafPtr port, GWorldPtr world);

// Copies srcRect of the world into dstRect of the host port (clipped to the port) under the
// port's pixel lock, then asks the host to repaint; never waits for the host thread.
void CopyBits(GWorldPtr src, const Rect* srcRect, CGrafPtr dst, const Rect* dstRect);
