#include "player/player_window.h"

#include "player/pane_geometry.h"
#include "player/pane_widget.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>

namespace vx::player {

namespace {
constexpr int kIdleIntervalMs = 33; // about 30 idle messages a second
// The first window's pane holds the concert calendar, whose layout needs 786 x 400 pixels at
// least; a smaller pane would open on "Make this pane larger".
constexpr int kDefaultPaneWidth = 800;
constexpr int kDefaultPaneHeight = 540;
} // namespace

// The central widget, laid out by hand so that the pane's offset in the window's pixels is the
// same fixed one the port uses.
class PlayerWindow::Content : public QWidget {
  public:
    Content(QWidget* strip, QWidget* pane, std::function<void(int, int)> paneResized)
        : strip_(strip), pane_(pane), paneResized_(std::move(paneResized)) {
        strip_->setParent(this);
        pane_->setParent(this);
    }

  protected:
    void resizeEvent(QResizeEvent*) override {
        int pw = std::max(width() - 2 * kPaneMargin, 1);
        int ph = std::max(height() - kControlStripHeight - 2 * kPaneMargin, 1);
        strip_->setGeometry(0, 0, width(), kControlStripHeight);
        pane_->setGeometry(paneLeft(), paneTop(), pw, ph);
        paneResized_(pw, ph);
    }

  private:
    QWidget* strip_;
    QWidget* pane_;
    std::function<void(int, int)> paneResized_;
};

PlayerWindow::PlayerWindow(PlayerSession& session, std::function<void(int)> quit)
    : session_(session), quit_(std::move(quit)) {
    setWindowTitle("vxplayer");

    auto* strip = new QWidget;
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(kPaneMargin, 4, kPaneMargin, 4);
    playButton_ = new QPushButton("Play");
    auto* nextButton = new QPushButton("Next");
    trackLabel_ = new QLabel;
    row->addWidget(playButton_);
    row->addWidget(nextButton);
    row->addWidget(trackLabel_, 1);
    connect(playButton_, &QPushButton::clicked, this, [this] { playOrPause(); });
    connect(nextButton, &QPushButton::clicked, this, [this] { nextTrack(); });

    pane_ = new PaneWidget(session_, nullptr);
    content_ = new Content(strip, pane_, [this](int w, int h) { paneResized(w, h); });
    setCentralWidget(content_);
    session_.setRepaintHandler([this] { pane_->update(); });

    applyMinimumSize();
    // The plug-ins' own windows open over this one.
    session_.interfaceWindows().setPlacementAnchor(this);

    QMenu* file = menuBar()->addMenu("&File");
    QAction* quitAction = file->addAction("&Quit");
    quitAction->setShortcut(QKeySequence::Quit);
    connect(quitAction, &QAction::triggered, this, [this] { close(); });

    QMenu* view = menuBar()->addMenu("&View");
    visualizerAction_ = view->addAction("Turn On &Visualizer");
    visualizerAction_->setCheckable(true);
    visualizerAction_->setShortcut(QKeySequence("Ctrl+T"));
    visualizerAction_->setEnabled(session_.activeVisualizer() != nullptr);
    connect(visualizerAction_, &QAction::toggled, this, [this](bool on) { setVisualizerOn(on); });
    addVisualizerMenu(view);
    optionsAction_ = view->addAction("Visualizer Options\u2026");
    optionsAction_->setEnabled(session_.activeVisualizer() && session_.activeVisualizer()->wantsConfigure());
    connect(optionsAction_, &QAction::triggered, this, [this] {
        if (!session_.busy()) session_.configure();
    });

    idleTimer_.setInterval(kIdleIntervalMs);
    connect(&idleTimer_, &QTimer::timeout, this, [this] {
        if (!session_.busy()) session_.idle(1);
    });

    controlsTimer_.setInterval(250);
    connect(&controlsTimer_, &QTimer::timeout, this, [this] { refreshControls(); });
    controlsTimer_.start();

    resize(portWidthFor(kDefaultPaneWidth),
           portHeightFor(kDefaultPaneHeight) + menuBar()->sizeHint().height());
    refreshControls();
}

void PlayerWindow::addVisualizerMenu(QMenu* view) {
    QMenu* menu = view->addMenu("Visuali&zer");
    auto* group = new QActionGroup(menu);
    for (Visualizer* v : session_.visualizers()) {
        // A plug-in's name is shown as it is, an ampersand included.
        QAction* a = menu->addAction(QString::fromStdString(v->name()).replace("&", "&&"));
        a->setCheckable(true);
        a->setChecked(v == session_.activeVisualizer());
        group->addAction(a);
        visualizerChoices_.emplace_back(a, v);
        connect(a, &QAction::triggered, this, [this, v] { chooseVisualizer(v); });
    }
    menu->setEnabled(!group->actions().isEmpty());
}

void PlayerWindow::chooseVisualizer(Visualizer* v) {
    // Not while the plug-in is inside a call: the menu's check goes back to the active one.
    if (!session_.busy()) session_.setActiveVisualizer(v);
    Visualizer* active = session_.activeVisualizer();
    for (auto& [action, visualizer] : visualizerChoices_)
        action->setChecked(visualizer == active);
    optionsAction_->setEnabled(active && active->wantsConfigure());
    applyMinimumSize();
    if (session_.isShown() && active && active->wantsIdle())
        idleTimer_.start();
    else
        idleTimer_.stop();
    pane_->update();
}

void PlayerWindow::applyMinimumSize() {
    int minW = 64, minH = 64;
    if (Visualizer* v = session_.activeVisualizer()) {
        minW = std::max<int>(v->registration().minWidth, 1);
        minH = std::max<int>(v->registration().minHeight, 1);
    }
    content_->setMinimumSize(portWidthFor(minW), portHeightFor(minH));
}

void PlayerWindow::setVisualizerOn(bool on) {
    switchVisualizer(on, pane_->width(), pane_->height());
}

void PlayerWindow::showPane(int width, int height) {
    resizePaneTo(width, height);
    if (session_.isShown())
        session_.resize(width, height);
    else
        switchVisualizer(true, width, height);
}

void PlayerWindow::resizePane(int width, int height) {
    resizePaneTo(width, height);
    session_.resize(width, height);
}

void PlayerWindow::hidePane() {
    switchVisualizer(false, 0, 0);
}

void PlayerWindow::switchVisualizer(bool on, int width, int height) {
    QSignalBlocker block(visualizerAction_);
    visualizerAction_->setChecked(on);
    if (on) {
        session_.show(width, height);
        if (session_.activeVisualizer() && session_.activeVisualizer()->wantsIdle()) idleTimer_.start();
    } else {
        idleTimer_.stop();
        session_.hide();
    }
    pane_->update();
}

void PlayerWindow::resizePaneTo(int width, int height) {
    int extraW = this->width() - content_->width();
    int extraH = this->height() - content_->height();
    resize(portWidthFor(width) + extraW, portHeightFor(height) + extraH);
}

void PlayerWindow::paneResized(int width, int height) {
    if (session_.isShown()) session_.resize(width, height);
}

void PlayerWindow::playOrPause() {
    if (session_.isPlaying())
        session_.pause();
    else if (session_.currentTrack())
        session_.unpause();
    else if (!session_.library().tracks.empty())
        session_.playTrack(0);
    refreshControls();
}

void PlayerWindow::nextTrack() {
    if (!session_.currentTrack()) {
        if (!session_.library().tracks.empty()) session_.playTrack(0);
    } else {
        session_.next();
    }
    refreshControls();
}

void PlayerWindow::refreshControls() {
    playButton_->setText(session_.isPlaying() ? "Pause" : "Play");
    // The window shows at once; the library's tracks are looked at only once they have been read.
    if (!session_.libraryLoaded()) {
        trackLabel_->setText("Loading the library\u2026");
        return;
    }
    const LibraryTrack* t = session_.currentTrack();
    if (!t) {
        trackLabel_->setText(session_.library().tracks.empty() ? "No library" : "Stopped");
        return;
    }
    QString text = QString::fromStdString(t->artist) + " \u2014 " + QString::fromStdString(t->name);
    if (!t->album.empty()) text += " (" + QString::fromStdString(t->album) + ")";
    trackLabel_->setText(text);
}

void PlayerWindow::closeEvent(QCloseEvent* event) {
    idleTimer_.stop();
    controlsTimer_.stop();
    event->accept();
    quit_(0);
}

} // namespace vx::player
