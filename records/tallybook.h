#pragma once
// The figures of the tally without a window: the local player's totals in row 0 and one row per
// tallied opponent, kept in a 9-column text grid, and the tally file they are saved in.
#include <QString>
#include <QStringList>
#include <optional>

#include "records/kestrostrgrid.h"

namespace mb {

inline constexpr int kTallyColumns = 9;
// Totals row columns.
inline constexpr int kGamesColumn = 1;
inline constexpr int kWinsColumn = 2;
inline constexpr int kTurnsColumn = 3;
inline constexpr int kOrdersColumn = 4;
// Opponent rows: all-time columns 1..4, this session's 5..8.
inline constexpr int kFirstSessionColumn = 5;
inline constexpr int kLastColumn = 8;
// Who won a finished game: the opponent of that name, or, when empty, the local player. Not a
// name: a player who calls himself anything at all must not have his wins counted as ours.
using GameWinner = std::optional<QString>;
// How the tally window's report of a game names the local player's win.
inline constexpr char kMyWin[] = "addtomine";
// A tally file larger than this is not read, and its text may not claim more than
// kMostTallyText, nor more opponents than kMostOpponents: a few kilobytes of file could
// otherwise unpack to millions of rows and gigabytes of memory. A player meets some hundreds of
// people in years; 10,000 rows of names and figures take about a megabyte of text.
inline constexpr qint64 kMostTallyFile = 16 * 1024 * 1024;
inline constexpr qint64 kMostTallyText = 16 * 1024 * 1024;
inline constexpr int kMostOpponents = 10'000;

class TallyBook {
public:
    TallyBook();

    StringGrid stringgrid_scores;

    // Opponent rows are 1..opponents().
    int opponents() const { return stringgrid_scores.rowCount() - 1; }
    QString name(int row) const { return stringgrid_scores.cell(0, row); }
    // The row of a tallied name, letter case aside; -1 when not tallied.
    int findRow(const QString& name) const;

    // Adds 1 to a count (a cell that is no count counts as 0); returns the new value.
    qint64 addit(int col, int row);
    void addcounter(int turns);
    // Turns per completed order, whole turns; "0" before the first.
    QString average() const;
    // One finished game with these opponents at the table (in table order).
    void addgame(const QStringList& atTable, const GameWinner& winner);
    // Appends a row of zeros for a new opponent and returns it.
    int addPlayer(const QString& name);
    void moverow(int row);
    void reset();
    // Zeroes the session columns.
    void startSession();

    // The tally file's content: the grid text, fast-coded.
    QByteArray fileBytes() const;
    // Throws std::exception with a readable text when the bytes are no tally.
    static TallyBook fromFileBytes(const QByteArray& bytes, const QString& fileName = {});

    bool operator==(const TallyBook&) const = default;
};

// A whole number >= 0 in a cell, or -1.
qint64 cellCount(const QString& text);

struct TallyLoad {
    TallyBook book;
    QString problem;         // empty when the file was read or did not exist
    QString keptAs;          // where an unreadable file was moved
    bool mayReplace = true;  // false when an unreadable file could not be moved out of the way
    // Never read, and left alone: a FIFO, directory or device at the path, or a file that could
    // not be opened.
    bool leftAlone = false;
};
// Reads the tally file at path. An unreadable one is renamed aside (path + ".unreadable", then
// ".unreadable.1" and on) before anything else happens, so saving can never overwrite it.
// Anything but a regular file there is never opened (a FIFO would block), moved or replaced.
// Nor is a file that cannot be opened: running out of file handles or a passing fault of the
// disk says nothing of what it holds, and the next start may well read it.
TallyLoad loadTallyFile(const QString& path);
// Replaces the file atomically: a crash leaves the old tally or the new one. Fails, touching
// nothing, when the path holds anything but a regular file.
bool saveTallyFile(const TallyBook& book, const QString& path, QString* error = nullptr);
// The text telling the user about an unreadable tally.
QString tallyProblemNotice(const TallyLoad& load);

}  // namespace mb
