#pragma once
// Tells the local network about a host's table: its port, name, seats taken, watchers and
// whether a game runs, kept up to date as they change (at most once per
// kRecordUpdateInterval). Starts when the server listens; without an Avahi daemon the table
// plays as before and unavailable() is said once.
#include <QObject>
#include <QString>

#include "discovery/tablerecord.h"

namespace mb {

class HostCore;
class TServer;
class TableDirectory;

// The record a host's state gives: seats 1..4 held by a logged-in player who plays, and every
// logged-in connection that watches.
TableRecord tableRecordOf(const HostCore& core, const QByteArray& version, const QString& name);

class TableAnnouncer : public QObject {
    Q_OBJECT
public:
    TableAnnouncer(TServer& server, QString tableName, QObject* parent = nullptr);

    TableDirectory& directory() { return *directory_; }

signals:
    // Once per run, with the reason, when the table cannot be announced.
    void unavailable(const QString& reason);

private:
    void refresh();

    TServer& server_;
    QString name_;
    TableDirectory* directory_;
    bool started_ = false;
    bool told_ = false;
};

}  // namespace mb
