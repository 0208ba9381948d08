#include "lobby/tablelist.h"

namespace mb {

TableList::TableList(QByteArray ownVersion, QObject* parent)
    : QAbstractTableModel(parent), version_(std::move(ownVersion)) {}

int TableList::rowOf(const QString& key) const {
    for (int row = 0; row < rows_.size(); ++row)
        if (rows_[row].key == key) return row;
    return -1;
}

void TableList::put(const TableEntry& entry) {
    if (const int row = rowOf(entry.key); row >= 0) {
        rows_[row] = entry;
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
        return;
    }
    beginInsertRows({}, int(rows_.size()), int(rows_.size()));
    rows_.append(entry);
    endInsertRows();
}

void TableList::remove(const QString& key) {
    const int row = rowOf(key);
    if (row < 0) return;
    beginRemoveRows({}, row, row);
    rows_.removeAt(row);
    endRemoveRows();
}

void TableList::clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

QString TableList::text(int row, int column) const {
    const TableEntry& e = rows_.at(row);
    switch (column) {
        case NameColumn: {
            QString name = shownPeerText(e.record.name);
            if (e.record.version != version_)
                name += QStringLiteral("  (version %1)").arg(shownPeerText(e.record.version, 16));
            return name;
        }
        case AddressColumn:
            return QStringLiteral("%1:%2").arg(e.address).arg(e.port);
        case SeatsColumn:
            return QStringLiteral("%1 of %2").arg(e.record.seats).arg(kMaxRecordSeats);
        case WatchersColumn:
            return QString::number(e.record.watchers);
        case GameColumn:
            return e.record.gameRunning ? QStringLiteral("playing") : QStringLiteral("waiting");
    }
    return {};
}

int TableList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int TableList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TableList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size()) return {};
    if (role == Qt::DisplayRole) return text(index.row(), index.column());
    // The name whole, for a column too narrow to show it all.
    if (role == Qt::ToolTipRole && index.column() == NameColumn) {
        const QString name = text(index.row(), NameColumn);
        if (rows_[index.row()].record.version == version_) return name;
        return name + QStringLiteral("\nThis table runs another version of the game than yours.");
    }
    return {};
}

QVariant TableList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case NameColumn:
            return QStringLiteral("Table");
        case AddressColumn:
            return QStringLiteral("Address");
        case SeatsColumn:
            return QStringLiteral("Seats taken");
        case WatchersColumn:
            return QStringLiteral("Watching");
        case GameColumn:
            return QStringLiteral("Game");
    }
    return {};
}

}  // namespace mb
