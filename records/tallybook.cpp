#include "records/tallybook.h"

#include <QFile>

#include "core/savefile.h"
#include "records/filecodec.h"

namespace mb {
namespace {

constexpr int kMostKeptAside = 100;
// Counts stay far from the integer limits, so sums and quotients never overflow.
constexpr qint64 kLargestCount = qint64{1} << 53;

}  // namespace

qint64 cellCount(const QString& text) {
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    return ok && n >= 0 && n < kLargestCount ? n : -1;
}

TallyBook::TallyBook() : stringgrid_scores(kTallyColumns, 1) {
    for (int c = 0; c < kTallyColumns; ++c) stringgrid_scores.setCell(c, 0, QStringLiteral("0"));
}

int TallyBook::findRow(const QString& name) const {
    for (int row = 1; row <= opponents(); ++row)
        if (this->name(row).compare(name, Qt::CaseInsensitive) == 0) return row;
    return -1;
}

qint64 TallyBook::addit(int col, int row) {
    const qint64 value = std::max<qint64>(cellCount(stringgrid_scores.cell(col, row)), 0) + 1;
    stringgrid_scores.setCell(col, row, QString::number(value));
    return value;
}

void TallyBook::addcounter(int turns) {
    addit(kOrdersColumn, 0);
    const qint64 sum = cellCount(stringgrid_scores.cell(kTurnsColumn, 0));
    const qint64 add = std::clamp<qint64>(turns, 0, kLargestCount);
    stringgrid_scores.setCell(kTurnsColumn, 0,
                              QString::number(sum < 0 ? add : std::min(sum + add, kLargestCount)));
}

QString TallyBook::average() const {
    const qint64 turns = cellCount(stringgrid_scores.cell(kTurnsColumn, 0));
    const qint64 orders = cellCount(stringgrid_scores.cell(kOrdersColumn, 0));
    if (turns < 0 || orders <= 0) return QStringLiteral("0");
    return QString::number(turns / orders);
}

void TallyBook::addgame(const QStringList& atTable, const GameWinner& winner) {
    addit(kGamesColumn, 0);
    const bool mine = !winner;
    if (mine) addit(kWinsColumn, 0);
    for (const QString& player : atTable) {
        const int row = findRow(player);
        if (row < 0) continue;
        for (int c = 1; c <= kLastColumn; ++c)
            if (stringgrid_scores.cell(c, row).isEmpty())
                stringgrid_scores.setCell(c, row, QStringLiteral("0"));
        addit(1, row);
        addit(5, row);
        if (winner && name(row) == *winner) {
            addit(2, row);
            addit(6, row);
        } else if (mine) {
            addit(3, row);
            addit(7, row);
        } else {
            addit(4, row);
            addit(8, row);
        }
    }
}

int TallyBook::addPlayer(const QString& name) {
    const int row = stringgrid_scores.rowCount();
    stringgrid_scores.setRowCount(row + 1);
    stringgrid_scores.setCell(0, row, name);
    for (int c = 1; c <= kLastColumn; ++c) stringgrid_scores.setCell(c, row, QStringLiteral("0"));
    return row;
}

void TallyBook::moverow(int row) {
    const int last = stringgrid_scores.rowCount() - 1;
    if (row < 1 || row > last) return;  // the totals row stays
    for (int r = row; r < last; ++r)
        for (int c = 0; c < kTallyColumns; ++c)
            stringgrid_scores.setCell(c, r, stringgrid_scores.cell(c, r + 1));
    stringgrid_scores.setRowCount(last);
}

void TallyBook::reset() {
    *this = TallyBook();
}

void TallyBook::startSession() {
    for (int row = 1; row <= opponents(); ++row)
        for (int c = kFirstSessionColumn; c <= kLastColumn; ++c)
            stringgrid_scores.setCell(c, row, QStringLiteral("0"));
}

QByteArray TallyBook::fileBytes() const {
    return compressBytes(gridText(stringgrid_scores), TCompressMode::Fast);
}

TallyBook TallyBook::fromFileBytes(const QByteArray& bytes, const QString& fileName) {
    TallyBook book;
    // Row 0 holds the totals.
    readGridText(decompressBytes(bytes, kMostTallyText, fileName), book.stringgrid_scores,
                 kMostOpponents + 1);
    const StringGrid& g = book.stringgrid_scores;
    if (g.colCount() != kTallyColumns || g.rowCount() < 1)
        throw GridTextError(QStringLiteral("The tally has %1 columns and %2 rows")
                                .arg(g.colCount())
                                .arg(g.rowCount()));
    for (int c = kGamesColumn; c <= kOrdersColumn; ++c)
        if (cellCount(g.cell(c, 0)) < 0)
            throw GridTextError(QStringLiteral("A total of the tally is not a number"));
    return book;
}

TallyLoad loadTallyFile(const QString& path) {
    TallyLoad load;
    QFile file;
    const OpenResult result = openRegularFile(file, path);
    switch (result) {
        case OpenResult::Missing:
            return load;
        case OpenResult::NotRegular:
        case OpenResult::Failed:
            load.problem = result == OpenResult::Failed
                               ? QStringLiteral("The tally file cannot be opened")
                               : QStringLiteral("The tally file is not a regular file");
            load.leftAlone = true;
            load.mayReplace = false;
            return load;
        case OpenResult::Opened:
            break;
    }
    try {
        const QByteArray bytes = readAtMost(file, kMostTallyFile);
        if (bytes.size() > kMostTallyFile)
            throw GridTextError(QStringLiteral("The tally file is too large"));
        load.book = TallyBook::fromFileBytes(bytes, path);
        return load;
    } catch (const std::exception& e) {
        load.problem = QString::fromStdString(e.what());
    }
    file.close();
    load.book = TallyBook();
    for (int n = 0; n <= kMostKeptAside; ++n) {
        QString aside = path + QStringLiteral(".unreadable");
        if (n > 0) aside += QLatin1Char('.') + QString::number(n);
        if (QFile::exists(aside)) continue;
        if (QFile::rename(path, aside)) load.keptAs = aside;
        break;
    }
    load.mayReplace = !load.keptAs.isEmpty();
    return load;
}

bool saveTallyFile(const TallyBook& book, const QString& path, QString* error) {
    SaveTarget file;
    const QByteArray bytes = book.fileBytes();
    if (file.open(path, SpecialFiles::Refuse) && file.device().write(bytes) == bytes.size() &&
        file.commit())
        return true;
    if (error) *error = file.errorString();
    return false;
}

QString tallyProblemNotice(const TallyLoad& load) {
    QString text = QStringLiteral("The tally could not be read: ") + load.problem;
    if (load.leftAlone)
        text +=
            QStringLiteral("\nIt is left as it is, and this session's tally will not be saved.");
    else if (load.mayReplace)
        text += QStringLiteral("\nThe old file was kept as %1, and a new tally begins.")
                    .arg(load.keptAs);
    else
        text += QStringLiteral(
            "\nThe file could not be moved aside, so it is left as it is and this session's "
            "tally will not be saved.");
    return text;
}

}  // namespace mb
