#include "records/kestrostrgrid.h"

#include <QFile>
#include <QSaveFile>

namespace mb {
namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr char kCtrlZ = '\x1a';
// A grid wider than this is no grid of ours.
constexpr int kMostColumns = 1000;

// The first `most` lines of the text, so that a text of many short lines costs no more than the
// lines a grid needs.
QList<QByteArray> textLines(const QByteArray& text, qint64 most) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    qsizetype i = 0;
    const qsizetype end = text.indexOf(kCtrlZ) < 0 ? text.size() : text.indexOf(kCtrlZ);
    while (i < end && lines.size() < most) {
        if (text[i] == kCR) {
            lines << text.mid(start, i - start);
            ++i;
            if (i < end && text[i] == kLF) ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < end && lines.size() < most) lines << text.mid(start, end - start);
    return lines;
}

int count(const QList<QByteArray>& lines, int index, const char* what) {
    bool ok = false;
    const int n = index < lines.size() ? lines[index].trimmed().toInt(&ok) : 0;
    if (!ok || n < 0)
        throw GridTextError(QStringLiteral("The grid text has no valid %1 on line %2")
                                .arg(QLatin1String(what))
                                .arg(index + 1));
    return n;
}

}  // namespace

QString StringGrid::cell(int col, int row) const {
    if (col < 0 || col >= colCount() || row < 0 || row >= rows_) return {};
    return cells_[col][row];
}

void StringGrid::setCell(int col, int row, const QString& text) {
    if (col < 0 || col >= colCount() || row < 0 || row >= rows_) return;
    cells_[col][row] = text;
}

void StringGrid::resize(int cols, int rows) {
    cols = std::max(cols, 0);
    rows_ = std::max(rows, 0);
    cells_.resize(cols);
    for (QStringList& column : cells_) column.resize(rows_);
}

QByteArray gridText(const StringGrid& grid) {
    QByteArray text;
    const auto line = [&text](const QByteArray& bytes) {
        text += bytes;
        text += "\r\n";
    };
    line(QByteArray::number(grid.colCount()));
    line(QByteArray::number(grid.rowCount()));
    for (int c = 0; c < grid.colCount(); ++c) {
        for (int r = 0; r < grid.rowCount(); ++r) {
            QByteArray cell = grid.cell(c, r).toUtf8();
            for (char& ch : cell)
                if (ch == kCR || ch == kLF || ch == kCtrlZ) ch = ' ';
            line(cell);
        }
    }
    return text;
}

void readGridText(const QByteArray& text, StringGrid& grid, int mostRows) {
    const QList<QByteArray> head = textLines(text, 2);
    const int cols = count(head, 0, "column count");
    const int rows = count(head, 1, "row count");
    if (rows > mostRows)
        throw GridTextError(
            QStringLiteral("The grid text has %1 rows, more than %2").arg(rows).arg(mostRows));
    const qint64 cells = qint64{cols} * rows;
    const QList<QByteArray> lines = cols > kMostColumns ? head : textLines(text, 2 + cells);
    if (cols > kMostColumns || cells > lines.size() - 2)
        throw GridTextError(QStringLiteral("The grid text holds fewer cells than it says"));
    grid.setColCount(cols);
    grid.setRowCount(rows);
    int at = 2;
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r) grid.setCell(c, r, QString::fromUtf8(lines[at++]));
}

void SaveGridFile(const StringGrid& grid, const QString& name) {
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(gridText(grid)) < 0 || !file.commit())
        throw GridTextError(QStringLiteral("Cannot write the grid file ") + name);
}

void LoadGridFile(StringGrid& grid, const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw GridTextError(QStringLiteral("Cannot open the grid file ") + name);
    readGridText(file.readAll(), grid);
}

}  // namespace mb
