#pragma once
// What a drawing context drew into a world, kept with the world: a host asks for a frame many times
// a second, and most frames draw exactly what the one before drew.
#include "platform/graphics/cg_context.h"

#include <cstdint>
#include <string>
#include <vector>

struct DrawOp {
    enum Kind : uint8_t { FillRect, StrokeRect, Path, Text, Image, Clip };
    Kind kind = FillRect;
    CGPathDrawingMode mode = kCGPathFill;
    CGContext::GState state; // as it stood when the operation was asked for
    CGRect rect{};           // a text's: from its baseline's start, as wide as its advance
    CGPoint point{};
    std::size_t begin = 0, count = 0; // bytes of a text, subpaths of a path; an image's copy
    CGImageRef image = nullptr;
    long long imageKey = 0; // the image's contents, so an image freed and made again at one address differs
};

struct DrawnFrame {
    std::vector<DrawOp> ops;
    std::string bytes;               // the texts, one after another
    std::vector<CGSubpath> subpaths; // the paths' pieces, one after another
    void clear() {
        ops.clear();
        bytes.clear();
        subpaths.clear();
    }
};

bool operator==(const CGContext::GState& a, const CGContext::GState& b);
bool operator==(const DrawnFrame& a, const DrawnFrame& b);

// Where drawing `after` over what `before` drew changes pixels: rectangles in user space that hold
// every pixel either frame's differing operations may touch. `whole` when bounding them would not
// save drawing most of the frame.
struct FrameDifference {
    bool whole = false;
    std::vector<CGRect> areas;
};
FrameDifference differenceBetween(const DrawnFrame& before, const DrawnFrame& after, int width, int height);
// Every pixel the operation may touch, in user space (empty for a clip).
CGRect reachOf(const DrawnFrame& frame, const DrawOp& op);
bool intersects(const CGRect& a, const CGRect& b);
// The smallest rectangle holding both (an empty one adds nothing).
CGRect unite(const CGRect& a, const CGRect& b);
// True when the frame starts by painting every pixel of a width x height world opaque, so
// drawing it again over its own result changes nothing.
bool coversWorld(const DrawnFrame& frame, int width, int height);
