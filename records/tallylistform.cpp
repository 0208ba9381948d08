#include "records/tallylistform.h"

#include <QHBoxLayout>
#include <QListWidget>

Ttallylist::Ttallylist(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Tally"));
    auto* layout = new QHBoxLayout(this);
    checklist = new QListWidget(this);
    checklist->setObjectName(QStringLiteral("checklist"));
    listbox_tally = new QListWidget(this);
    listbox_tally->setObjectName(QStringLiteral("listbox_tally"));
    layout->addWidget(checklist);
    layout->addWidget(listbox_tally);
}

void Ttallylist::addcounter(int turns) {
    reports_ << QStringLiteral("counter:%1").arg(turns);
}

void Ttallylist::addgame(const QString& name) {
    reports_ << QStringLiteral("game:") + name;
}
