#pragma once
// Numbered tallies for the save-under-kill test: version n is told apart from every other and
// from any mix of two.
#include "records/tallybook.h"

inline constexpr int kVersionOpponents = 300;

inline mb::TallyBook tallyVersion(qint64 n) {
    mb::TallyBook book;
    book.stringgrid_scores.setCell(mb::kGamesColumn, 0, QString::number(n));
    for (int k = 1; k <= kVersionOpponents; ++k) {
        const int row = book.addPlayer(QStringLiteral("Player %1").arg(k));
        book.stringgrid_scores.setCell(1, row, QString::number(n + k));
    }
    return book;
}

// The version a tally is, or -1.
inline qint64 versionOf(const mb::TallyBook& book) {
    const qint64 n = mb::cellCount(book.stringgrid_scores.cell(mb::kGamesColumn, 0));
    return n >= 0 && book == tallyVersion(n) ? n : -1;
}
