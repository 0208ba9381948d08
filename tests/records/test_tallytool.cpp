// The marrowby-tally command-line tool, run as a real process.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "records/filecodec.h"
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

Run tool(const QStringList& args, const QByteArray& input = {}, QByteArray* output = nullptr) {
    QProcess p;
    p.start(QStringLiteral(MARROWBY_TALLY_TOOL), args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished();
    if (output) *output = p.readAllStandardOutput();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

}  // namespace

class TestTallyTool : public QObject {
    Q_OBJECT
private slots:
    // A FIFO and standard output are written into, a directory is refused; nothing of them is
    // replaced by a regular file.
    void specialOutputs() {
        QTemporaryDir dir;
        const QString in = dir.filePath(QStringLiteral("in"));
        const QByteArray text = QByteArray("tally text ").repeated(500);
        writeAll(in, text);
        const QByteArray packed = mb::compressBytes(text, mb::TCompressMode::Fast);

        const QString fifo = dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // Opened for reading first, without waiting, so the tool's open for writing returns.
        const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        QCOMPARE(tool({QStringLiteral("compress"), in, fifo}).code, 0);
        QByteArray received(packed.size() + 100, '\0');
        QCOMPARE(::read(reader, received.data(), received.size()), packed.size());
        ::close(reader);
        QCOMPARE(received.left(packed.size()), packed);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(fifo).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));

        const QString sub = dir.filePath(QStringLiteral("sub"));
        QVERIFY(QDir().mkdir(sub));
        const Run refused = tool({QStringLiteral("compress"), in, sub});
        QCOMPARE(refused.code, 1);
        QCOMPARE(refused.err, "Lzrw1 (de)compression : Failed to open output file : " + sub + "\n");
        QVERIFY(QFileInfo(sub).isDir());

        // "-" both ways: piped in and out, in either direction.
        QByteArray out;
        QCOMPARE(
            tool({QStringLiteral("compress"), QStringLiteral("-"), QStringLiteral("-")}, text, &out)
                .code,
            0);
        QCOMPARE(out, packed);
        QCOMPARE(tool({QStringLiteral("decompress"), QStringLiteral("-"), QStringLiteral("-")},
                      packed, &out)
                     .code,
                 0);
        QCOMPARE(out, text);
        const Run shown =
            tool({QStringLiteral("show"), QStringLiteral("-")}, mb::TallyBook().fileBytes());
        QCOMPARE(shown.code, 0);
        QVERIFY(shown.out.contains(QStringLiteral("No players are tallied.")));
    }

    // A small file that claims a huge grid is refused, from a pipe too.
    void overLargeGrids() {
        const auto claim = [](const QByteArray& rows, const QByteArray& cells) {
            return mb::compressBytes("9\r\n" + rows + "\r\n" + cells, mb::TCompressMode::Fast);
        };
        // 10,001 opponents and the totals row, every cell empty: 180 KB of text.
        const QByteArray manyRows = claim("10002", QByteArray("\r\n").repeated(9 * 10002));
        const Run rows = tool({QStringLiteral("show"), QStringLiteral("-")}, manyRows);
        QCOMPARE(rows.code, 1);
        QVERIFY(rows.err.contains(QStringLiteral("more than 10001")));
        // Text past 16 MB, in a file of some kilobytes.
        const QByteArray longText = claim("2", QByteArray(17 * 1024 * 1024, 'x'));
        QVERIFY(longText.size() < 64 * 1024);
        const Run text = tool({QStringLiteral("show"), QStringLiteral("-")}, longText);
        QCOMPARE(text.code, 1);
        QVERIFY(text.err.contains(QStringLiteral("too large")));
    }

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
        // A file that holds other than the size it tells (those under /proc tell 0) is no
        // success: its packed file would unpack to the wrong bytes, or to none.
        const QString lying = QStringLiteral("/proc/self/status");
        if (QFileInfo(lying).size() == 0) {
            for (const QStringList& mode : {QStringList{}, QStringList{"--good"}}) {
                const Run wrong = tool(QStringList{"compress"} + mode + QStringList{lying, out});
                QCOMPARE(wrong.code, 1);
                QCOMPARE(wrong.err, "Lzrw1 compression : the size of : " + lying +
                                        " changed while it was read\n");
                QVERIFY(!QFile::exists(out));
            }
        }
    }

    void show() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Marrowbytally.tld"));
        mb::TallyBook book;
        book.addcounter(7);
        book.addcounter(10);
        book.addPlayer(QStringLiteral("Bob"));
        book.addPlayer(QStringLiteral("Evil\x1b[2JName"));
        book.addgame({QStringLiteral("Bob")}, mb::GameWinner());
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
#include "test_tallytool.moc"
