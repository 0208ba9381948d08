// `cmake --install` into a temporary prefix: the programs, the desktop entry, the icons, the
// metainfo file and the systemd unit template, each checked by the tool a desktop or a server
// would read it with.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "core/appfiles.h"

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
};

Run run(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000)) return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAll()};
}

}  // namespace

class TestInstall : public QObject {
    Q_OBJECT
    QTemporaryDir prefix_;
    QString path(const QString& relative) const { return QDir(prefix_.path()).filePath(relative); }

private slots:
    void initTestCase() {
        QVERIFY(prefix_.isValid());
        const QString build = qEnvironmentVariable("MARROWBY_BINARY_DIR");
        QVERIFY(!build.isEmpty());
        const Run r =
            run(QStringLiteral(MARROWBY_CMAKE), {"--install", build, "--prefix", prefix_.path()});
        QVERIFY2(r.exitCode == 0, r.out.constData());
    }

    void programsAnswerHelpAndVersion() {
        for (const char* program : {"marrowby", "marrowby-host", "marrowby-lobby"})
            QVERIFY2(QFileInfo(path(QStringLiteral("bin/") + program)).isExecutable(), program);
        // Answered before any window exists: no display is needed.
        const Run version = run(path("bin/marrowby"), {"--version"});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QByteArray("marrowby 1.0.0\n"));
        for (const char* flag : {"--help", "-h"}) {
            const Run help = run(path("bin/marrowby"), {flag});
            QCOMPARE(help.exitCode, 0);
            QVERIFY(help.out.startsWith("Usage: marrowby"));
        }
        const Run lobby = run(path("bin/marrowby-lobby"), {"--version"});
        QCOMPARE(lobby.exitCode, 0);
        QCOMPARE(lobby.out, QByteArray("marrowby-lobby 1.0.0\n"));
        QVERIFY(
            run(path("bin/marrowby-lobby"), {"--help"}).out.startsWith("Usage: marrowby-lobby"));
        // The services the game opens once its table is up, where the game looks for them.
        QVERIFY(QFileInfo::exists(path(MARROWBY_BACKENDS_DIR "/marrowby-backends.so")));
    }

    void desktopEntryAndIcons() {
        const QString entry = path("share/applications/marrowby.desktop");
        const Run check = run(QStringLiteral("desktop-file-validate"), {entry});
        QVERIFY2(check.exitCode == 0 && check.out.isEmpty(), check.out.constData());
        QFile f(entry);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.contains("\nCategories=Game;CardGame;\n"));
        QVERIFY(text.contains("\nIcon=marrowby\n"));
        // "Play with Others" starts the lobby, which has an entry and an icon of its own.
        QVERIFY(text.contains("\nActions=PlayWithOthers;\n"));
        QVERIFY(
            text.contains("\n[Desktop Action PlayWithOthers]\nName=Play with Others\n"
                          "Exec=marrowby-lobby\n"));
        const QString lobbyEntry = path("share/applications/marrowby-lobby.desktop");
        const Run lobbyCheck = run(QStringLiteral("desktop-file-validate"), {lobbyEntry});
        QVERIFY2(lobbyCheck.exitCode == 0 && lobbyCheck.out.isEmpty(), lobbyCheck.out.constData());
        for (const int size : {16, 32, 48, 64, 128, 256, 512})
            for (const char* name : {"marrowby", "marrowby-lobby"}) {
                const QImage icon(path(QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png")
                                           .arg(size)
                                           .arg(QLatin1String(name))));
                QCOMPARE(icon.size(), QSize(size, size));
                // Drawn, not blank: the corners are clear and the middle is not.
                QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
                QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
            }
    }

    void metainfoValidates() {
        const QString file =
            path(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(MARROWBY_APPSTREAM_ID));
        QVERIFY(QFileInfo::exists(file));
        const Run check = run(QStringLiteral("appstreamcli"), {"validate", "--no-net", file});
        QVERIFY2(check.exitCode == 0, check.out.constData());
    }

    void installedCopyKeepsItsFilesPerUser() {
        QStandardPaths::setTestModeEnabled(true);
        const QString bin = path("bin");
        for (const auto kind : {mb::AppFileKind::Config, mb::AppFileKind::Data}) {
            const QString file = mb::appFilePath(bin, QStringLiteral("kestrolobby.ini"), kind);
            QVERIFY2(!file.startsWith(prefix_.path()), qPrintable(file));
        }
        // A build tree or an unpacked copy keeps them beside the program.
        const QString build = qEnvironmentVariable("MARROWBY_BINARY_DIR");
        QCOMPARE(mb::appFilePath(build, QStringLiteral("x.tld"), mb::AppFileKind::Data),
                 QDir(build).filePath(QStringLiteral("x.tld")));
    }

    void unitTemplateVerifies() {
        const QString unit = path("lib/systemd/system/marrowby-host@.service");
        QFile f(unit);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.contains("ExecStart=" + path("bin/marrowby-host").toUtf8() + " --port %i\n"));
        for (const char* line : {"Restart=on-failure", "DynamicUser=yes", "NoNewPrivileges=yes",
                                 "ProtectSystem=strict", "ProtectHome=yes", "PrivateTmp=yes"})
            QVERIFY2(text.contains(QByteArray("\n") + line + "\n"), line);
        if (QStandardPaths::findExecutable(QStringLiteral("systemd-analyze")).isEmpty())
            QSKIP("systemd-analyze is not installed");
        // An instance for one port, as `systemctl start marrowby-host@7772` would load it.
        const QString instance = path("marrowby-host@7772.service");
        QVERIFY(QFile::copy(unit, instance));
        const Run check = run(QStringLiteral("systemd-analyze"), {"verify", instance});
        QVERIFY2(check.exitCode == 0, check.out.constData());
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
