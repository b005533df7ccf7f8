#pragma once
// The visualizer pane of the window: shows the pane rectangle of the port and hands mouse and
// key input to the session.
#include "player/player_session.h"

#include <QWidget>

namespace vx::player {

class PaneWidget : public QWidget {
  public:
    PaneWidget(PlayerSession& session, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Tab is a key the visualizer edits with, not a focus move.
    bool focusNextPrevChild(bool) override { return false; }

  private:
    void deliverMouse(uint32_t kind, QMouseEvent* event, uint16_t button);
    PlayerSession& session_;
};

// The classic modifier bits for Qt's; the classic character code of a key, or 0 for none.
uint32_t classicModifiers(Qt::KeyboardModifiers m);
uint8_t classicKeyCode(int qtKey, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

} // namespace vx::player
