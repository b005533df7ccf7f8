#include "platform/graphics/cg_context.h"

#include <algorithm>
#include <cstring>

namespace {
double unit(double v) {
    return std::clamp(v, 0.0, 1.0);
}

CGColorRGBA colour(double r, double g, double b, double a) {
    return {unit(r), unit(g), unit(b), unit(a)};
}

// The subpath that new segments join; a segment without a preceding move starts at its own point.
CGSubpath& openSubpath(CGContextRef c, CGPoint at) {
    if (c->path.empty() || c->path.back().closed) {
        c->path.push_back({});
        c->path.back().points.push_back(at);
    }
    return c->path.back();
}
} // namespace

CGRect CGRectStandardize(CGRect r) {
    if (r.size.width < 0) {
        r.origin.x += r.size.width;
        r.size.width = -r.size.width;
    }
    if (r.size.height < 0) {
        r.origin.y += r.size.height;
        r.size.height = -r.size.height;
    }
    return r;
}

void CGContextSaveGState(CGContextRef c) {
    if (c) c->savedStates.push_back(c->state);
}

void CGContextRestoreGState(CGContextRef c) {
    if (!c || c->savedStates.empty()) return;
    const bool fontChanged = c->savedStates.back().fontName != c->state.fontName ||
                             c->savedStates.back().fontSize != c->state.fontSize;
    c->state = c->savedStates.back();
    c->savedStates.pop_back();
    if (fontChanged) ++c->fontGeneration;
    c->deviceClipChanged();
}

void CGContextClipToRect(CGContextRef c, CGRect rect) {
    if (!c) return;
    rect = CGRectStandardize(rect);
    if (c->state.clipped) {
        // The new clip is the intersection with the current one.
        const CGRect& o = c->state.clip;
        const double x0 = std::max(o.origin.x, rect.origin.x);
        const double y0 = std::max(o.origin.y, rect.origin.y);
        const double x1 = std::min(o.origin.x + o.size.width, rect.origin.x + rect.size.width);
        const double y1 = std::min(o.origin.y + o.size.height, rect.origin.y + rect.size.height);
        rect = CGRectMake(x0, y0, std::max(0.0, x1 - x0), std::max(0.0, y1 - y0));
    }
    c->state.clipped = true;
    c->state.clip = rect;
    c->deviceClipChanged();
}

void CGContextSetRGBFillColor(CGContextRef c, double r, double g, double b, double a) {
    if (c) c->state.fill = colour(r, g, b, a);
}

void CGContextSetRGBStrokeColor(CGContextRef c, double r, double g, double b, double a) {
    if (c) c->state.stroke = colour(r, g, b, a);
}

void CGContextSetLineWidth(CGContextRef c, double width) {
    if (c) c->state.lineWidth = std::max(0.0, width);
}

void CGContextFillRect(CGContextRef c, CGRect rect) {
    if (c) c->deviceFillRect(CGRectStandardize(rect));
}

void CGContextStrokeRect(CGContextRef c, CGRect rect) {
    if (c) c->deviceStrokeRect(CGRectStandardize(rect));
}

void CGContextBeginPath(CGContextRef c) {
    if (c) c->path.clear();
}

void CGContextMoveToPoint(CGContextRef c, double x, double y) {
    if (!c) return;
    c->path.push_back({});
    c->path.back().points.push_back({x, y});
}

void CGContextAddLineToPoint(CGContextRef c, double x, double y) {
    if (c) openSubpath(c, {x, y}).points.push_back({x, y});
}

void CGContextClosePath(CGContextRef c) {
    if (c && !c->path.empty()) c->path.back().closed = true;
}

void CGContextDrawPath(CGContextRef c, CGPathDrawingMode mode) {
    if (!c) return;
    if (!c->path.empty()) c->deviceDrawPath(c->path, mode);
    c->path.clear();
}

void CGContextFillPath(CGContextRef c) {
    CGContextDrawPath(c, kCGPathFill);
}
void CGContextStrokePath(CGContextRef c) {
    CGContextDrawPath(c, kCGPathStroke);
}

void CGContextSelectFont(CGContextRef c, const char* name, double size, CGTextEncoding encoding) {
    if (!c) return;
    c->state.fontName = name ? name : "";
    c->state.fontSize = size;
    c->state.encoding = encoding;
    ++c->fontGeneration;
}

void CGContextSetFontSize(CGContextRef c, double size) {
    if (!c || c->state.fontSize == size) return;
    c->state.fontSize = size;
    ++c->fontGeneration;
}

void CGContextSetTextDrawingMode(CGContextRef c, CGTextDrawingMode mode) {
    if (c) c->state.textMode = mode;
}

void CGContextSetTextPosition(CGContextRef c, double x, double y) {
    if (c) c->textPosition = {x, y};
}

CGPoint CGContextGetTextPosition(CGContextRef c) {
    return c ? c->textPosition : CGPoint{};
}

void CGContextShowText(CGContextRef c, const char* bytes, std::size_t length) {
    if (!c) return;
    if (!bytes) length = 0;
    const double advance = length ? c->deviceTextAdvance(bytes, length) : 0.0;
    if (length && c->state.textMode != kCGTextInvisible) c->deviceShowText(c->textPosition, bytes, length);
    c->textPosition.x += advance;
}

void CGContextShowTextAtPoint(CGContextRef c, double x, double y, const char* bytes, std::size_t length) {
    CGContextSetTextPosition(c, x, y);
    CGContextShowText(c, bytes, length);
}

void CGContextDrawImage(CGContextRef c, CGRect rect, CGImageRef image) {
    if (c && image) c->deviceDrawImage(CGRectStandardize(rect), image);
}
