#include "player/control_driving.h"

#include "platform/qt/interface_windows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTreeWidget>

#include <charconv>

namespace vx::player {

namespace {

// The control of that object name in the newest shown window that has one (else in any).
QWidget* controlNamed(InterfaceWindows& windows, const std::string& name) {
    const QString objectName = QString::fromStdString(name);
    QWidget* hiddenOne = nullptr;
    const std::vector<InterfaceWindowInfo> open = windows.windows();
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        QWidget* window = windows.widgetNamed(it->name);
        QWidget* control = window ? window->findChild<QWidget*>(objectName) : nullptr;
        if (!control) continue;
        if (window->isVisible()) return control;
        if (!hiddenOne) hiddenOne = control;
    }
    return hiddenOne;
}

// A control on a tab that is not shown is reached as a user reaches it: its tab is clicked first.
void bringTabForward(QWidget* control) {
    for (QWidget* page = control; page && page->parentWidget(); page = page->parentWidget()) {
        auto* tabs = qobject_cast<QTabWidget*>(page->parentWidget()->parentWidget());
        if (!tabs) continue;
        const int index = tabs->indexOf(page);
        if (index >= 0 && index != tabs->currentIndex()) tabs->setCurrentIndex(index);
    }
}

std::string unusable(QWidget* control) {
    if (!control) return "no such control";
    if (!control->window()->isVisible()) return "is in a hidden window";
    bringTabForward(control);
    if (!control->isEnabled()) return "is disabled";
    return "";
}

std::optional<int> wholeNumber(const std::string& text) {
    int v = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || p != end) return std::nullopt;
    return v;
}

// A key release on the box, as the end of typing; the last character typed goes with it.
void releaseKey(QWidget* box, const QString& text) {
    const QString last = text.isEmpty() ? QString() : text.right(1);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, last);
    QApplication::sendEvent(box, &release);
}

} // namespace

std::string setControl(InterfaceWindows& windows, const std::string& name, const std::string& value) {
    QWidget* control = controlNamed(windows, name);
    if (std::string why = unusable(control); !why.empty()) return why;
    QPointer<QWidget> guard(control);
    const QString text = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
    if (auto* line = qobject_cast<QLineEdit*>(control)) {
        line->setText(text);
        releaseKey(line, text);
        return "";
    }
    if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) {
        edit->setPlainText(text);
        releaseKey(edit, text);
        return "";
    }
    if (auto* edit = qobject_cast<QTextEdit*>(control)) {
        edit->setPlainText(text);
        releaseKey(edit, text);
        return "";
    }
    const std::optional<int> number = wholeNumber(value);
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        if (!button->isCheckable()) return "is a button: use press";
        if (!number || (*number != 0 && *number != 1)) return "takes 1 or 0";
        if (button->isChecked() != (*number == 1)) button->click();
        return "";
    }
    if (!number) return "takes a number";
    if (auto* tabs = qobject_cast<QTabWidget*>(control)) {
        if (*number < 1 || *number > tabs->count()) return "has no such tab";
        tabs->setCurrentIndex(*number - 1);
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        if (*number < -1 || *number >= list->count()) return "has no such row";
        if (*number < 0)
            list->clearSelection();
        else
            list->setCurrentRow(*number);
    } else if (auto* table = qobject_cast<QTableWidget*>(control)) {
        if (*number < -1 || *number >= table->rowCount()) return "has no such row";
        if (*number < 0)
            table->clearSelection();
        else
            table->selectRow(*number);
    } else if (auto* tree = qobject_cast<QTreeWidget*>(control)) {
        if (*number < -1 || *number >= tree->topLevelItemCount()) return "has no such row";
        if (*number < 0)
            tree->clearSelection();
        else
            tree->setCurrentItem(tree->topLevelItem(*number));
    } else {
        return "cannot be set";
    }
    return "";
}

std::string pressControl(InterfaceWindows& windows, const std::string& name) {
    QWidget* control = controlNamed(windows, name);
    if (std::string why = unusable(control); !why.empty()) return why;
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (!button) return "is not a button";
    button->click();
    return "";
}

} // namespace vx::player
