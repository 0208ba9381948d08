#pragma once
// A grid of text cells and its plain-text form: the column count, the row count, then every
// cell on a line of its own, column by column, each line ended by CR LF.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <limits>
#include <stdexcept>

namespace mb {

class GridTextError : public std::runtime_error {
public:
    explicit GridTextError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

class StringGrid {
public:
    StringGrid(int cols = 0, int rows = 0) { resize(cols, rows); }

    int colCount() const { return static_cast<int>(cells_.size()); }
    int rowCount() const { return rows_; }
    void setColCount(int cols) { resize(cols, rows_); }
    void setRowCount(int rows) { resize(colCount(), rows); }

    // Out-of-range cells read as empty and ignore writes.
    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);

    bool operator==(const StringGrid&) const = default;

private:
    void resize(int cols, int rows);
    QList<QStringList> cells_;  // by column
    int rows_ = 0;
};

// The grid as text. A cell's CR, LF and Ctrl-Z would cut it into more cells on reading, so they
// are written as spaces.
QByteArray gridText(const StringGrid& grid);
// Fills grid from text; throws GridTextError when the counts are not numbers or promise more
// cells than the text holds, or more than mostRows rows.
void readGridText(const QByteArray& text, StringGrid& grid,
                  int mostRows = std::numeric_limits<int>::max());

void SaveGridFile(const StringGrid& grid, const QString& name);
void LoadGridFile(StringGrid& grid, const QString& name);

}  // namespace mb
