// The drawing context over an off-screen world: y-up placement of fills and strokes, text in
// pixel sizes measured the way it is drawn, fonts found through fallback, images, and the
// decoding of the plug-in's text bytes.
#include "platform/graphics/cg_image.h"
#include "platform/qt/text_decoding.h"
#include "tests/view/pixel_frame.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>

#include <cstring>
#include <iostream>
#include <string>

namespace {
const uint32_t kWhite = 0xFFFFFF, kBlack = 0;

void clearWhite(PixelFrame& f, int w, int h) {
    CGContextSetRGBFillColor(f.ctx, 1, 1, 1, 1);
    CGContextFillRect(f.ctx, CGRectMake(0, 0, w, h));
}

// Rows (from the top) and columns holding any non-white pixel.
struct Ink {
    int top = 1 << 30, bottom = -1, left = 1 << 30, right = -1;
};
Ink inkOf(const PixelFrame& f, int w, int h) {
    Ink ink;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (f.rgb(x, y) != kWhite) {
                ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
                ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
            }
    return ink;
}
} // namespace

TEST(GraphicsContext, FillsAreExactAndCountFromTheBottom) {
    PixelFrame f(20, 10);
    clearWhite(f, 20, 10);
    CGContextSetRGBFillColor(f.ctx, 1, 0, 0, 1);
    CGContextFillRect(f.ctx, CGRectMake(2, 1, 3, 4)); // rows 1-4 from the bottom: 5-8 from the top
    CGContextSetRGBFillColor(f.ctx, 0, 0, 1, 1);
    CGContextFillRect(f.ctx, CGRectMake(15, 2, -3, -2)); // standardised to x 12-14, y 0-1
    f.finish();
    const uint32_t red = PixelFrame::rgb(255, 0, 0), blue = PixelFrame::rgb(0, 0, 255);
    EXPECT_EQ(f.rgb(2, 5), red);
    EXPECT_EQ(f.rgb(4, 8), red);
    EXPECT_EQ(f.rgb(5, 8), kWhite);
    EXPECT_EQ(f.rgb(2, 4), kWhite);
    EXPECT_EQ(f.rgb(2, 9), kWhite);
    EXPECT_EQ(f.rgb(12, 9), blue);
    EXPECT_EQ(f.rgb(14, 8), blue);
    EXPECT_EQ(f.rgb(11, 9), kWhite);
    EXPECT_EQ(f.rgb(12, 7), kWhite);
}

TEST(GraphicsContext, StrokesAndLinesStayOnePixelWide) {
    PixelFrame f(30, 30);
    clearWhite(f, 30, 30);
    CGContextSetRGBStrokeColor(f.ctx, 0, 0, 0, 1);
    CGContextSetLineWidth(f.ctx, 1);
    CGContextBeginPath(f.ctx);
    CGContextMoveToPoint(f.ctx, 5, 20);
    CGContextAddLineToPoint(f.ctx, 25, 20);
    CGContextStrokePath(f.ctx);
    f.finish();
    int rows = 0;
    for (int y = 0; y < 30; ++y)
        rows += f.rgb(15, y) == kBlack;
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(f.inked(0, 0, 30, 30), 21);
}

TEST(GraphicsContext, ClipLimitsDrawingUntilRestored) {
    PixelFrame f(20, 20);
    clearWhite(f, 20, 20);
    CGContextSaveGState(f.ctx);
    CGContextClipToRect(f.ctx, CGRectMake(0, 0, 10, 20));
    CGContextSetRGBFillColor(f.ctx, 0, 0, 0, 1);
    CGContextFillRect(f.ctx, CGRectMake(0, 0, 20, 10));
    CGContextRestoreGState(f.ctx);
    EXPECT_EQ(f.ctx->state.fill.r, 1); // the saved white is back
    CGContextSetRGBFillColor(f.ctx, 0, 0, 0, 1);
    CGContextFillRect(f.ctx, CGRectMake(0, 10, 20, 10));
    f.finish();
    EXPECT_EQ(f.rgb(5, 15), kBlack);
    EXPECT_EQ(f.rgb(15, 15), kWhite); // clipped away
    EXPECT_EQ(f.rgb(15, 5), kBlack);  // drawn after the clip was restored
}

TEST(GraphicsContext, TextSizesArePixelsAndMeasureAsDrawn) {
    PixelFrame f(200, 60);
    clearWhite(f, 200, 60);
    CGContextSelectFont(f.ctx, "Lucida Grande", 20, kCGEncodingMacRoman);
    CGContextSetRGBFillColor(f.ctx, 0, 0, 0, 1);
    CGContextSetTextDrawingMode(f.ctx, kCGTextInvisible);
    CGContextShowTextAtPoint(f.ctx, 10, 20, "HHHH", 4);
    const double advance = CGContextGetTextPosition(f.ctx).x - 10;
    CGContextSetTextDrawingMode(f.ctx, kCGTextFill);
    f.finish();
    EXPECT_EQ(f.inked(0, 0, 200, 60), 0) << "invisible text leaves no ink";
    EXPECT_GT(advance, 40);

    PixelFrame g(200, 60);
    clearWhite(g, 200, 60);
    CGContextSelectFont(g.ctx, "Lucida Grande", 20, kCGEncodingMacRoman);
    CGContextSetRGBFillColor(g.ctx, 0, 0, 0, 1);
    CGContextShowTextAtPoint(g.ctx, 10, 20, "HHHH", 4);
    EXPECT_DOUBLE_EQ(CGContextGetTextPosition(g.ctx).x - 10, advance);
    g.finish();
    const Ink ink = inkOf(g, 200, 60);
    // Capitals of a 20-pixel font are about 14-15 pixels tall (a 20-point font would give ~19)
    // and sit on the baseline, 20 pixels above the bottom: row 39 from the top.
    EXPECT_GE(ink.bottom - ink.top + 1, 12);
    EXPECT_LE(ink.bottom - ink.top + 1, 16);
    EXPECT_EQ(ink.bottom, 39);
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 10 + advance + 1);
    EXPECT_GT(ink.right, 10 + advance - 6);
}

TEST(GraphicsContext, BoldNameSelectsTheBoldFaceOfTheSameFamily) {
    PixelFrame f(10, 10);
    char regular[128], bold[128];
    vx::fontFallbackFamily("Lucida Grande", regular, sizeof regular);
    vx::fontFallbackFamily("LucidaGrande-Bold", bold, sizeof bold);
    std::cout << "Lucida Grande -> " << regular << "; LucidaGrande-Bold -> " << bold << "\n";
    ASSERT_GT(std::strlen(regular), 0u);
    EXPECT_EQ(std::string(bold), std::string(regular) + " Bold");

    // The bold face is wider than the regular one for the same text.
    CGContextSetTextDrawingMode(f.ctx, kCGTextInvisible);
    CGContextSelectFont(f.ctx, "Lucida Grande", 13, kCGEncodingMacRoman);
    CGContextShowTextAtPoint(f.ctx, 0, 0, "Friend Shows", 12);
    const double plain = CGContextGetTextPosition(f.ctx).x;
    CGContextSelectFont(f.ctx, "LucidaGrande-Bold", 13, kCGEncodingMacRoman);
    CGContextShowTextAtPoint(f.ctx, 0, 0, "Friend Shows", 12);
    EXPECT_GT(CGContextGetTextPosition(f.ctx).x, plain);
    CGContextSetFontSize(f.ctx, 0); // nothing to measure at no size
    CGContextShowTextAtPoint(f.ctx, 0, 0, "Friend Shows", 12);
    EXPECT_EQ(CGContextGetTextPosition(f.ctx).x, 0);
}

TEST(GraphicsContext, TheScreensFaceHasHelveticaMetricsSoItsFixedLabelsFitTheirBoxes) {
    char regular[128];
    vx::fontFallbackFamily("Lucida Grande", regular, sizeof regular);
    EXPECT_STREQ(regular, "Liberation Sans");
    PixelFrame f(10, 10);
    CGContextSetTextDrawingMode(f.ctx, kCGTextInvisible);
    const auto width = [&](const char* font, int size, const std::string& text) {
        CGContextSelectFont(f.ctx, font, size, kCGEncodingMacRoman);
        CGContextShowTextAtPoint(f.ctx, 0, 0, text.c_str(), text.size());
        return CGContextGetTextPosition(f.ctx).x;
    };
    // Helvetica's advance of "Edit Preferences" is 7.392 em.
    EXPECT_NEAR(width("Lucida Grande", 100, "Edit Preferences"), 739.2, 1.0);
    struct Label {
        const char* font;
        int size;
        const char* text;
        int box; // the width of the place the screen gives it
    } labels[] = {
        {"Lucida Grande", 10, "Edit Preferences", 80},
        {"LucidaGrande-Bold", 10, "My Shows... (999)", 95},
        {"LucidaGrande-Bold", 10, "Friend Shows (999)", 100},
        // The support lines under the grid of an 800-pixel pane.
        {"Lucida Grande", 10,
         "You can now use Voxtrail to purchase your tickets! Click on any show with a ticket icon.", 457},
        {"Lucida Grande", 10,
         "To support Voxtrail you can click on an album to buy it, pre-order it, or just find out more...",
         457},
    };
    for (const Label& l : labels)
        EXPECT_LE(width(l.font, l.size, l.text), l.box) << l.text;
}

TEST(GraphicsContext, ImagesDrawScaledAndUpright) {
    CGImageRef image = CGImageCreateWithContentsOfFile(VX_RESOURCE_DIR "/buyTicketsLarge.png");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(CGImageGetWidth(image), 32u);
    EXPECT_EQ(CGImageGetHeight(image), 17u);
    PixelFrame f(64, 40);
    clearWhite(f, 64, 40);
    CGContextDrawImage(f.ctx, CGRectMake(0, 6, 64, 34), image); // top 34 rows, twice the size
    f.finish();
    const Ink ink = inkOf(f, 64, 40);
    EXPECT_LE(ink.top, 1);
    EXPECT_GE(ink.bottom, 31);
    EXPECT_LE(ink.bottom, 33);
    EXPECT_GE(ink.right, 60);
    const uint32_t body = f.rgb(5, 6);
    EXPECT_GT(body >> 16 & 0xFF, 180u); // the ticket's orange
    EXPECT_LT(body & 0xFF, 100u);
    CGImageRelease(image);

    // Top half red, bottom half blue: drawn into y-up space it must not come out flipped.
    QImage halves(4, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            halves.setPixel(x, y, y < 2 ? 0xFFFF0000u : 0xFF0000FFu);
    const std::string path = ::testing::TempDir() + "/halves.png";
    ASSERT_TRUE(halves.save(QString::fromStdString(path)));
    CGImageRef upright = CGImageCreateWithContentsOfFile(path.c_str());
    ASSERT_NE(upright, nullptr);
    PixelFrame g(8, 8);
    CGContextDrawImage(g.ctx, CGRectMake(0, 0, 8, 8), upright);
    g.finish();
    EXPECT_EQ(g.rgb(4, 1), PixelFrame::rgb(255, 0, 0));
    EXPECT_EQ(g.rgb(4, 6), PixelFrame::rgb(0, 0, 255));
    CGImageRelease(upright);
    EXPECT_EQ(CGImageCreateWithContentsOfFile(VX_RESOURCE_DIR "/no-such-image.png"), nullptr);
    EXPECT_EQ(CGImageCreateWithContentsOfFile(VX_RESOURCE_DIR "/../view/CMakeLists.txt"), nullptr);
}

TEST(GraphicsContext, NoWorldNoContext) {
    CGContextRef ctx = reinterpret_cast<CGContextRef>(1);
    EXPECT_EQ(QDBeginCGContext(nullptr, &ctx), paramErr);
    EXPECT_EQ(ctx, nullptr);
    GWorld empty;
    EXPECT_EQ(QDBeginCGContext(&empty, &ctx), paramErr);
    // Calls on no context are ignored.
    CGContextFillRect(nullptr, CGRectMake(0, 0, 1, 1));
    CGContextShowTextAtPoint(nullptr, 0, 0, "x", 1);
    EXPECT_EQ(CGContextGetTextPosition(nullptr).x, 0);
}

TEST(TextDecoding, Utf8AndMacRomanBytes) {
    EXPECT_EQ(vx::decodeDrawnText("Bj\xC3\xB6rk", 6), QString::fromUtf8("Björk"));
    EXPECT_EQ(vx::decodeDrawnText("Bj\x9Ark", 5), QString::fromUtf8("Björk")); // MacRoman ö
    EXPECT_EQ(vx::decodeDrawnText("Sigur R\xC3\xB3s", 10), QString::fromUtf8("Sigur Rós"));
    EXPECT_EQ(vx::decodeDrawnText("\xE2\x82\xAC", 3), QString::fromUtf8("€"));
    // A sequence cut short, an overlong form and a surrogate are bytes of MacRoman.
    EXPECT_EQ(vx::decodeDrawnText("Caf\xC3", 4), QString::fromUtf8("Caf√"));
    EXPECT_EQ(vx::decodeDrawnText("\xC0\xAF", 2), QString::fromUtf8("¿Ø"));
    EXPECT_EQ(vx::decodeDrawnText("\xED\xA0\x80", 3).size(), 3);
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += char(b);
    EXPECT_GE(vx::decodeDrawnText(all.data(), all.size()).size(), 200);
    EXPECT_TRUE(vx::decodeDrawnText(nullptr, 5).isEmpty());
}
