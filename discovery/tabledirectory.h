#pragma once
// The one object that speaks to the Avahi daemon: it announces this copy's table and browses
// the tables of the local network (DNS-SD, service type kTableServiceType). Everything runs
// on the Qt event loop of its thread through QtAvahiPoll. Without a running daemon nothing
// fails: the state says Unavailable, and the daemon is looked for again now and then, so one
// started later is used.
#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <chrono>

#include "discovery/tablerecord.h"

struct AvahiClient;
struct AvahiEntryGroup;
struct AvahiServiceBrowser;
struct AvahiServiceResolver;
class QTimer;

namespace mb {

class QtAvahiPoll;

// A changed record goes out at most once per interval, so a busy table cannot flood the
// network with announcements; the last change is never lost, only delayed.
inline constexpr std::chrono::milliseconds kRecordUpdateInterval{1000};
// How often a missing daemon is looked for again.
inline constexpr std::chrono::milliseconds kDaemonRetryInterval{5000};

struct TableEntry {
    QString key;             // stable while the service lives; never shown
    QByteArray serviceName;  // the announced instance name, peer text
    QString address;         // dotted, written by Avahi from the resolved address
    quint16 port = 0;
    TableRecord record;
};

}  // namespace mb
Q_DECLARE_METATYPE(mb::TableEntry)
namespace mb {

class TableDirectory : public QObject {
    Q_OBJECT
public:
    enum class State { Starting, Running, Unavailable };

    explicit TableDirectory(QObject* parent = nullptr);
    ~TableDirectory() override;

    State state() const { return state_; }
    // Avahi's words for the last failure, for a log line; empty when none.
    const QString& problem() const { return problem_; }

    // Announces this table now or as soon as the daemon runs. `name` is cut by tableNameFor().
    void announce(const QString& name, quint16 port, const TableRecord& record);
    // A new record for the announced table; sent at most once per kRecordUpdateInterval.
    void setRecord(const TableRecord& record);
    // The name the network knows the table by (another name when the first was taken).
    const QByteArray& announcedName() const { return name_; }

    // Starts reporting the tables of the network, this copy's own included.
    void browse();

signals:
    void stateChanged(TableDirectory::State state);
    // A table was resolved, or its record or address changed.
    void tableFound(const mb::TableEntry& entry);
    void tableRemoved(const QString& key);
    // A table's record was refused; `reason` never quotes the peer's bytes.
    void recordRefused(const QString& key, const QString& reason);

private:
    // The Avahi callbacks, with their exact C signatures.
    struct Callbacks;
    friend struct Callbacks;

    void startClient();
    void stopClient();
    void clientRunning();
    void setState(State state, const QString& problem = {});
    void registerService();
    void pushRecord();
    void forgetTables();

    QtAvahiPoll* poll_;
    AvahiClient* client_ = nullptr;
    AvahiEntryGroup* group_ = nullptr;
    AvahiServiceBrowser* browser_ = nullptr;
    struct Found {
        AvahiServiceResolver* resolver = nullptr;
        bool reported = false;
    };
    QHash<QString, Found> tables_;
    State state_ = State::Starting;
    QString problem_;

    bool announcing_ = false;
    bool browsing_ = false;
    QByteArray name_;
    quint16 port_ = 0;
    TableRecord record_;     // wanted
    TableRecord published_;  // last sent
    bool registered_ = false;
    QElapsedTimer sinceUpdate_;
    QTimer* updateTimer_;
    QTimer* retryTimer_;
};

}  // namespace mb
