#include "plugin/view/draw_helpers.h"

#include "plugin/view/cal_vis.h"
#include "plugin/view/text_drawing.h"

#include <algorithm>

const char* const kRegularFont = "Lucida Grande";
const char* const kBoldFont = "LucidaGrande-Bold";

namespace {
int16_t side(long long v) {
    return static_cast<int16_t>(std::clamp<long long>(v, INT16_MIN, INT16_MAX));
}
double unit(int v) {
    return v / 255.0;
}
int paneHeight(const Rect* pane) {
    return pane->bottom - pane->top;
}
} // namespace

Rect paneRect(long long top, long long left, long long bottom, long long right) {
    return Rect{side(top), side(left), side(bottom), side(right)};
}

void setFillColour(CGContextRef ctx, RGB255 c) {
    CGContextSetRGBFillColor(ctx, unit(c.r), unit(c.g), unit(c.b), 1);
}

void setStrokeColour(CGContextRef ctx, RGB255 c) {
    CGContextSetRGBStrokeColor(ctx, unit(c.r), unit(c.g), unit(c.b), 1);
}

void fillPaneRect(CGContextRef ctx, const Rect* pane, const Rect& r, RGB255 c) {
    setFillColour(ctx, c);
    CGContextFillRect(ctx, convertRect(r, pane));
}

void strokePaneRect(CGContextRef ctx, const Rect* pane, const Rect& r, RGB255 c) {
    setStrokeColour(ctx, c);
    CGContextSetLineWidth(ctx, 1);
    CGContextStrokeRect(ctx, convertStrokeRect(r, pane));
}

void strokePaneLine(CGContextRef ctx, const Rect* pane, int x1, int y1, int x2, int y2, RGB255 c) {
    setStrokeColour(ctx, c);
    CGContextSetLineWidth(ctx, 1);
    CGContextBeginPath(ctx);
    CGContextMoveToPoint(ctx, x1, paneHeight(pane) - y1);
    CGContextAddLineToPoint(ctx, x2, paneHeight(pane) - y2);
    CGContextStrokePath(ctx);
}

void fillPaneTriangle(CGContextRef ctx, const Rect* pane, const int (&xy)[6], RGB255 c) {
    setFillColour(ctx, c);
    CGContextBeginPath(ctx);
    CGContextMoveToPoint(ctx, xy[0], paneHeight(pane) - xy[1]);
    CGContextAddLineToPoint(ctx, xy[2], paneHeight(pane) - xy[3]);
    CGContextAddLineToPoint(ctx, xy[4], paneHeight(pane) - xy[5]);
    CGContextClosePath(ctx);
    CGContextFillPath(ctx);
}

void writeText(CGContextRef ctx, const Rect* pane, const char* text, const Rect& box,
               const TextStyle& style) {
    if (style.bold)
        CGContextSelectFont(ctx, kBoldFont, style.size, kCGEncodingMacRoman);
    else
        CGContextSetFontSize(ctx, style.size);
    setFillColour(ctx, style.colour);
    macWriteToRect(ctx, text, box, pane, style.size, style.align, style.underline);
    if (style.bold) CGContextSelectFont(ctx, kRegularFont, 13, kCGEncodingMacRoman);
}
