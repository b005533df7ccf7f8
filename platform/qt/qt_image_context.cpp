// The drawing context over the off-screen world's pixels: QPainter on a QImage that shares the
// world's buffer. User space is y-up; the one flip to the image's rows-from-top is done here.
#include "platform/graphics/cg_context.h"
#include "platform/graphics/gui_application.h"
#include "platform/qt/cg_image_private.h"
#include "platform/qt/qt_font_names.h"
#include "platform/qt/text_decoding.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

namespace {

QColor qtColour(const CGColorRGBA& c) {
    return QColor::fromRgbF(float(c.r), float(c.g), float(c.b), float(c.a));
}

// Rectilinear strokes are drawn without anti-aliasing so one-pixel lines stay one pixel wide.
bool axisAligned(const std::vector<CGSubpath>& subpaths) {
    for (const CGSubpath& s : subpaths)
        for (std::size_t i = 1; i < s.points.size(); ++i)
            if (s.points[i].x != s.points[i - 1].x && s.points[i].y != s.points[i - 1].y) return false;
    return true;
}

class QtImageContext final : public CGContext {
  public:
    explicit QtImageContext(GWorldPtr world)
        : CGContext(world->height),
          image(reinterpret_cast<uchar*>(world->pixels.data()), world->width, world->height, world->width * 4,
                QImage::Format_ARGB32_Premultiplied),
          textUsable(vx::ensureGuiApplication()) {
        painter.begin(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    }
    ~QtImageContext() override { painter.end(); }

    void deviceFillRect(const CGRect& r) override { painter.fillRect(toQt(r), qtColour(state.fill)); }

    void deviceStrokeRect(const CGRect& r) override {
        if (state.lineWidth <= 0) return;
        painter.setPen(strokePen());
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(toQt(r));
    }

    void deviceDrawPath(const std::vector<CGSubpath>& subpaths, CGPathDrawingMode mode) override {
        QPainterPath qpath;
        qpath.setFillRule(mode == kCGPathEOFill ? Qt::OddEvenFill : Qt::WindingFill);
        for (const CGSubpath& s : subpaths) {
            if (s.points.empty()) continue;
            qpath.moveTo(toQt(s.points.front()));
            for (std::size_t i = 1; i < s.points.size(); ++i)
                qpath.lineTo(toQt(s.points[i]));
            if (s.closed) qpath.closeSubpath();
        }
        const bool smooth = !axisAligned(subpaths);
        painter.setRenderHint(QPainter::Antialiasing, smooth);
        if (mode != kCGPathStroke) painter.fillPath(qpath, qtColour(state.fill));
        if ((mode == kCGPathStroke || mode == kCGPathFillStroke) && state.lineWidth > 0)
            painter.strokePath(qpath, strokePen());
        painter.setRenderHint(QPainter::Antialiasing, false);
    }

    double deviceTextAdvance(const char* bytes, std::size_t length) override {
        if (!fontReady()) return 0.0;
        return shaped(bytes, length).advance;
    }

    void deviceShowText(CGPoint baseline, const char* bytes, std::size_t length) override {
        if (!fontReady()) return;
        const Shaped& text = shaped(bytes, length);
        painter.setPen(qtColour(state.fill));
        text.layout->draw(&painter, QPointF(baseline.x, height - baseline.y - text.ascent));
    }

    void deviceDrawImage(const CGRect& r, CGImageRef img) override {
        if (!img->image.isNull()) painter.drawImage(toQt(r), img->image);
    }

    void deviceClipChanged() override {
        if (state.clipped)
            painter.setClipRect(toQt(state.clip));
        else
            painter.setClipping(false);
    }

  private:
    QRectF toQt(const CGRect& r) const {
        return QRectF(r.origin.x, height - r.origin.y - r.size.height, r.size.width, r.size.height);
    }
    QPointF toQt(const CGPoint& p) const { return QPointF(p.x, height - p.y); }

    QPen strokePen() const {
        QPen pen(qtColour(state.stroke));
        pen.setWidthF(state.lineWidth);
        pen.setCapStyle(Qt::SquareCap);
        pen.setJoinStyle(Qt::MiterJoin);
        return pen;
    }

    // A text laid out once in the current font: measuring it and drawing it (which the text
    // drawing does several times over for the same line) reuse the same glyphs.
    struct Shaped {
        std::string bytes;
        unsigned generation = ~0u;
        std::unique_ptr<QTextLayout> layout;
        double advance = 0;
        double ascent = 0;
    };

    const Shaped& shaped(const char* bytes, std::size_t length) {
        for (Shaped& s : recent)
            if (s.generation == builtGeneration && s.bytes.size() == length &&
                std::memcmp(s.bytes.data(), bytes, length) == 0)
                return s;
        Shaped& s = recent[nextRecent];
        nextRecent = (nextRecent + 1) % recent.size();
        s.bytes.assign(bytes, length);
        s.generation = builtGeneration;
        s.layout = std::make_unique<QTextLayout>(vx::decodeDrawnText(bytes, length), font);
        s.layout->setCacheEnabled(true);
        s.layout->beginLayout();
        QTextLine line = s.layout->createLine();
        s.layout->endLayout();
        s.advance = line.isValid() ? line.horizontalAdvance() : 0.0;
        s.ascent = line.isValid() ? line.ascent() : 0.0;
        return s;
    }

    // Builds the font when the name or size changed; false when no text can be drawn.
    bool fontReady() {
        if (!textUsable) return false;
        if (builtGeneration != fontGeneration) {
            const long px = std::lround(state.fontSize);
            pixelSize = px > 4096 ? 4096 : static_cast<int>(px);
            font = vx::fontForName(state.fontName.c_str(), pixelSize > 0 ? pixelSize : 1);
            painter.setFont(font);
            builtGeneration = fontGeneration;
        }
        return pixelSize > 0;
    }

    QImage image;
    QPainter painter;
    const bool textUsable;
    QFont font;
    std::array<Shaped, 4> recent;
    std::size_t nextRecent = 0;
    int pixelSize = 0;
    unsigned builtGeneration = ~0u;
};

} // namespace

OSStatus QDBeginCGContext(GWorldPtr world, CGContextRef* out) {
    if (!out) return paramErr;
    *out = nullptr;
    if (!world || world->width <= 0 || world->height <= 0 ||
        world->pixels.size() < static_cast<std::size_t>(world->width) * world->height)
        return paramErr;
    *out = new QtImageContext(world);
    return noErr;
}

OSStatus QDEndCGContext(GWorldPtr, CGContextRef* ctx) {
    if (!ctx) return paramErr;
    delete *ctx;
    *ctx = nullptr;
    return noErr;
}
