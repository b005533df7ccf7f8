#include "platform/qt/interface_windows.h"

#include "platform/qt/text_decoding.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QUiLoader>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>

namespace vx {

namespace {

QString fromPluginText(const char* text) {
    return text ? decodeDrawnText(text, std::strlen(text)) : QString();
}

OSType signatureOf(const QWidget* w) {
    const QByteArray s = w->property("vxSignature").toString().toLatin1();
    if (s.size() != 4) return 0;
    return VX_FOURCC(s[0], s[1], s[2], s[3]);
}

bool hasPair(const QWidget* w) {
    return w->property("vxSignature").isValid() && w->property("vxId").isValid();
}

Point toPoint(QPointF p) {
    Point r;
    r.h = static_cast<int16_t>(std::clamp<double>(std::floor(p.x()), -32768, 32767));
    r.v = static_cast<int16_t>(std::clamp<double>(std::floor(p.y()), -32768, 32767));
    return r;
}

Rect toRect(const QRect& g) {
    auto c = [](int v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); };
    return Rect{c(g.top()), c(g.left()), c(g.top() + g.height()), c(g.left() + g.width())};
}

// The same keys as the player's pane gives: Ctrl is the control key (a control-click is a
// secondary click), the Super/Meta key stands for command.
uint32_t modifiersOf(Qt::KeyboardModifiers m) {
    uint32_t r = 0;
    if (m & Qt::ControlModifier) r |= controlKey;
    if (m & Qt::ShiftModifier) r |= shiftKey;
    if (m & Qt::AltModifier) r |= optionKey;
    if (m & Qt::MetaModifier) r |= cmdKey;
    return r;
}

// The offscreen platform has no window stack, no opacity and no window manager, and warns on
// every call that asks for them.
bool onOffscreenPlatform() {
    return QGuiApplication::platformName() == QLatin1String("offscreen");
}

bool isTextBox(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w);
}

// The first selected row of an item view, or -1.
int selectedRow(const QWidget* w) {
    if (auto* list = qobject_cast<const QListWidget*>(w)) {
        const auto items = list->selectedItems();
        return items.isEmpty() ? -1 : list->row(items.first());
    }
    if (auto* table = qobject_cast<const QTableWidget*>(w)) {
        const auto items = table->selectedItems();
        return items.isEmpty() ? -1 : items.first()->row();
    }
    if (auto* tree = qobject_cast<const QTreeWidget*>(w)) {
        const auto items = tree->selectedItems();
        return items.isEmpty() ? -1 : tree->indexOfTopLevelItem(items.first());
    }
    return -1;
}

void selectRow(QWidget* w, int row) {
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        list->clearSelection();
        if (row >= 0 && row < list->count()) list->setCurrentRow(row);
    } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
        table->clearSelection();
        if (row >= 0 && row < table->rowCount()) table->selectRow(row);
    } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
        tree->clearSelection();
        if (QTreeWidgetItem* item = tree->topLevelItem(row)) tree->setCurrentItem(item);
    }
}

// A one-line label too narrow for its text shows it cut with an ellipsis and whole in its tip;
// the text it holds is still the whole one.
void setLabelText(QLabel* l, const QString& t) {
    l->setProperty("vxText", t);
    const int room = l->contentsRect().width();
    const QString shown =
        l->wordWrap() || room <= 0 ? t : l->fontMetrics().elidedText(t, Qt::ElideRight, room);
    l->setText(shown);
    l->setToolTip(shown == t ? QString() : t);
}

QString labelText(const QLabel* l) {
    const QVariant whole = l->property("vxText");
    return whole.isValid() ? whole.toString() : l->text();
}

// The text a label, text box or button shows; false for any other control.
bool shownText(const QWidget* w, QString& out) {
    if (auto* l = qobject_cast<const QLabel*>(w))
        out = labelText(l);
    else if (auto* e = qobject_cast<const QLineEdit*>(w))
        out = e->text();
    else if (auto* e = qobject_cast<const QTextEdit*>(w))
        out = e->toPlainText();
    else if (auto* e = qobject_cast<const QPlainTextEdit*>(w))
        out = e->toPlainText();
    else if (auto* b = qobject_cast<const QAbstractButton*>(w))
        out = b->text();
    else
        return false;
    return true;
}

} // namespace

struct InterfaceWindows::Control {
    QPointer<QWidget> widget;
    OSType signature = 0;
    int32_t id = 0;
};

struct InterfaceWindows::Window : QObject {
    InterfaceWindows* owner = nullptr;
    QPointer<QWidget> widget;
    VxWindowEventProc proc = nullptr;
    void* userData = nullptr;
    bool overlay = false;
    bool placed = false; // moved by the plug-in, or already placed by the host
    std::vector<std::unique_ptr<Control>> controls;

    ~Window() override { delete widget.data(); }

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (!owner->live(reinterpret_cast<VxWindow*>(this))) return false;
        VxWindowEvent ev{};
        if (watched == widget.data()) {
            if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseMove) {
                auto* me = static_cast<QMouseEvent*>(e);
                ev.kind = e->type() == QEvent::MouseMove ? kVxWindowEventMouseMoved : kVxWindowEventMouseDown;
                ev.location = toPoint(me->position());
                ev.globalLocation = toPoint(widget->mapToGlobal(me->position()));
                ev.button =
                    me->button() == Qt::RightButton ? kEventMouseButtonSecondary : kEventMouseButtonPrimary;
                ev.modifiers = modifiersOf(me->modifiers());
                owner->deliver(this, ev);
            } else if (e->type() == QEvent::Close) {
                ev.kind = kVxWindowEventClosed;
                owner->deliver(this, ev);
            }
            return false;
        }
        if (e->type() == QEvent::KeyRelease) {
            auto* w = qobject_cast<QWidget*>(watched);
            auto* ke = static_cast<QKeyEvent*>(e);
            if (Control* c = w ? owner->controlFor(this, w) : nullptr) {
                ev.kind = kVxControlEventKeyReleased;
                ev.control = reinterpret_cast<VxControl*>(c);
                ev.signature = c->signature;
                ev.id = c->id;
                ev.modifiers = modifiersOf(ke->modifiers());
                const QString t = ke->text();
                ev.character = t.isEmpty() ? 0 : t.toUcs4().value(0);
                owner->deliver(this, ev);
            }
        }
        return false;
    }

    void controlEvent(QWidget* w, uint32_t kind) {
        if (owner->quiet_ || !owner->live(reinterpret_cast<VxWindow*>(this))) return;
        Control* c = owner->controlFor(this, w);
        if (!c) return;
        VxWindowEvent ev{};
        ev.kind = kind;
        ev.control = reinterpret_cast<VxControl*>(c);
        ev.signature = c->signature;
        ev.id = c->id;
        owner->deliver(this, ev);
    }
};

struct InterfaceWindows::Timer : QObject {
    QTimer timer;
    VxTimerProc proc = nullptr;
    void* userData = nullptr;
    int intervalMs = 0;
};

InterfaceWindows::InterfaceWindows(CallInto callInto) : callInto_(std::move(callInto)) {}

InterfaceWindows::~InterfaceWindows() {
    disposeAll();
}

InterfaceWindows::Window* InterfaceWindows::live(VxWindow* handle) const {
    auto* w = reinterpret_cast<Window*>(handle);
    return handle && std::find(windows_.begin(), windows_.end(), w) != windows_.end() && w->widget ? w
                                                                                                   : nullptr;
}

InterfaceWindows::Control* InterfaceWindows::live(VxControl* handle) const {
    if (!handle) return nullptr;
    for (Window* w : windows_)
        for (const auto& c : w->controls)
            if (reinterpret_cast<VxControl*>(c.get()) == handle) return c->widget ? c.get() : nullptr;
    return nullptr;
}

InterfaceWindows::Timer* InterfaceWindows::live(VxTimer* handle) const {
    auto* t = reinterpret_cast<Timer*>(handle);
    return handle && std::find(timers_.begin(), timers_.end(), t) != timers_.end() ? t : nullptr;
}

InterfaceWindows::Control* InterfaceWindows::controlFor(Window* window, QWidget* widget) {
    if (!widget || !hasPair(widget)) return nullptr;
    for (const auto& c : window->controls)
        if (c->widget == widget) return c.get();
    auto c = std::make_unique<Control>();
    c->widget = widget;
    c->signature = signatureOf(widget);
    c->id = widget->property("vxId").toInt();
    window->controls.push_back(std::move(c));
    return window->controls.back().get();
}

void InterfaceWindows::callPlugin(const std::function<void()>& call) {
    // The count comes down however the call ends, or every later release would wait.
    struct Depth {
        int& count;
        explicit Depth(int& c) : count(c) { ++count; }
        ~Depth() { --count; }
    } depth(depth_);
    // A plug-in's exception ends its own call, never the player's event loop.
    try {
        if (callInto_)
            callInto_(call);
        else
            call();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vxplayer: a plug-in's window call failed: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "vxplayer: a plug-in's window call failed: unknown exception\n");
    }
}

void InterfaceWindows::deliver(Window* window, VxWindowEvent& event) {
    if (!window->proc) return;
    VxWindowEventProc proc = window->proc;
    void* userData = window->userData;
    auto* handle = reinterpret_cast<VxWindow*>(window);
    callPlugin([&] { proc(handle, &event, userData); });
}

void InterfaceWindows::fire(Timer* timer) {
    if (!live(reinterpret_cast<VxTimer*>(timer))) return;
    if (timer->intervalMs > 0 && timer->timer.interval() != timer->intervalMs)
        timer->timer.setInterval(timer->intervalMs);
    if (timer->intervalMs == 0) timer->timer.stop();
    VxTimerProc proc = timer->proc;
    void* userData = timer->userData;
    auto* handle = reinterpret_cast<VxTimer*>(timer);
    callPlugin([&] { proc(handle, userData); });
    // A one-shot timer that was not removed in its call is gone all the same.
    if (timer->intervalMs == 0) removeTimer(handle);
}

void InterfaceWindows::release(QObject* object) {
    // Inside a call into the plug-in the object may be on the stack (its event or its timer):
    // the event loop deletes it once that has returned.
    if (depth_ > 0)
        object->deleteLater();
    else
        delete object;
}

VxWindow* InterfaceWindows::create(const char* folder, const char* name, VxWindowEventProc proc,
                                   void* userData) {
    if (!folder || !name || !*name || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    QFile file(QString::fromUtf8(folder) + "/" + QString::fromUtf8(name) + ".ui");
    if (!file.open(QIODevice::ReadOnly)) return nullptr;
    QUiLoader loader;
    QWidget* widget = loader.load(&file);
    if (!widget) return nullptr;
    widget->hide();
    if (widget->property("vxWindowClass").toString() == "overlay") {
        // Qt raises a tool window each time it is shown; with no stack to raise it in, a plain
        // window is the same overlay without the warning.
        const Qt::WindowFlags kind = onOffscreenPlatform() ? Qt::Window : Qt::Tool;
        widget->setWindowFlags(kind | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowDoesNotAcceptFocus);
        widget->setAttribute(Qt::WA_ShowWithoutActivating);
    } else {
        widget->setWindowFlags(Qt::Window);
    }
    // A move over a child without tracking is dropped rather than passed to the window.
    widget->setMouseTracking(true);
    for (QWidget* child : widget->findChildren<QWidget*>())
        child->setMouseTracking(true);
    auto* window = new Window;
    window->owner = this;
    window->widget = widget;
    window->proc = proc;
    window->userData = userData;
    window->overlay = widget->property("vxWindowClass").toString() == "overlay";
    widget->installEventFilter(window);
    for (QWidget* child : widget->findChildren<QWidget*>()) {
        if (!hasPair(child)) continue;
        if (isTextBox(child)) child->installEventFilter(window);
        if (auto* b = qobject_cast<QAbstractButton*>(child))
            QObject::connect(b, &QAbstractButton::clicked, window,
                             [window, b] { window->controlEvent(b, kVxControlEventClicked); });
        auto changed = [window, child] { window->controlEvent(child, kVxControlEventValueChanged); };
        if (auto* t = qobject_cast<QTabWidget*>(child))
            QObject::connect(t, &QTabWidget::currentChanged, window, changed);
        if (auto* c = qobject_cast<QComboBox*>(child))
            QObject::connect(c, &QComboBox::activated, window, changed);
        if (auto* s = qobject_cast<QAbstractSlider*>(child))
            QObject::connect(s, &QAbstractSlider::valueChanged, window, changed);
        if (auto* s = qobject_cast<QSpinBox*>(child))
            QObject::connect(s, &QSpinBox::valueChanged, window, changed);
        if (auto* l = qobject_cast<QListWidget*>(child))
            QObject::connect(l, &QListWidget::itemSelectionChanged, window, changed);
        if (auto* t = qobject_cast<QTableWidget*>(child))
            QObject::connect(t, &QTableWidget::itemSelectionChanged, window, changed);
        if (auto* t = qobject_cast<QTreeWidget*>(child))
            QObject::connect(t, &QTreeWidget::itemSelectionChanged, window, changed);
    }
    windows_.push_back(window);
    return reinterpret_cast<VxWindow*>(window);
}

void InterfaceWindows::dispose(VxWindow* handle) {
    Window* w = live(handle);
    if (!w) return;
    windows_.erase(std::find(windows_.begin(), windows_.end(), w));
    w->widget->hide();
    release(w);
}

void InterfaceWindows::show(VxWindow* handle, bool visible) {
    Window* w = live(handle);
    if (!w) return;
    if (!visible) {
        w->widget->hide();
        return;
    }
    if (!w->placed) placeOnAnchor(w);
    w->widget->show();
    if (!onOffscreenPlatform()) w->widget->raise();
}

void InterfaceWindows::placeOnAnchor(Window* w) const {
    // Overlays place themselves; a plain window left where the toolkit puts it opens in a
    // corner of the screen, far from the pane that asked for it.
    if (w->overlay || !anchor_ || !anchor_->isVisible()) return;
    w->placed = true;
    // Asked of the window system: without a window manager, a move made from outside is not
    // always in the toolkit's cached geometry.
    const QRect anchor(anchor_->mapToGlobal(QPoint(0, 0)), anchor_->size());
    const QSize size = w->widget->size();
    QPoint topLeft = anchor.center() - QPoint(size.width() / 2, size.height() / 2);
    // Kept on the anchor's screen, title bar included, when the anchor is near an edge.
    if (QScreen* screen = anchor_->screen()) {
        const QRect avail = screen->availableGeometry();
        topLeft.setX(
            std::clamp(topLeft.x(), avail.left(), std::max(avail.left(), avail.right() - size.width())));
        topLeft.setY(
            std::clamp(topLeft.y(), avail.top(), std::max(avail.top(), avail.bottom() - size.height())));
    }
    w->widget->move(topLeft);
}

void InterfaceWindows::move(VxWindow* handle, int left, int top) {
    // The position is the content's, as the bounds are; the frame goes around it.
    if (Window* w = live(handle)) {
        w->placed = true;
        w->widget->move(QPoint(left, top) -
                        (w->widget->geometry().topLeft() - w->widget->frameGeometry().topLeft()));
    }
}

void InterfaceWindows::resize(VxWindow* handle, int width, int height) {
    if (Window* w = live(handle)) w->widget->resize(std::max(width, 1), std::max(height, 1));
}

Rect InterfaceWindows::bounds(VxWindow* handle) const {
    Window* w = live(handle);
    return w ? toRect(w->widget->geometry()) : Rect{0, 0, 0, 0};
}

void InterfaceWindows::setAlpha(VxWindow* handle, float alpha) {
    Window* w = live(handle);
    if (!w) return;
    const double opacity = std::clamp(static_cast<double>(alpha), 0.0, 1.0);
    // Kept beside the window too, for the offscreen platform that has none.
    w->widget->setProperty("vxOpacity", opacity);
    if (!onOffscreenPlatform()) w->widget->setWindowOpacity(opacity);
}

Rect InterfaceWindows::mainDisplayBounds() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? toRect(screen->geometry()) : Rect{0, 0, 0, 0};
}

VxControl* InterfaceWindows::findControl(VxWindow* handle, OSType signature, int32_t id) {
    Window* w = live(handle);
    if (!w) return nullptr;
    for (QWidget* child : w->widget->findChildren<QWidget*>())
        if (hasPair(child) && signatureOf(child) == signature && child->property("vxId").toInt() == id)
            return reinterpret_cast<VxControl*>(controlFor(w, child));
    return nullptr;
}

uint32_t InterfaceWindows::text(VxControl* handle, char* out, uint32_t capacity) const {
    Control* c = live(handle);
    QString t;
    // The plug-in also reads a group's title and a pop-up's choice; the script's listing does not.
    if (c && !shownText(c->widget, t)) {
        if (auto* g = qobject_cast<QGroupBox*>(c->widget))
            t = g->title();
        else if (auto* b = qobject_cast<QComboBox*>(c->widget))
            t = b->currentText();
    }
    const QByteArray bytes = t.toUtf8();
    if (out && capacity > 0) {
        std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(bytes.size()), capacity - 1);
        // Never end inside a character.
        if (n < static_cast<std::size_t>(bytes.size()))
            while (n > 0 && (static_cast<unsigned char>(bytes[static_cast<qsizetype>(n)]) & 0xC0) == 0x80)
                --n;
        std::memcpy(out, bytes.constData(), n);
        out[n] = '\0';
    }
    return static_cast<uint32_t>(bytes.size());
}

void InterfaceWindows::setText(VxControl* handle, const char* text) {
    Control* c = live(handle);
    if (!c) return;
    const QString t = fromPluginText(text);
    QWidget* w = c->widget;
    quiet_ = true;
    if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setTextFormat(Qt::PlainText); // names from the web are never markup
        setLabelText(l, t);
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(t);
        // A text to read (an address, a path) shows from its start, as the user reads it.
        if (e->isReadOnly()) e->setCursorPosition(0);
    } else if (auto* e = qobject_cast<QTextEdit*>(w)) {
        e->setPlainText(t);
    } else if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
        e->setPlainText(t);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(t);
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        g->setTitle(t);
    }
    quiet_ = false;
}

int32_t InterfaceWindows::value(VxControl* handle) const {
    Control* c = live(handle);
    if (!c) return 0;
    QWidget* w = c->widget;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->isChecked() ? 1 : 0;
    if (auto* t = qobject_cast<QTabWidget*>(w)) return t->currentIndex() + 1;
    if (auto* b = qobject_cast<QComboBox*>(w)) return b->currentIndex();
    if (auto* s = qobject_cast<QAbstractSlider*>(w)) return s->value();
    if (auto* s = qobject_cast<QSpinBox*>(w)) return s->value();
    if (auto* p = qobject_cast<QProgressBar*>(w)) return p->value();
    if (qobject_cast<QAbstractItemView*>(w)) return selectedRow(w);
    return 0;
}

void InterfaceWindows::setValue(VxControl* handle, int32_t v) {
    Control* c = live(handle);
    if (!c) return;
    QWidget* w = c->widget;
    quiet_ = true;
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setChecked(v != 0);
    else if (auto* t = qobject_cast<QTabWidget*>(w))
        t->setCurrentIndex(v - 1);
    else if (auto* b = qobject_cast<QComboBox*>(w))
        b->setCurrentIndex(v);
    else if (auto* s = qobject_cast<QAbstractSlider*>(w))
        s->setValue(v);
    else if (auto* s = qobject_cast<QSpinBox*>(w))
        s->setValue(v);
    else if (auto* p = qobject_cast<QProgressBar*>(w))
        p->setValue(v);
    else if (qobject_cast<QAbstractItemView*>(w))
        selectRow(w, v);
    quiet_ = false;
}

void InterfaceWindows::enable(VxControl* handle, bool enabled) {
    if (Control* c = live(handle)) c->widget->setEnabled(enabled);
}

void InterfaceWindows::showControl(VxControl* handle, bool visible) {
    if (Control* c = live(handle)) c->widget->setVisible(visible);
}

OSStatus InterfaceWindows::setImage(VxControl* handle, const char* path) {
    Control* c = live(handle);
    auto* label = c ? qobject_cast<QLabel*>(c->widget.data()) : nullptr;
    if (!label || !path) return paramErr;
    QPixmap pixmap(QString::fromUtf8(path));
    if (pixmap.isNull()) return paramErr;
    label->setPixmap(pixmap);
    return noErr;
}

void InterfaceWindows::setRows(VxControl* handle, const char* const* rows, int32_t count) {
    Control* c = live(handle);
    if (!c) return;
    QStringList lines;
    for (int32_t i = 0; rows && i < count; ++i)
        lines << fromPluginText(rows[i]);
    QWidget* w = c->widget;
    quiet_ = true;
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        list->clear();
        list->addItems(lines);
    } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
        table->clearContents();
        table->setRowCount(static_cast<int>(lines.size()));
        for (int r = 0; r < lines.size(); ++r) {
            const QStringList cells = lines[r].split('\t');
            for (int col = 0; col < cells.size() && col < table->columnCount(); ++col)
                table->setItem(r, col, new QTableWidgetItem(cells[col]));
        }
    } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
        tree->clear();
        for (const QString& line : lines)
            tree->addTopLevelItem(new QTreeWidgetItem(line.split('\t')));
    }
    quiet_ = false;
}

VxTimer* InterfaceWindows::installTimer(double firstDelay, double interval, VxTimerProc proc,
                                        void* userData) {
    if (!proc || !std::isfinite(firstDelay) || !std::isfinite(interval)) return nullptr;
    auto toMs = [](double s) {
        return static_cast<int>(std::clamp(std::llround(s * 1000.0), 0LL, 24LL * 3600 * 1000));
    };
    auto* t = new Timer;
    t->proc = proc;
    t->userData = userData;
    t->intervalMs = interval > 0 ? std::max(toMs(interval), 1) : 0;
    t->timer.setTimerType(Qt::PreciseTimer);
    t->timer.setInterval(toMs(firstDelay));
    QObject::connect(&t->timer, &QTimer::timeout, t, [this, t] { fire(t); });
    timers_.push_back(t);
    t->timer.start();
    return reinterpret_cast<VxTimer*>(t);
}

void InterfaceWindows::removeTimer(VxTimer* handle) {
    Timer* t = live(handle);
    if (!t) return;
    timers_.erase(std::find(timers_.begin(), timers_.end(), t));
    t->timer.stop();
    release(t);
}

std::vector<InterfaceWindowInfo> InterfaceWindows::windows() const {
    std::vector<InterfaceWindowInfo> out;
    for (Window* w : windows_) {
        if (!w->widget) continue;
        InterfaceWindowInfo info;
        info.name = w->widget->objectName().toStdString();
        info.geometry = w->widget->geometry();
        const QVariant kept = w->widget->property("vxOpacity");
        info.opacity = kept.isValid() ? kept.toDouble() : w->widget->windowOpacity();
        info.visible = w->widget->isVisible();
        out.push_back(std::move(info));
    }
    return out;
}

QWidget* InterfaceWindows::widgetNamed(const std::string& name) const {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if ((*it)->widget && (*it)->widget->objectName().toStdString() == name) return (*it)->widget;
    return nullptr;
}

bool InterfaceWindows::snapshot(const std::string& name, const std::string& path) const {
    QWidget* w = widgetNamed(name);
    return w && w->grab().save(QString::fromStdString(path), "PNG");
}

std::vector<std::pair<std::string, std::string>>
InterfaceWindows::controlTexts(const std::string& name) const {
    std::vector<std::pair<std::string, std::string>> out;
    QWidget* window = widgetNamed(name);
    if (!window) return out;
    for (Window* w : windows_) {
        if (w->widget != window) continue;
        for (QWidget* child : window->findChildren<QWidget*>()) {
            if (!hasPair(child)) continue;
            QString t;
            if (!shownText(child, t)) continue;
            out.emplace_back(child->objectName().toStdString(), t.toStdString());
        }
    }
    return out;
}

bool InterfaceWindows::sendMouse(const std::string& name, int x, int y, bool press) {
    QWidget* window = widgetNamed(name);
    if (!window) return false;
    const QPointF at(x, y);
    QWidget* target = window->childAt(at.toPoint());
    if (!target) target = window;
    const QPointF local = target->mapFrom(window, at);
    const QPointF global = window->mapToGlobal(at);
    if (!press) {
        QMouseEvent move(QEvent::MouseMove, local, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        return true;
    }
    QPointer<QWidget> guard(target);
    QMouseEvent down(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &down);
    if (!guard) return true; // the press closed the window
    QMouseEvent up(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &up);
    return true;
}

bool InterfaceWindows::click(const std::string& name, int x, int y) {
    return sendMouse(name, x, y, true);
}

bool InterfaceWindows::hover(const std::string& name, int x, int y) {
    return sendMouse(name, x, y, false);
}

std::pair<std::size_t, std::size_t> InterfaceWindows::disposeAll() {
    const std::pair<std::size_t, std::size_t> left{windows_.size(), timers_.size()};
    while (!timers_.empty())
        removeTimer(reinterpret_cast<VxTimer*>(timers_.back()));
    while (!windows_.empty()) {
        Window* w = windows_.back();
        windows_.pop_back();
        release(w);
    }
    return left;
}

} // namespace vx
