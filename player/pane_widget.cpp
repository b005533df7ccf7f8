#include "player/pane_widget.h"

#include "common/mac_roman.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace vx::player {

uint32_t classicModifiers(Qt::KeyboardModifiers m) {
    uint32_t out = 0;
    if (m & Qt::ShiftModifier) out |= shiftKey;
    if (m & Qt::ControlModifier) out |= controlKey;
    if (m & Qt::AltModifier) out |= optionKey;
    if (m & Qt::MetaModifier) out |= cmdKey;
    return out;
}

uint8_t classicKeyCode(int qtKey, const QString& text, Qt::KeyboardModifiers modifiers) {
    // Control with a letter is a control character, as the Mac's keyboard gives it (Control-A is 1).
    if ((modifiers & Qt::ControlModifier) && qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return static_cast<uint8_t>(qtKey - Qt::Key_A + 1);
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Left:
        return 28;
    case Qt::Key_Right:
        return 29;
    case Qt::Key_Up:
        return 30;
    case Qt::Key_Down:
        return 31;
    default:
        break;
    }
    // Key events carry one byte, as on the Mac: typed letters beyond ASCII go as their Mac OS
    // Roman codes; characters that set lacks are not sent.
    if (text.size() == 1) return vx::unicodeToMacRoman(text.at(0).unicode());
    return 0;
}

PaneWidget::PaneWidget(PlayerSession& session, QWidget* parent) : QWidget(parent), session_(session) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PaneWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!session_.isShown() || session_.paneWidth() <= 0 || session_.paneHeight() <= 0) return;
    Rect r = session_.paneRect();
    int w = session_.paneWidth(), h = session_.paneHeight();
    std::vector<uint32_t> pixels = session_.port().copyRect(r.left, r.top, w, h);
    QImage image(reinterpret_cast<const uchar*>(pixels.data()), w, h, w * 4, QImage::Format_RGB32);
    painter.drawImage(0, 0, image);
}

void PaneWidget::deliverMouse(uint32_t kind, QMouseEvent* event, uint16_t button) {
    if (session_.busy()) return;
    QPoint p = event->position().toPoint();
    session_.mouse(kind, p.x(), p.y(), button, classicModifiers(event->modifiers()));
}

namespace {
uint16_t classicButton(Qt::MouseButton b) {
    if (b == Qt::LeftButton) return kEventMouseButtonPrimary;
    if (b == Qt::RightButton) return kEventMouseButtonSecondary;
    return 0;
}
} // namespace

void PaneWidget::mousePressEvent(QMouseEvent* event) {
    setFocus();
    deliverMouse(kEventMouseDown, event, classicButton(event->button()));
}

void PaneWidget::mouseReleaseEvent(QMouseEvent* event) {
    deliverMouse(kEventMouseUp, event, classicButton(event->button()));
}

void PaneWidget::mouseMoveEvent(QMouseEvent* event) {
    bool dragging = event->buttons() & Qt::LeftButton;
    deliverMouse(dragging ? kEventMouseDragged : kEventMouseMoved, event,
                 dragging ? kEventMouseButtonPrimary : 0);
}

void PaneWidget::wheelEvent(QWheelEvent* event) {
    if (session_.busy()) return;
    int dy = event->angleDelta().y();
    if (dy == 0) return;
    // One notch is 120 eighths of a degree; the plug-in counts notches.
    int notches = dy / 120;
    if (notches == 0) notches = dy > 0 ? 1 : -1;
    QPoint p = event->position().toPoint();
    session_.mouse(kEventMouseWheelMoved, p.x(), p.y(), 0, classicModifiers(event->modifiers()), notches);
}

void PaneWidget::keyPressEvent(QKeyEvent* event) {
    uint8_t code = classicKeyCode(event->key(), event->text(), event->modifiers());
    if (code == 0 || session_.busy()) {
        QWidget::keyPressEvent(event);
        return;
    }
    session_.key(code, event->isAutoRepeat() ? autoKey : keyDown,
                 static_cast<uint16_t>(classicModifiers(event->modifiers())));
}

} // namespace vx::player
