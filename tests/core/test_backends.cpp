// The program's search for the services library, run in copies of this test (which does not
// link the library) placed beside nothing, a stale library, a slow one and the real one; and
// how a sound asked for while the library is still opening waits for it.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "assets/audioout.h"
#include "assets/soundplayer.h"
#include "core/backends.h"

namespace {

// The copy's side of the waiting: two clips asked for while the library opens, and whether
// asking stopped the copy until it was open; then who is told once it is.
int soundChild(bool stopBetween) {
    mb::backends::loadAhead();
    mb::SoundPlayer player;
    player.play(QStringLiteral("select"));
    player.play(QStringLiteral("turn"));
    std::printf("waited %s\n", mb::backends::stillOpening() ? "no" : "yes");
    if (stopBetween) player.stop();
    {
        QObject gone;
        mb::backends::whenOpened(&gone, [] { std::printf("told the gone\n"); });
    }
    bool told = false;
    mb::backends::whenOpened(&player, [&told] { told = true; });
    const QDeadlineTimer deadline(20000);
    while (!told && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    std::printf("opened\n");
    bool atOnce = false;
    mb::backends::whenOpened(&player, [&atOnce] { atOnce = true; });
    std::printf("%s\n", atOnce ? "at once" : "later");
    player.play(QStringLiteral("wave1"));
    std::fflush(stdout);
    return 0;
}

// The copy's side: asks for one entry point, after opening ahead if told to, and prints
// "found" or the problem.
int child(const QStringList& args) {
    if (args.contains(QStringLiteral("sound")))
        return soundChild(args.contains(QStringLiteral("stop")));
    if (args.contains(QStringLiteral("ahead"))) mb::backends::loadAhead();
    const QByteArray name = args.contains(QStringLiteral("unknown")) ? "marrowby_no_such_entry"
                                                                     : mb::kMakeAudioOutSymbol;
    const void* entry = mb::backends::symbol(name.constData());
    std::printf("%s\n", entry ? "found" : qPrintable(mb::backends::problem()));
    // Out before anything at exit (a leak checker, say) can end the process first.
    std::fflush(stdout);
    return 0;
}

class Copy {
public:
    // `library` is put beside the copy under the library's name; none when empty.
    explicit Copy(const QString& library) {
        const QString self = QCoreApplication::applicationFilePath();
        binary_ = dir_.filePath(QStringLiteral("test_backends"));
        QFile::copy(self, binary_);
        QFile::setPermissions(binary_, QFile::permissions(self));
        if (!library.isEmpty())
            QFile::copy(library, dir_.filePath(QLatin1String(mb::backends::kFileName)));
    }
    QString ask(const QStringList& args = {}) const {
        QProcess p;
        p.start(binary_, QStringList{QStringLiteral("--child")} + args);
        p.waitForFinished(30000);
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }

private:
    QTemporaryDir dir_;
    QString binary_;
};

}  // namespace

class TestBackends : public QObject {
    Q_OBJECT
private slots:
    void theRealLibraryBesideTheProgramIsOpened() {
        Copy copy(QStringLiteral(MARROWBY_REAL_BACKENDS));
        QCOMPARE(copy.ask(), QStringLiteral("found"));
        QCOMPARE(copy.ask({QStringLiteral("ahead")}), QStringLiteral("found"));
        QVERIFY(copy.ask({QStringLiteral("unknown")})
                    .endsWith(QStringLiteral("has no marrowby_no_such_entry")));
    }

    void aLibraryOfAnotherVersionIsRefused() {
        Copy copy(QStringLiteral(MARROWBY_STALE_BACKENDS));
        for (const QStringList& args : {QStringList{}, QStringList{QStringLiteral("ahead")}}) {
            const QString answer = copy.ask(args);
            QVERIFY2(answer.contains(QStringLiteral("is from another version of the game")),
                     qPrintable(answer));
        }
    }

    // The table must not stop for the library: the clip waits, the later of two takes the
    // place of the earlier, stop() drops it, and a gone caller is never called.
    void aSoundAskedForWhileTheLibraryOpensPlaysOnceItIsIn() {
        Copy copy(QStringLiteral(MARROWBY_SLOW_BACKENDS));
        QCOMPARE(copy.ask({QStringLiteral("sound")}),
                 QStringLiteral("waited no\nplayed turn\nopened\nat once\nplayed wave1"));
        QCOMPARE(copy.ask({QStringLiteral("sound"), QStringLiteral("stop")}),
                 QStringLiteral("waited no\nopened\nat once\nplayed wave1"));
    }

    void noLibraryIsReportedWithWhereItWasSought() {
        Copy copy({});
        const QString answer = copy.ask();
        if (answer == QStringLiteral("found"))
            QSKIP("the game is installed on this machine; its library was found there");
        QVERIFY2(answer.contains(QStringLiteral("was not found beside the program")),
                 qPrintable(answer));
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1 && args[1] == QLatin1String("--child")) return child(args.mid(2));
    TestBackends test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_backends.moc"
