#pragma once
// The player's window: a control strip (play/pause, next, the track) above the visualizer pane,
// and a View menu that turns the visualizer on and off, chooses among the loaded ones and opens
// the active one's options.
#include "player/player_session.h"

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <utility>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace vx::player {

class PaneWidget;

class PlayerWindow : public QMainWindow {
  public:
    // quit(status) ends the player; closing the window calls it with 0.
    PlayerWindow(PlayerSession& session, std::function<void(int)> quit);

    // The View menu's switch: shows the visualizer at the pane's present size, or hides it.
    void setVisualizerOn(bool on);
    // What a script asks of the window: the pane at width x height pixels (the window follows).
    void showPane(int width, int height);
    void resizePane(int width, int height);
    void hidePane();
    void refreshControls();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    class Content;
    void switchVisualizer(bool on, int width, int height);
    // The View menu's "Visualizer" submenu: one checkable entry per loaded visualizer.
    void addVisualizerMenu(QMenu* view);
    void chooseVisualizer(Visualizer* v);
    // The pane no smaller than the active visualizer asked for.
    void applyMinimumSize();
    // Sizes the window so that the pane gets width x height pixels.
    void resizePaneTo(int width, int height);
    void paneResized(int width, int height);
    void playOrPause();
    void nextTrack();

    PlayerSession& session_;
    std::function<void(int)> quit_;
    Content* content_ = nullptr;
    PaneWidget* pane_ = nullptr;
    QPushButton* playButton_ = nullptr;
    QLabel* trackLabel_ = nullptr;
    QAction* visualizerAction_ = nullptr;
    QAction* optionsAction_ = nullptr;
    std::vector<std::pair<QAction*, Visualizer*>> visualizerChoices_;
    QTimer idleTimer_;
    QTimer controlsTimer_; // the track may change from a script, too
};

} // namespace vx::player
