#pragma once
// A drawing context that draws nothing and remembers what it was asked to draw. Every byte of
// a text advances the pen by a fixed width, so widths are known in advance.
#include "platform/graphics/cg_context.h"

#include <string>
#include <vector>

class RecordingContext : public CGContext {
  public:
    struct Text {
        std::string text;
        double x, y;
        std::string font;
        double size;
        CGColorRGBA colour;
    };
    struct Line {
        CGPoint from, to;
        CGColorRGBA colour;
    };
    struct Box {
        CGRect rect;
        CGColorRGBA colour;
    };

    explicit RecordingContext(double height, double advancePerByte = 6)
        : CGContext(height), advance(advancePerByte) {}

    double advance;
    std::vector<Text> texts;
    std::vector<Line> lines;
    std::vector<Box> fills;
    std::vector<Box> strokes;
    int measured = 0; // texts measured (shown invisibly or visibly)

    void deviceFillRect(const CGRect& r) override { fills.push_back({r, state.fill}); }
    void deviceStrokeRect(const CGRect& r) override { strokes.push_back({r, state.stroke}); }
    void deviceDrawPath(const std::vector<CGSubpath>& subpaths, CGPathDrawingMode mode) override {
        if (mode != kCGPathStroke) return;
        for (const CGSubpath& s : subpaths)
            for (std::size_t i = 1; i < s.points.size(); ++i)
                lines.push_back({s.points[i - 1], s.points[i], state.stroke});
    }
    double deviceTextAdvance(const char*, std::size_t length) override {
        ++measured;
        return advance * static_cast<double>(length);
    }
    void deviceShowText(CGPoint at, const char* bytes, std::size_t length) override {
        texts.push_back({std::string(bytes, length), at.x, at.y, state.fontName, state.fontSize, state.fill});
    }
    void deviceDrawImage(const CGRect&, CGImageRef) override {}
    void deviceClipChanged() override {}

    const Text* find(const std::string& text) const {
        for (const Text& t : texts)
            if (t.text == text) return &t;
        return nullptr;
    }
};
