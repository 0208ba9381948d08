// The marrowby-tally command-line tool, run as a real process.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "records/tallybook.h"
#include "tests/support/testfiles.h"

namespace {

using mbtest::readAll;
using mbtest::writeAll;

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run tool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(MARROWBY_TALLY_TOOL), args);
    p.waitForFinished();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

}  // namespace

class TestTallyTool : public QObject {
    Q_OBJECT
private slots:
    void options() {
        const Run help = tool({QStringLiteral("--help")});
        QCOMPARE(help.code, 0);
        QVERIFY(
            help.out.startsWith(QStringLiteral("Usage: marrowby-tally compress [--good] IN OUT")));
        const Run version = tool({QStringLiteral("--version")});
        QCOMPARE(version.code, 0);
        QCOMPARE(version.out, QStringLiteral("marrowby-tally 1.0.0\n"));
        for (const QStringList& bad : {QStringList{},
                                       {"--bogus"},
                                       {"compress", "--fast", "a", "b"},
                                       {"show"},
                                       {"decompress", "--good", "a", "b"},
                                       {"frobnicate", "a"}}) {
            const Run r = tool(bad);
            QCOMPARE(r.code, 2);
            QVERIFY(r.out.isEmpty());
            QVERIFY(r.err.startsWith(QStringLiteral("Usage:")));
        }
    }

    void compressAndDecompress() {
        QTemporaryDir dir;
        const QString in = dir.filePath(QStringLiteral("in"));
        const QString packed = dir.filePath(QStringLiteral("packed"));
        const QString out = dir.filePath(QStringLiteral("out"));
        const QByteArray data = QByteArray("a tally of games\r\n").repeated(5000);
        writeAll(in, data);
        for (const QStringList& mode : {QStringList{}, QStringList{"--good"}}) {
            QCOMPARE(tool(QStringList{"compress"} + mode + QStringList{in, packed}).code, 0);
            QCOMPARE(readAll(packed).left(4), mode.isEmpty() ? QByteArray("WRZL") : "!HZL");
            QCOMPARE(tool({"decompress", packed, out}).code, 0);
            QCOMPARE(readAll(out), data);
            QFile::remove(out);
        }
        // Failures: the codec's text, status 1, no output left behind.
        writeAll(packed, "WRZL\x10\0\0\0\x05\0");
        const Run cut = tool({"decompress", packed, out});
        QCOMPARE(cut.code, 1);
        QCOMPARE(cut.err, "Lzrw1 : Error reading from input file : " + packed + "\n");
        QVERIFY(!QFile::exists(out));
        const Run missing = tool({"compress", dir.filePath("none"), out});
        QCOMPARE(missing.code, 1);
        QVERIFY(missing.err.startsWith("Lzrw1 compression : Failed to obtain the size of : "));
        QVERIFY(!QFile::exists(out));
    }

    void show() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Marrowbytally.tld"));
        mb::TallyBook book;
        book.addcounter(7);
        book.addcounter(10);
        book.addPlayer(QStringLiteral("Bob"));
        book.addPlayer(QStringLiteral("Evil\x1b[2JName"));
        book.addgame({QStringLiteral("Bob")}, QStringLiteral("addtomine"));
        QVERIFY(mb::saveTallyFile(book, path));
        const Run r = tool({"show", path});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains(QStringLiteral("Total games:   1\n")));
        QVERIFY(r.out.contains(QStringLiteral("Your wins:     1\n")));
        QVERIFY(r.out.contains(QStringLiteral("Average turns to complete order: 8\n")));
        QVERIFY(
            r.out.contains(QRegularExpression(QStringLiteral("\nBob +1 +0 +1 +0 +1 +0 +1 +0\n"))));
        QVERIFY(r.out.contains(QStringLiteral("Evil?[2JName")));  // no terminal control
        writeAll(path, "junk");
        const Run bad = tool({"show", path});
        QCOMPARE(bad.code, 1);
        QVERIFY(bad.err.contains("no valid header"));
    }
};

QTEST_GUILESS_MAIN(TestTallyTool)
#include "tst_tallytool.moc"
