// The drawing context over the off-screen world's pixels: QPainter on a QImage that shares the
// world's buffer, drawn when the context ends. User space is y-up; the one flip to the image's rows-from-top
// is done here.
#include "platform/graphics/cg_context.h"
#include "platform/graphics/drawn_frame.h"
#include "platform/graphics/gui_application.h"
#include "platform/qt/cg_image_private.h"
#include "platform/qt/laid_out_texts.h"
#include "platform/qt/qt_font_names.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

#include <cmath>
#include <memory>
#include <mutex>
#include <string>

namespace {

QColor qtColour(const CGColorRGBA& c) {
    return QColor::fromRgbF(float(c.r), float(c.g), float(c.b), float(c.a));
}

bool axisAligned(const CGSubpath& s) {
    for (std::size_t i = 1; i < s.points.size(); ++i)
        if (s.points[i].x != s.points[i - 1].x && s.points[i].y != s.points[i - 1].y) return false;
    return true;
}

// Records what the frame asks for and draws it only when the context ends: a frame that draws
// exactly what the world already holds (the host asks many times a second) is not drawn again.
class QtImageContext final : public CGContext {
  public:
    explicit QtImageContext(GWorldPtr world)
        : CGContext(world->height), world(world), previous(world->drawn),
          frame(std::make_shared<DrawnFrame>()), textUsable(vx::ensureGuiApplication()) {
        if (previous) { // a frame is mostly the size of the one before
            frame->ops.reserve(previous->ops.size());
            frame->bytes.reserve(previous->bytes.size());
            frame->subpaths.reserve(previous->subpaths.size());
        }
        if (textUsable) texts().frameBegins();
    }

    ~QtImageContext() override {
        const int w = world->width, h = world->height;
        if (!previous || !coversWorld(*previous, w, h) || !coversWorld(*frame, w, h)) {
            replay(nullptr);
        } else {
            const FrameDifference difference = differenceBetween(*previous, *frame, w, h);
            if (difference.whole)
                replay(nullptr);
            else if (!difference.areas.empty())
                replay(&difference.areas);
        }
        world->drawn = frame;
    }

    void deviceFillRect(const CGRect& r) override { record(DrawOp::FillRect).rect = r; }
    void deviceStrokeRect(const CGRect& r) override {
        if (state.lineWidth > 0) record(DrawOp::StrokeRect).rect = r;
    }
    void deviceDrawPath(const std::vector<CGSubpath>& subpaths, CGPathDrawingMode mode) override {
        DrawOp& op = record(DrawOp::Path);
        op.mode = mode;
        op.begin = frame->subpaths.size();
        op.count = subpaths.size();
        frame->subpaths.insert(frame->subpaths.end(), subpaths.begin(), subpaths.end());
    }

    double deviceTextAdvance(const char* bytes, std::size_t length) override {
        if (!fontReady()) return 0.0;
        std::lock_guard<std::mutex> guard(texts().lock());
        const vx::LaidOutText& text = texts().find(fontKey, font, bytes, length);
        measured = {bytes, length, fontKey, text.advance, text.ascent, text.ink};
        return measured.advance;
    }

    void deviceShowText(CGPoint baseline, const char* bytes, std::size_t length) override {
        // Text is shown right after it was measured. Where it may draw: its line's box and its
        // glyphs' ink, whichever reaches further, in user space.
        const bool known = fontReady() && measured.bytes == bytes && measured.length == length &&
                           measured.fontKey == fontKey;
        if (!known) deviceTextAdvance(bytes, length);
        const double size = std::max(1.0, state.fontSize);
        CGRect reach =
            CGRectMake(baseline.x - size, baseline.y - size, measured.advance + 2 * size, 2.5 * size);
        if (!measured.ink.isEmpty()) {
            const QRectF ink = measured.ink.translated(baseline.x, height - baseline.y - measured.ascent);
            const CGRect inkRect = CGRectMake(ink.left(), height - ink.bottom(), ink.width(), ink.height());
            reach = unite(reach, inkRect);
        }
        DrawOp& op = record(DrawOp::Text);
        op.rect = reach;
        op.point = baseline;
        op.begin = frame->bytes.size();
        op.count = length;
        frame->bytes.append(bytes, length);
    }

    void deviceDrawImage(const CGRect& r, CGImageRef img) override {
        if (img->image.isNull()) return;
        DrawOp& op = record(DrawOp::Image);
        op.rect = r;
        op.image = img;
        op.imageKey = img->image.cacheKey();
        // A copy (shared, not duplicated) is drawn, since the caller may release the image before
        // the context ends and the frame is drawn.
        op.begin = images.size();
        images.push_back(img->image);
    }

    void deviceClipChanged() override { record(DrawOp::Clip); }

  private:
    DrawOp& record(DrawOp::Kind kind) {
        DrawOp& op = frame->ops.emplace_back();
        op.kind = kind;
        op.state = state;
        return op;
    }

    // Draws the recorded operations in order, each with the state it was asked for under; given
    // areas, only there: the world holds the frame before, and outside them nothing differs.
    void replay(const std::vector<CGRect>* areas) {
        QImage image(reinterpret_cast<uchar*>(world->pixels.data()), world->width, world->height,
                     world->width * 4, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        QRegion region;
        if (areas)
            for (const CGRect& r : *areas)
                region += toQt(r).toAlignedRect();
        bool clipSet = false;
        for (const DrawOp& op : frame->ops) {
            state = op.state;
            if (areas) {
                if (op.kind == DrawOp::Clip || !region.intersects(toQt(reachOf(*frame, op)).toAlignedRect()))
                    continue;
                // Each operation's own clip, within the areas; set only when it changes.
                const CGRect& c = state.clip;
                if (!clipSet || lastClipped != state.clipped ||
                    (state.clipped &&
                     (c.origin.x != lastClip.origin.x || c.origin.y != lastClip.origin.y ||
                      c.size.width != lastClip.size.width || c.size.height != lastClip.size.height))) {
                    painter.setClipRegion(region);
                    if (state.clipped) painter.setClipRect(toQt(c), Qt::IntersectClip);
                    lastClipped = state.clipped;
                    lastClip = c;
                    clipSet = true;
                }
            }
            switch (op.kind) {
            case DrawOp::FillRect:
                painter.fillRect(toQt(op.rect), qtColour(state.fill));
                break;
            case DrawOp::StrokeRect:
                painter.setPen(strokePen());
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(toQt(op.rect));
                break;
            case DrawOp::Path:
                drawPath(painter, op);
                break;
            case DrawOp::Text:
                drawText(painter, op);
                break;
            case DrawOp::Image:
                painter.drawImage(toQt(op.rect), images[op.begin]);
                break;
            case DrawOp::Clip:
                if (state.clipped)
                    painter.setClipRect(toQt(state.clip));
                else
                    painter.setClipping(false);
                break;
            }
        }
    }

    void drawPath(QPainter& painter, const DrawOp& op) {
        QPainterPath qpath;
        qpath.setFillRule(op.mode == kCGPathEOFill ? Qt::OddEvenFill : Qt::WindingFill);
        bool smooth = false;
        for (std::size_t k = op.begin; k < op.begin + op.count; ++k) {
            const CGSubpath& s = frame->subpaths[k];
            if (s.points.empty()) continue;
            qpath.moveTo(toQt(s.points.front()));
            for (std::size_t i = 1; i < s.points.size(); ++i)
                qpath.lineTo(toQt(s.points[i]));
            if (s.closed) qpath.closeSubpath();
            smooth = smooth || !axisAligned(s);
        }
        // Rectilinear strokes are drawn without anti-aliasing so one-pixel lines stay one pixel wide.
        painter.setRenderHint(QPainter::Antialiasing, smooth);
        if (op.mode != kCGPathStroke) painter.fillPath(qpath, qtColour(state.fill));
        if ((op.mode == kCGPathStroke || op.mode == kCGPathFillStroke) && state.lineWidth > 0)
            painter.strokePath(qpath, strokePen());
        painter.setRenderHint(QPainter::Antialiasing, false);
    }

    void drawText(QPainter& painter, const DrawOp& op) {
        if (!fontReady()) return;
        // Held while drawing too: the layout may be shared with other contexts.
        std::lock_guard<std::mutex> guard(texts().lock());
        const vx::LaidOutText& text = texts().find(fontKey, font, frame->bytes.data() + op.begin, op.count);
        if (painterFontKey != fontKey) {
            painter.setFont(font);
            painterFontKey = fontKey;
        }
        painter.setPen(qtColour(state.fill));
        text.layout->draw(&painter, QPointF(op.point.x, height - op.point.y - text.ascent));
    }

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

    // Builds the font when the state's name or size differs from the one built; false when no
    // text can be drawn. Replayed operations restore the state, so the name is compared, not counted.
    bool fontReady() {
        if (!textUsable) return false;
        if (builtName != state.fontName || builtSize != state.fontSize) {
            const long px = std::lround(state.fontSize);
            pixelSize = px > 4096 ? 4096 : static_cast<int>(px);
            font = vx::fontForName(state.fontName.c_str(), pixelSize > 0 ? pixelSize : 1);
            fontKey = state.fontName + '\0' + std::to_string(pixelSize);
            builtName = state.fontName;
            builtSize = state.fontSize;
        }
        return pixelSize > 0;
    }

    GWorldPtr const world;
    const std::shared_ptr<DrawnFrame> previous; // what the world holds, when known
    const std::shared_ptr<DrawnFrame> frame;    // what this context draws
    std::vector<QImage> images;                 // the frame's images, by their operations' begin
    const bool textUsable;
    QFont font;
    std::string fontKey; // what the laid-out texts know the font by
    std::string painterFontKey;
    struct Measured {
        const char* bytes = nullptr;
        std::size_t length = 0;
        std::string fontKey;
        double advance = 0, ascent = 0;
        QRectF ink;
    } measured;               // the last text measured, which is the next one shown
    bool lastClipped = false; // the clip a partial replay last set
    CGRect lastClip{};
    std::string builtName;
    double builtSize = -1;
    vx::LaidOutTexts* const sharedTexts = vx::LaidOutTexts::mainThreads();
    vx::LaidOutTexts ownTexts; // this frame's, on a thread that may end
    int pixelSize = 0;
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
