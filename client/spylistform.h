#pragma once
// The list of spectators ("spies") at the table.
#include <QDialog>

class QListWidget;
class QMenu;

class Tspylist : public QDialog {
    Q_OBJECT
public:
    explicit Tspylist(QWidget* parent = nullptr);

    void setSpies(const QStringList& entries);
    // Only seat 1 (the hosting copy, or the first player at a dedicated host) removes anybody.
    void setRemoveEnabled(bool enabled);
    // Index of the entry under the pointer, -1 when there is none.
    int hoverIndex() const { return hover_; }
    QListWidget* listbox() const { return listbox_spys; }
    QAction* removeAction() const { return popup_kickhim; }
    void listbox_spysMouseMove(const QPoint& pos);
    void popup_kickhimClick();

signals:
    void kickRequested(int seat);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidget* listbox_spys = nullptr;
    QMenu* popup_kick = nullptr;
    QAction* popup_kickhim = nullptr;
    int hover_ = -1;
};
