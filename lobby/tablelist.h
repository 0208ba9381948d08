#pragma once
// The tables the lobby lists, as a model for a view: one row per table heard on the network,
// every field of peer text made safe to show (see shownPeerText). Window-free.
#include <QAbstractTableModel>
#include <QList>

#include "discovery/tabledirectory.h"

namespace mb {

class TableList : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn, AddressColumn, SeatsColumn, WatchersColumn, GameColumn, ColumnCount };

    explicit TableList(QByteArray ownVersion, QObject* parent = nullptr);

    // Adds the table or updates its row.
    void put(const TableEntry& entry);
    void remove(const QString& key);
    void clear();

    const TableEntry& entry(int row) const { return rows_.at(row); }
    // The row of the table with `key`, or -1.
    int rowOf(const QString& key) const;
    // The texts shown for a row, one per column.
    QString text(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QByteArray version_;
    QList<TableEntry> rows_;
};

}  // namespace mb
