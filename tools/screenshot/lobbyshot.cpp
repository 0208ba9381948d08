// Takes a picture of the lobby listing two real tables: `marrowby-lobby-screenshot BUILD OUT.png`.
// Run it beside an Avahi daemon under a real X server (`make screenshot` uses the test
// sandbox and Xvfb): two marrowby-host processes announce themselves, a bare client sits at one.
#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <cstdio>

#include "lobby/lobbywindow.h"
#include "lobby/tablelist.h"

namespace {

constexpr int kWaitMs = 10'000;

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: marrowby-lobby-screenshot BUILD OUT.png\n");
        return 2;
    }
    const QString host = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/marrowby-host");
    const QString out = QString::fromLocal8Bit(argv[2]);
    QProcess first, second;
    first.start(host, {"--port", "7772", "--name", "Ann's table"});
    second.start(host, {"--port", "7773", "--name", "Upstairs"});
    QTcpSocket bob;
    bob.connectToHost(QStringLiteral("127.0.0.1"), 7772);
    // Logs in as the game does once the host asks.
    QObject::connect(&bob, &QTcpSocket::readyRead, [&] {
        if (bob.readAll().startsWith("CMD_sendlogininfo+1"))
            bob.write("CMD_logininfo+1+1.0.0+Bob\xFF\xFF");
    });

    QTemporaryDir dir;
    mb::LobbyWindow lobby(
        dir.filePath(QStringLiteral("kestrolobby.ini")),
        [](const QStringList&, QString*) { return true; }, 0);
    lobby.findChild<QLineEdit*>(QStringLiteral("name"))->setText(QStringLiteral("Cassandra"));
    lobby.show();
    mb::TableList& tables = lobby.tables();
    const bool listed = QTest::qWaitFor(
        [&] {
            return tables.rowCount() == 2 &&
                   (tables.text(0, mb::TableList::SeatsColumn) == "1 of 4" ||
                    tables.text(1, mb::TableList::SeatsColumn) == "1 of 4");
        },
        kWaitMs);
    lobby.findChild<QTreeView*>(QStringLiteral("tables"))->setCurrentIndex(tables.index(0, 0));
    QTest::qWait(200);
    const bool saved = listed && lobby.grab().save(out);
    first.kill();
    second.kill();
    first.waitForFinished();
    second.waitForFinished();
    if (!saved) return 1;
    std::printf("%s\n", qPrintable(out));
    return 0;
}
