#include "platform/graphics/drawn_frame.h"

#include <algorithm>

namespace {
bool same(const CGColorRGBA& a, const CGColorRGBA& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}
bool same(const CGRect& a, const CGRect& b) {
    return a.origin.x == b.origin.x && a.origin.y == b.origin.y && a.size.width == b.size.width &&
           a.size.height == b.size.height;
}
bool same(const CGSubpath& a, const CGSubpath& b) {
    if (a.closed != b.closed || a.points.size() != b.points.size()) return false;
    for (std::size_t i = 0; i < a.points.size(); ++i)
        if (a.points[i].x != b.points[i].x || a.points[i].y != b.points[i].y) return false;
    return true;
}
} // namespace

bool operator==(const CGContext::GState& a, const CGContext::GState& b) {
    return same(a.fill, b.fill) && same(a.stroke, b.stroke) && a.lineWidth == b.lineWidth &&
           a.fontSize == b.fontSize && a.encoding == b.encoding && a.textMode == b.textMode &&
           a.clipped == b.clipped && (!a.clipped || same(a.clip, b.clip)) && a.fontName == b.fontName;
}

namespace {
// Two operations of two frames draw the same: their texts and paths are compared by content,
// since where they sit in their frame's storage moves with everything drawn before them.
bool sameOp(const DrawnFrame& fa, const DrawOp& a, const DrawnFrame& fb, const DrawOp& b) {
    if (a.kind != b.kind || a.mode != b.mode || !same(a.rect, b.rect) || a.point.x != b.point.x ||
        a.point.y != b.point.y || a.count != b.count || a.image != b.image || a.imageKey != b.imageKey ||
        !(a.state == b.state))
        return false;
    if (a.kind == DrawOp::Text) return fa.bytes.compare(a.begin, a.count, fb.bytes, b.begin, b.count) == 0;
    if (a.kind == DrawOp::Path)
        for (std::size_t i = 0; i < a.count; ++i)
            if (!same(fa.subpaths[a.begin + i], fb.subpaths[b.begin + i])) return false;
    return true;
}

CGRect outset(const CGRect& r, double by) {
    return CGRectMake(r.origin.x - by, r.origin.y - by, r.size.width + 2 * by, r.size.height + 2 * by);
}

double areaOf(const CGRect& r) {
    return r.size.width * r.size.height;
}

} // namespace

CGRect unite(const CGRect& a, const CGRect& b) {
    if (areaOf(a) <= 0) return b;
    if (areaOf(b) <= 0) return a;
    const double x0 = std::min(a.origin.x, b.origin.x), y0 = std::min(a.origin.y, b.origin.y);
    const double x1 = std::max(a.origin.x + a.size.width, b.origin.x + b.size.width);
    const double y1 = std::max(a.origin.y + a.size.height, b.origin.y + b.size.height);
    return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

bool operator==(const DrawnFrame& a, const DrawnFrame& b) {
    if (a.ops.size() != b.ops.size() || a.bytes.size() != b.bytes.size()) return false;
    for (std::size_t i = 0; i < a.ops.size(); ++i)
        if (!sameOp(a, a.ops[i], b, b.ops[i])) return false;
    return true;
}

CGRect reachOf(const DrawnFrame& frame, const DrawOp& op) {
    const double line = op.state.lineWidth;
    switch (op.kind) {
    case DrawOp::FillRect:
        return op.rect;
    case DrawOp::StrokeRect:
        return outset(op.rect, line / 2 + 1);
    case DrawOp::Image:
        return outset(op.rect, 1);
    case DrawOp::Text:
        return outset(op.rect, 1); // the context measured its line and ink
    case DrawOp::Path: {
        CGRect box{};
        bool any = false;
        for (std::size_t k = op.begin; k < op.begin + op.count; ++k)
            for (const CGPoint& p : frame.subpaths[k].points) {
                const CGRect dot = CGRectMake(p.x, p.y, 0, 0);
                box = any ? unite(box, outset(dot, 0.5)) : outset(dot, 0.5);
                any = true;
            }
        return any ? outset(box, line + 1) : CGRect{};
    }
    case DrawOp::Clip:
        return CGRect{};
    }
    return CGRect{};
}

bool intersects(const CGRect& a, const CGRect& b) {
    return a.origin.x < b.origin.x + b.size.width && b.origin.x < a.origin.x + a.size.width &&
           a.origin.y < b.origin.y + b.size.height && b.origin.y < a.origin.y + a.size.height;
}

FrameDifference differenceBetween(const DrawnFrame& before, const DrawnFrame& after, int width, int height) {
    FrameDifference d;
    const std::size_t n = before.ops.size(), m = after.ops.size();
    auto add = [&](const DrawnFrame& f, const DrawOp& op) {
        const CGRect r = reachOf(f, op);
        if (areaOf(r) > 0) d.areas.push_back(r);
    };
    if (n == m) { // the usual change: a style or a text, the operations otherwise the same
        for (std::size_t i = 0; i < n; ++i)
            if (!sameOp(before, before.ops[i], after, after.ops[i])) {
                add(before, before.ops[i]);
                add(after, after.ops[i]);
            }
    } else { // something appeared or went: what lies between the common start and end differs
        std::size_t head = 0, tail = 0;
        while (head < n && head < m && sameOp(before, before.ops[head], after, after.ops[head]))
            ++head;
        while (tail < n - head && tail < m - head &&
               sameOp(before, before.ops[n - 1 - tail], after, after.ops[m - 1 - tail]))
            ++tail;
        for (std::size_t i = head; i < n - tail; ++i)
            add(before, before.ops[i]);
        for (std::size_t i = head; i < m - tail; ++i)
            add(after, after.ops[i]);
    }
    // Many small areas cost more to clip to than their bounds; large ones are the whole frame.
    constexpr std::size_t kMostAreas = 32;
    double total = 0;
    CGRect bounds{};
    for (const CGRect& r : d.areas) {
        total += areaOf(r);
        bounds = unite(bounds, r);
    }
    if (d.areas.size() > kMostAreas) d.areas.assign(1, bounds), total = areaOf(bounds);
    d.whole = total > 0.5 * width * height;
    return d;
}

bool coversWorld(const DrawnFrame& frame, int width, int height) {
    if (frame.ops.empty()) return false;
    const DrawOp& first = frame.ops.front();
    const CGRect& r = first.rect;
    return first.kind == DrawOp::FillRect && !first.state.clipped && first.state.fill.a >= 1.0 &&
           r.origin.x <= 0 && r.origin.y <= 0 && r.origin.x + r.size.width >= width &&
           r.origin.y + r.size.height >= height;
}
