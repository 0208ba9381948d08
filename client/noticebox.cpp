#include "client/noticebox.h"

#include <QMessageBox>

namespace mb {

QMessageBox* showMessage(QWidget* parent, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Marrowby"), text,
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    box->open();
    return box;
}

NoticeBox::NoticeBox(QWidget* parent) : QObject(parent), parent_(parent) {}

QMessageBox* NoticeBox::box() const {
    return box_;
}

void NoticeBox::show(const QString& text) {
    if (box_) {
        ++repeats_;
        box_->setInformativeText(
            repeats_ == 1 ? QStringLiteral("1 more error notice arrived while this one was open.")
                          : QStringLiteral("%1 more error notices arrived while this one was open.")
                                .arg(repeats_));
        return;
    }
    repeats_ = 0;
    // Not modal: the game's timers and sockets go on while the box is open.
    box_ = new QMessageBox(QMessageBox::Critical, QStringLiteral("Marrowby"), text, QMessageBox::Ok,
                           parent_);
    box_->setTextFormat(Qt::PlainText);
    box_->setAttribute(Qt::WA_DeleteOnClose);
    box_->open();
}

}  // namespace mb
