#pragma once
// The windowed program's error notice: one box at a time. Notices that arrive while it is open
// are counted on it, so a peer sending malformed numbers by the hundred opens one box, not
// hundreds.
#include <QObject>
#include <QPointer>
#include <QString>

class QMessageBox;
class QWidget;

namespace mb {

// A plain message box of the game that never blocks: the game's timers and sockets go on while
// it is open. It deletes itself when closed.
QMessageBox* showMessage(QWidget* parent, const QString& text);

class NoticeBox : public QObject {
    Q_OBJECT
public:
    explicit NoticeBox(QWidget* parent);
    void show(const QString& text);
    // The open box, or nullptr.
    QMessageBox* box() const;
    // Notices counted on the open box after the one it shows.
    int repeats() const { return repeats_; }

private:
    QPointer<QWidget> parent_;
    QPointer<QMessageBox> box_;
    int repeats_ = 0;
};

}  // namespace mb
