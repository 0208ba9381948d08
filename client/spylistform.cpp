#include "client/spylistform.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

#include "assets/art.h"
#include "widgets/backgroundpanel.h"

namespace {
constexpr QSize kWindowSize{200, 240};
}

Tspylist::Tspylist(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Marrowby - Spys"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint);
    setFixedSize(kWindowSize);
    auto* panel = new mb::BackgroundPanel(this);
    panel->setGeometry(rect());
    panel->setTile(&mb::art::backgroundTile);
    auto* title = new QLabel(QStringLiteral("Spy List"), panel);
    title->setGeometry(10, 6, 180, 18);
    listbox_spys = new QListWidget(panel);
    listbox_spys->setObjectName(QStringLiteral("listbox_spys"));
    listbox_spys->setGeometry(10, 26, 180, 170);
    listbox_spys->setMouseTracking(true);
    listbox_spys->viewport()->installEventFilter(this);
    listbox_spys->setContextMenuPolicy(Qt::DefaultContextMenu);
    auto* done = new QPushButton(QStringLiteral("Done"), panel);
    done->setGeometry(60, 204, 80, 26);
    connect(done, &QPushButton::clicked, this, &QWidget::close);

    popup_kick = new QMenu(this);
    popup_kickhim = popup_kick->addAction(QStringLiteral("Remove From Game"));
    popup_kickhim->setObjectName(QStringLiteral("popup_kickhim"));
    popup_kickhim->setEnabled(false);
    connect(popup_kickhim, &QAction::triggered, this, &Tspylist::popup_kickhimClick);
}

void Tspylist::setSpies(const QStringList& entries) {
    QStringList now;
    for (int i = 0; i < listbox_spys->count(); ++i) now << listbox_spys->item(i)->text();
    if (now == entries) return;
    listbox_spys->clear();
    for (const QString& e : entries) {
        // Plain items: a name that looks like markup shows as typed.
        listbox_spys->addItem(e);
    }
}

void Tspylist::setRemoveEnabled(bool enabled) {
    popup_kickhim->setEnabled(enabled);
}

void Tspylist::listbox_spysMouseMove(const QPoint& pos) {
    const QListWidgetItem* item = listbox_spys->itemAt(pos);
    hover_ = item ? listbox_spys->row(item) : -1;
}

void Tspylist::popup_kickhimClick() {
    if (hover_ < 0 || hover_ >= listbox_spys->count()) return;
    const QString entry = listbox_spys->item(hover_)->text();
    bool ok = false;
    const int seat = entry.section(QLatin1Char(':'), 0, 0).toInt(&ok);
    if (ok) emit kickRequested(seat);
}

bool Tspylist::eventFilter(QObject* watched, QEvent* event) {
    if (watched == listbox_spys->viewport()) {
        if (event->type() == QEvent::MouseMove)
            listbox_spysMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        else if (event->type() == QEvent::ContextMenu) {
            auto* menuEvent = static_cast<QContextMenuEvent*>(event);
            listbox_spysMouseMove(menuEvent->pos());
            popup_kick->popup(menuEvent->globalPos());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
