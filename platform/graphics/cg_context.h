#pragma once
// A Core Graphics style drawing context: user space in pixels, origin at the bottom-left, y up.
// The drawing state (colours, line width, font, text position, path, clip) lives in CGContext;
// a device subclass puts the pixels somewhere. QDBeginCGContext gives one over an off-screen
// world; tests may subclass CGContext to record what is drawn.
#include "platform/graphics/cg_types.h"
#include "platform/graphics/gworld.h"

#include <cstddef>
#include <string>
#include <vector>

struct CGImage;
using CGImageRef = CGImage*;

enum CGTextDrawingMode { kCGTextFill = 0, kCGTextStroke = 1, kCGTextFillStroke = 2, kCGTextInvisible = 3 };
enum CGTextEncoding { kCGEncodingFontSpecific = 0, kCGEncodingMacRoman = 1 };
enum CGPathDrawingMode { kCGPathFill = 0, kCGPathEOFill = 1, kCGPathStroke = 2, kCGPathFillStroke = 3 };

struct CGColorRGBA {
    double r = 0, g = 0, b = 0, a = 1;
};

// One closed or open run of straight segments.
struct CGSubpath {
    std::vector<CGPoint> points;
    bool closed = false;
};

class CGContext {
  public:
    struct GState {
        CGColorRGBA fill;
        CGColorRGBA stroke;
        double lineWidth = 1;
        std::string fontName = "Helvetica";
        double fontSize = 12;
        CGTextEncoding encoding = kCGEncodingMacRoman;
        CGTextDrawingMode textMode = kCGTextFill;
        bool clipped = false;
        CGRect clip; // device space is user space here; only rectangular clips are offered
    };

    explicit CGContext(double height) : height(height) {}
    virtual ~CGContext() = default;
    CGContext(const CGContext&) = delete;
    CGContext& operator=(const CGContext&) = delete;

    // Height of the drawing surface: user y = height is its top row's upper edge.
    const double height;
    GState state;
    std::vector<GState> savedStates;
    CGPoint textPosition;
    std::vector<CGSubpath> path;
    // Set whenever the font name or size changes, so a device can rebuild its font lazily.
    unsigned fontGeneration = 0;

    // Device operations, in user space; the state above says colours, font and clip.
    virtual void deviceFillRect(const CGRect& rect) = 0;
    virtual void deviceStrokeRect(const CGRect& rect) = 0;
    virtual void deviceDrawPath(const std::vector<CGSubpath>& subpaths, CGPathDrawingMode mode) = 0;
    // Horizontal advance of the text in the current font (what drawing it moves the pen by).
    virtual double deviceTextAdvance(const char* bytes, std::size_t length) = 0;
    virtual void deviceShowText(CGPoint baseline, const char* bytes, std::size_t length) = 0;
    virtual void deviceDrawImage(const CGRect& rect, CGImageRef image) = 0;
    // Called after the clip in state changed.
    virtual void deviceClipChanged() = 0;
};
using CGContextRef = CGContext*;

// A context drawing into the world's pixels (QuickDraw-to-Core-Graphics bridge). Returns noErr,
// or paramErr for a missing or empty world.
OSStatus QDBeginCGContext(GWorldPtr world, CGContextRef* out);
// Finishes the drawing into the world and releases the context; *ctx becomes null.
OSStatus QDEndCGContext(GWorldPtr world, CGContextRef* ctx);

void CGContextSaveGState(CGContextRef c);
void CGContextRestoreGState(CGContextRef c);
void CGContextClipToRect(CGContextRef c, CGRect rect);

void CGContextSetRGBFillColor(CGContextRef c, double r, double g, double b, double a);
void CGContextSetRGBStrokeColor(CGContextRef c, double r, double g, double b, double a);
void CGContextSetLineWidth(CGContextRef c, double width);

// Rectangles with a negative width or height are standardised first, as Core Graphics does.
void CGContextFillRect(CGContextRef c, CGRect rect);
void CGContextStrokeRect(CGContextRef c, CGRect rect);

void CGContextBeginPath(CGContextRef c);
void CGContextMoveToPoint(CGContextRef c, double x, double y);
void CGContextAddLineToPoint(CGContextRef c, double x, double y);
void CGContextClosePath(CGContextRef c);
// Each of these draws the current path and then empties it.
void CGContextFillPath(CGContextRef c);
void CGContextStrokePath(CGContextRef c);
void CGContextDrawPath(CGContextRef c, CGPathDrawingMode mode);

// Font by name ("Lucida Grande", or a PostScript-style name such as "LucidaGrande-Bold"); size
// in user-space units, which are pixels here.
void CGContextSelectFont(CGContextRef c, const char* name, double size, CGTextEncoding encoding);
void CGContextSetFontSize(CGContextRef c, double size);
void CGContextSetTextDrawingMode(CGContextRef c, CGTextDrawingMode mode);
void CGContextSetTextPosition(CGContextRef c, double x, double y);
CGPoint CGContextGetTextPosition(CGContextRef c);
// Shows the text with its baseline starting at the text position (or at x, y) and moves the text
// position by its advance; in invisible mode only the position moves.
void CGContextShowText(CGContextRef c, const char* bytes, std::size_t length);
void CGContextShowTextAtPoint(CGContextRef c, double x, double y, const char* bytes, std::size_t length);

// Draws the image scaled into rect, upright in y-up space.
void CGContextDrawImage(CGContextRef c, CGRect rect, CGImageRef image);

// Standardised copy: non-negative width and height.
CGRect CGRectStandardize(CGRect rect);
