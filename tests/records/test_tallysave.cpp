// Saving must never lose the tally: a process saving over and over is killed at random moments,
// and each time the file must load as the old tally or a newer one, whole.
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "tallyversions.h"

namespace {
constexpr int kKills = 300;
constexpr int kMostDelayMs = 25;
constexpr int kStartTimeoutMs = 30000;
}  // namespace

class TestTallySave : public QObject {
    Q_OBJECT
private slots:
    void killedWhileSaving() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Marrowbytally.tld"));
        QVERIFY(mb::saveTallyFile(tallyVersion(0), path));
        QRandomGenerator rng(4711);
        qint64 last = 0;
        for (int i = 0; i < kKills; ++i) {
            QProcess saver;
            saver.start(QStringLiteral(MARROWBY_TALLY_SAVER), {path, QString::number(last + 1)});
            QVERIFY(saver.waitForStarted());
            QVERIFY(saver.waitForReadyRead(kStartTimeoutMs));  // its first save is complete
            QThread::msleep(rng.bounded(kMostDelayMs));
            saver.kill();  // SIGKILL: no chance to tidy up
            QVERIFY(saver.waitForFinished());
            const mb::TallyLoad load = mb::loadTallyFile(path);
            QVERIFY2(load.problem.isEmpty(), qPrintable(load.problem));
            const qint64 now = versionOf(load.book);
            QVERIFY(now > last);
            last = now;
        }
    }
};

QTEST_GUILESS_MAIN(TestTallySave)
#include "test_tallysave.moc"
