// The lobby's window-free rules: the link's reports and bounds on real loopback sockets, the
// name and address checks, and its settings beside the game's in one file.
#include <QFile>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include "lobby/lobbylink.h"
#include "lobby/lobbysettings.h"
#include "lobby/tablelist.h"
#include "net/lobbylink.h"
#include "tests/support/scratchsettings.h"

using mb::GameEnd;

Q_DECLARE_METATYPE(mb::GameEnd)

class TestLobbyCore : public QObject {
    Q_OBJECT
private slots:
    void reportsAreExactWords() {
        QCOMPARE(mb::parseLinkReport(mb::lobbylink::kClosed), GameEnd::Closed);
        QCOMPARE(mb::parseLinkReport(mb::lobbylink::kUnreachable), GameEnd::Unreachable);
        QCOMPARE(mb::parseLinkReport(mb::lobbylink::kFull), GameEnd::Full);
        QCOMPARE(mb::parseLinkReport(mb::lobbylink::kLost), GameEnd::Lost);
        for (const QByteArrayView other : {"", "closed", "CLOSED\n", "closed\nclosed\n", "full \n"})
            QCOMPARE(mb::parseLinkReport(other), GameEnd::Unknown);
    }

    void linksAreCountedAndBounded() {
        mb::LobbyLink link(0);
        QVERIFY(link.listen());
        QSignalSpy opened(&link, &mb::LobbyLink::linkOpened);
        QSignalSpy closed(&link, &mb::LobbyLink::linkClosed);
        QTcpSocket full, flood, silent;
        for (QTcpSocket* s : {&full, &flood, &silent})
            s->connectToHost(QHostAddress::LocalHost, link.port());
        QTRY_COMPARE(link.openLinks(), 3);
        QCOMPARE(opened.size(), 3);
        full.write(mb::lobbylink::kFull.toByteArray());
        // A peer that sends far more than a report is not one, and is not stored in full.
        flood.write(QByteArray(1 << 20, 'x') + mb::lobbylink::kClosed.toByteArray());
        for (QTcpSocket* s : {&full, &flood, &silent}) {
            s->flush();
            s->disconnectFromHost();
        }
        QTRY_COMPARE(closed.size(), 3);
        QCOMPARE(link.openLinks(), 0);
        QList<GameEnd> ends;
        for (const QList<QVariant>& c : closed) ends << c.at(0).value<GameEnd>();
        QCOMPARE(ends.count(GameEnd::Full), 1);
        QCOMPARE(ends.count(GameEnd::Unknown), 2);
        QCOMPARE(mb::gameEndLine(GameEnd::Full), "The table was full.");
    }

    void tooManyLinksAreRefused() {
        mb::LobbyLink link(0);
        QVERIFY(link.listen());
        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        for (int i = 0; i < mb::kMaxOpenLinks + 2; ++i) {
            sockets.push_back(std::make_unique<QTcpSocket>());
            sockets.back()->connectToHost(QHostAddress::LocalHost, link.port());
        }
        QTRY_VERIFY(std::count_if(sockets.begin(), sockets.end(), [](const auto& s) {
                        return s->state() == QAbstractSocket::UnconnectedState;
                    }) == 2);
        QCOMPARE(link.openLinks(), mb::kMaxOpenLinks);
    }

    void namesAndAddresses() {
        QCOMPARE(mb::playerNameFor("  "), std::nullopt);
        QCOMPARE(mb::playerNameFor(" Ann "), QString("Ann"));
        // Cut at 32 bytes as the host cuts, never inside a character.
        QCOMPARE(mb::playerNameFor(QString(31, u'a') + u'é'), QString(31, u'a'));
        QVERIFY(mb::isAddressText("192.168.1.20"));
        QVERIFY(mb::isAddressText("table-3.example.org"));
        for (const QString& bad :
             QStringList{"", "-h", "a b", "host;rm", "ann@host", QString(254, u'a')})
            QVERIFY2(!mb::isAddressText(bad), qPrintable(bad));
        QStringList list;
        for (int i = 0; i < 12; ++i) list = mb::withAddress(list, QStringLiteral("h%1").arg(i));
        QCOMPARE(list.size(), mb::kRememberedAddresses);
        QCOMPARE(list.first(), "h11");
        list = mb::withAddress(list, "H5");
        QCOMPARE(list.first(), "H5");
        QCOMPARE(list.count(), mb::kRememberedAddresses);
        QVERIFY(!list.contains("h5"));
    }

    void tableRowsShowPeerTextSafely() {
        mb::TableList list("1.0.0");
        using C = mb::TableList::Column;
        mb::TableEntry ann{"2/a", "a", "192.168.1.7", 7772, {"1.0.0", "Ann", 2, 1, true}};
        // A right-to-left override would turn the rest of the row around.
        mb::TableEntry odd{"2/b",
                           "b",
                           "192.168.1.8",
                           7773,
                           {"0.9",
                            "x\xE2\x80\xAE"
                            "elbat",
                            0, 0, false}};
        list.put(ann);
        list.put(odd);
        QCOMPARE(list.rowCount(), 2);
        QCOMPARE(list.text(0, C::NameColumn), "Ann");
        QCOMPARE(list.text(0, C::AddressColumn), "192.168.1.7:7772");
        QCOMPARE(list.text(0, C::SeatsColumn), "2 of 4");
        QCOMPARE(list.text(0, C::WatchersColumn), "1");
        QCOMPARE(list.text(0, C::GameColumn), "playing");
        QCOMPARE(list.text(1, C::NameColumn), "x?elbat  (version 0.9)");
        QCOMPARE(list.text(1, C::GameColumn), "waiting");
        // The tip holds the name whole (the column may cut it), and says so of another version.
        QCOMPARE(list.data(list.index(0, 0), Qt::ToolTipRole).toString(), "Ann");
        QVERIFY(list.data(list.index(1, 0), Qt::ToolTipRole)
                    .toString()
                    .startsWith("x?elbat  (version 0.9)\nThis table runs another version"));
        ann.record.seats = 3;
        list.put(ann);
        QCOMPARE(list.rowCount(), 2);
        QCOMPARE(list.text(0, C::SeatsColumn), "3 of 4");
        list.remove("2/a");
        QCOMPARE(list.rowCount(), 1);
        QCOMPARE(list.rowOf("2/b"), 0);
    }

    void settingsKeepTheGamesSection() {
        const QString path = mbtest::scratchSettingsFile();
        const QByteArray game = "; mine\r\n[Marrowby]\r\nSounds=1\r\n";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(game);
        file.close();
        QVERIFY((mb::LobbySettings{"Ann", {"h1", "h2"}}.save(path)));
        const mb::LobbySettings back = mb::LobbySettings::load(path);
        QCOMPARE(back.name, "Ann");
        QCOMPARE(back.addresses, QStringList({"h1", "h2"}));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith(game));
        file.close();
        // A hand-edited list gives back only usable addresses, without repeats.
        QVERIFY(file.open(QIODevice::Append));
        file.write("[Lobby]\r\nAddress3=bad address\r\nAddress4=H1\r\n");
        file.close();
        QCOMPARE(mb::LobbySettings::load(path).addresses, QStringList({"h1", "h2"}));
    }
};

QTEST_GUILESS_MAIN(TestLobbyCore)
#include "test_lobbycore.moc"
