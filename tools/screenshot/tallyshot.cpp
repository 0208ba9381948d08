// Takes a picture of the tally window with a few opponents and figures:
// `marrowby-tally-screenshot OUT.png`. Run it under a real X server (`make screenshot` uses Xvfb).
#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "records/tallylistform.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("tally.png");
    QTemporaryDir dir;
    Ttallylist tally(nullptr, dir.filePath(QStringLiteral("Marrowbytally.tld")));
    const QStringList players = {QStringLiteral("Bob"), QStringLiteral("Cassandra"),
                                 QStringLiteral("Dmitri")};
    for (const QString& name : players) {
        auto* item = new QListWidgetItem(name, tally.checklist);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(name == players.last() ? Qt::Unchecked : Qt::Checked);
    }
    const QStringList winners = {QStringLiteral("addtomine"), QStringLiteral("Bob"),
                                 QStringLiteral("addtomine"), QStringLiteral("Cassandra"),
                                 QStringLiteral("addtomine"), QStringLiteral("Dmitri")};
    for (int i = 0; i < winners.size(); ++i) {
        tally.addcounter(9 + 3 * i);
        tally.addgame(winners[i]);
    }
    tally.listbox_tally->setCurrentRow(0);
    tally.show();
    QTest::qWait(300);
    if (!tally.grab().save(out)) return 1;
    std::printf("%s\n", qPrintable(out));
    return 0;
}
