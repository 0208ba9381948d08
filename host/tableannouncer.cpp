#include "host/tableannouncer.h"

#include "core/version.h"
#include "discovery/tabledirectory.h"
#include "host/serverform.h"

namespace mb {

TableRecord tableRecordOf(const HostCore& core, const QByteArray& version, const QString& name) {
    TableRecord record;
    record.version = version;
    record.name = tableNameFor(name);
    for (int seat = 1; seat <= kMaxSeats; ++seat) {
        const SeatRecord& s = core.seat(seat);
        if (!s.present || !s.loggedIn) continue;
        if (seat <= kTableSeats && !s.watching)
            ++record.seats;
        else
            ++record.watchers;
    }
    record.gameRunning = core.gameRunning();
    return record;
}

TableAnnouncer::TableAnnouncer(TServer& server, QString tableName, QObject* parent)
    : QObject(parent),
      server_(server),
      name_(std::move(tableName)),
      directory_(new TableDirectory(this)) {
    connect(&server_, &TServer::listening, this, [this](quint16 port) {
        started_ = true;
        directory_->announce(name_, port, tableRecordOf(server_.core(), kProgramVersion, name_));
    });
    connect(&server_, &TServer::tableTouched, this, &TableAnnouncer::refresh);
    connect(directory_, &TableDirectory::stateChanged, this, [this](TableDirectory::State state) {
        if (state != TableDirectory::State::Unavailable || told_) return;
        told_ = true;
        emit unavailable(directory_->problem());
    });
}

void TableAnnouncer::refresh() {
    if (started_) directory_->setRecord(tableRecordOf(server_.core(), kProgramVersion, name_));
}

}  // namespace mb
