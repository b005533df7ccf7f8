// The drawing context over the off-screen world's pixels: QPainter on a QImage that shares the
// world's buffer. User space is y-up; the one flip to the image's rows-from-top is done here.
#include "platform/graphics/cg_context.h"
#include "platform/graphics/gui_application.h"
#include "platform/qt/cg_image_private.h"
#include "platform/qt/laid_out_texts.h"
#include "platform/qt/qt_font_names.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <mutex>
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
        if (textUsable) texts().frameBegins();
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
        std::lock_guard<std::mutex> guard(texts().lock());
        return texts().find(fontKey, font, bytes, length).advance;
    }

    void deviceShowText(CGPoint baseline, const char* bytes, std::size_t length) override {
        if (!fontReady()) return;
        // Held while drawing too: the layout may be shared with other contexts.
        std::lock_guard<std::mutex> guard(texts().lock());
        const vx::LaidOutText& text = texts().find(fontKey, font, bytes, length);
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

    vx::LaidOutTexts& texts() { return sharedTexts ? *sharedTexts : ownTexts; }

    // Builds the font when the name or size changed; false when no text can be drawn.
    bool fontReady() {
        if (!textUsable) return false;
        if (builtGeneration != fontGeneration) {
            const long px = std::lround(state.fontSize);
            pixelSize = px > 4096 ? 4096 : static_cast<int>(px);
            font = vx::fontForName(state.fontName.c_str(), pixelSize > 0 ? pixelSize : 1);
            fontKey = state.fontName + '\0' + std::to_string(pixelSize);
            painter.setFont(font);
            builtGeneration = fontGeneration;
        }
        return pixelSize > 0;
    }

    QImage image;
    QPainter painter;
    const bool textUsable;
    QFont font;
    std::string fontKey; // what the laid-out texts know the font by
    vx::LaidOutTexts* const sharedTexts = vx::LaidOutTexts::mainThreads();
    vx::LaidOutTexts ownTexts; // this frame's, on a thread that may end
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
