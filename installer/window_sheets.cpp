#include "installer/window_sheets.h"

#include <QMessageBox>
#include <QPushButton>

namespace vx::installer {

void WindowSheets::beginSheet(const Sheet& sheet, QWidget* window, std::function<void(int)> onEnd) {
    auto* box = new QMessageBox(window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Information);
    box->setText(QString::fromStdString(sheet.title));
    box->setInformativeText(QString::fromStdString(sheet.message));
    QPushButton* ok = box->addButton("Ok", QMessageBox::AcceptRole);
    box->setDefaultButton(ok);
    QObject::connect(box, &QMessageBox::finished, box, [onEnd = std::move(onEnd)](int) {
        if (onEnd) onEnd(kDefaultReturn);
    });
    box->open();
}

} // namespace vx::installer
