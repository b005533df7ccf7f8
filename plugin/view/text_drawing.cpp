#include "plugin/view/text_drawing.h"

#include "common/fixed_text.h"
#include "plugin/model/text_helpers.h"

#include <cstdlib>
#include <cstring>

namespace {
// Width of a text as drawing it moves the text position (the context is in invisible mode).
int measure(CGContextRef ctx, const char* text, std::size_t length) {
    const CGPoint before = CGContextGetTextPosition(ctx);
    CGContextShowText(ctx, text, length);
    return static_cast<int>(CGContextGetTextPosition(ctx).x - before.x);
}

int floorHalf(int v) {
    return v >= 0 ? v / 2 : -((-v + 1) / 2);
}

// The k-th text of the shortening: k = 0 is the text itself; each step drops one character and
// ends the text in "...", so step k keeps length - k - 3 characters and adds "...".
void shortened(const char* text, std::size_t length, std::size_t k, char* out) {
    if (k == 0) {
        std::memcpy(out, text, length + 1);
        return;
    }
    const std::size_t kept = length - k - 3;
    std::memcpy(out, text, kept);
    std::memcpy(out + kept, "...", 4);
}

// Shortens work (at least 5 characters, measured too wide) the way the step-by-step loop does:
// each round measures the text, then drops a character; it stops once a measurement fits or
// the text is down to 4 characters, so the result is one step past the first text that fits.
// Past the first step the widths only shrink, so the first fitting step is found by halving
// instead of measuring every step of a long text.
void shortenToFit(CGContextRef ctx, char* work, int limit) {
    const std::size_t length = std::strlen(work);
    char probe[256];
    std::size_t k;
    if (measure(ctx, work, length) <= limit) {
        k = 1;
    } else {
        std::size_t lo = 1, hi = length - 5, fitting = length - 5 + 1; // length - 4: none fits
        while (lo <= hi) {
            const std::size_t mid = lo + (hi - lo) / 2;
            shortened(work, length, mid, probe);
            if (measure(ctx, probe, length - mid) <= limit) {
                fitting = mid;
                if (mid == 1) break;
                hi = mid - 1;
            } else {
                lo = mid + 1;
            }
        }
        k = fitting + 1 > length - 4 ? length - 4 : fitting + 1;
    }
    shortened(work, length, k, probe);
    std::memcpy(work, probe, length - k + 1);
}

void underlineFrom(CGContextRef ctx, int x1, int x2, int y) {
    CGContextSetRGBStrokeColor(ctx, 0, 0, 0, 1);
    CGContextSetLineWidth(ctx, 1);
    CGContextBeginPath(ctx);
    CGContextMoveToPoint(ctx, x1, y);
    CGContextAddLineToPoint(ctx, x2, y);
    CGContextStrokePath(ctx);
}
} // namespace

int macWriteToRect(CGContextRef ctx, const char* text, Rect r, const Rect* pane, int fontSize, int align,
                   bool underline) {
    if (!ctx || !pane) return 0;
    if (!text) text = "";
    const int pitch = fontSize + 2;
    const int paneHeight = pane->bottom - pane->top;
    int baseline = paneHeight - r.top - pitch;
    const int boxBottom = paneHeight - r.bottom;
    const int width = r.right - r.left;
    const int textLength = static_cast<int>(std::strlen(text));

    int start = 0;
    int newline = strFind(text, "\n", 0);
    while (baseline > boxBottom) {
        const int end = newline >= 0 ? newline : textLength;
        char line[1024];
        std::size_t lineLength = static_cast<std::size_t>(end - start);
        if (lineLength > sizeof line - 1) lineLength = sizeof line - 1;
        std::memcpy(line, text + start, lineLength);
        line[lineLength] = '\0';

        CGContextSetTextDrawingMode(ctx, kCGTextInvisible);
        const int lineWidth = measure(ctx, line, lineLength);
        char work[256];
        vx::copyText(work, line);
        if (lineWidth > width - 2 && std::strlen(work) >= 5) shortenToFit(ctx, work, width - 2);
        const std::size_t workLength = std::strlen(work);
        const int t = measure(ctx, work, workLength);
        CGContextSetTextDrawingMode(ctx, kCGTextFill);

        int x = 0;
        bool draw = true;
        switch (align) {
        case 0:
            x = r.left + 1;
            if (underline) underlineFrom(ctx, x, r.left + t + 2, baseline - 2);
            break;
        case 1:
            x = r.left + floorHalf(width) - floorHalf(t) + 1;
            if (underline) underlineFrom(ctx, x, r.left + floorHalf(width) + floorHalf(t) + 2, baseline - 2);
            break;
        case 2:
            x = r.right - t + 1;
            if (underline) underlineFrom(ctx, x, r.right + 1, baseline - 2);
            break;
        default:
            draw = false;
            break;
        }
        if (draw) CGContextShowTextAtPoint(ctx, x, baseline, work, workLength);

        baseline -= pitch;
        if (newline < 0) return 0;
        start = newline + 1;
        newline = strFind(text, "\n", start);
    }
    return 1;
}

void macClearScreen(CGContextRef ctx, const Rect* pane) {
    if (!ctx || !pane) return;
    CGContextSetRGBFillColor(ctx, 1, 1, 1, 1);
    CGContextFillRect(ctx, CGRectMake(0, 0, pane->right - pane->left, std::abs(pane->bottom - pane->top)));
}
