// The lobby beside a real Avahi daemon (run by avahi-sandbox.sh in private namespaces): a real
// marrowby-host and a real copy started with "true" are listed with their names, ports and
// counts, the counts follow a login and a game start, a host that ends leaves the list, and a
// malformed record is refused without being listed.
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include "discovery/tabledirectory.h"
#include "lobby/lobbywindow.h"
#include "lobby/tablelist.h"
#include "tests/support/hostprocess.h"
#include "tests/support/rawpeer.h"
#include "tests/support/scratchsettings.h"

using mb::TableList;

namespace {

// The promise to a player: a table on this network is listed within three seconds.
constexpr int kListedWithinMs = 3000;

int rowNamed(TableList& list, const QString& name) {
    for (int row = 0; row < list.rowCount(); ++row)
        if (list.text(row, TableList::NameColumn) == name) return row;
    return -1;
}

QString cell(TableList& list, const QString& name, int column) {
    const int row = rowNamed(list, name);
    return row < 0 ? QString() : list.text(row, column);
}

struct Process {
    QProcess process;
    ~Process() {
        if (process.state() == QProcess::NotRunning) return;
        process.kill();
        process.waitForFinished();
    }
};

}  // namespace

class TestLobbyNetwork : public QObject {
    Q_OBJECT
private slots:
    void tablesAreListedFollowedAndForgotten() {
        QList<QStringList> started;
        mb::LobbyWindow lobby(
            mbtest::scratchSettingsFile(),
            [&](const QStringList& arguments, QString*) {
                started << arguments;
                return true;
            },
            0);
        lobby.show();
        TableList& list = lobby.tables();

        mbtest::HostProcess host;
        QVERIFY(host.start({"--name", "Test table"}));
        Process copy;
        copy.process.setProgram(mbtest::builtProgram(QStringLiteral("marrowby")));
        copy.process.setArguments({"Ann", "127.0.0.1", "true"});
        copy.process.start();
        QVERIFY(copy.process.waitForStarted());

        QTRY_VERIFY_WITH_TIMEOUT(rowNamed(list, "Test table") >= 0, kListedWithinMs);
        QTRY_VERIFY_WITH_TIMEOUT(rowNamed(list, "Ann's table") >= 0, kListedWithinMs);
        QCOMPARE(lobby.directory().state(), mb::TableDirectory::State::Running);
        QVERIFY(lobby.findChild<QLabel*>("notice")->text().isEmpty());
        QCOMPARE(cell(list, "Test table", TableList::AddressColumn),
                 QStringLiteral("127.0.0.1:%1").arg(host.port));
        QCOMPARE(cell(list, "Test table", TableList::SeatsColumn), "0 of 4");
        QCOMPARE(cell(list, "Test table", TableList::WatchersColumn), "0");
        QCOMPARE(cell(list, "Test table", TableList::GameColumn), "waiting");
        QCOMPARE(cell(list, "Ann's table", TableList::AddressColumn), "127.0.0.1:7772");
        // The hosting copy's own player sits at its table.
        QTRY_COMPARE(cell(list, "Ann's table", TableList::SeatsColumn), "1 of 4");

        // A listed table is joined at its address; one on another port cannot be joined.
        lobby.findChild<QLineEdit*>("name")->setText("Cy");
        auto* view = lobby.findChild<QTreeView*>("tables");
        view->setCurrentIndex(list.index(rowNamed(list, "Ann's table"), 0));
        QTest::mouseClick(lobby.findChild<QPushButton*>("join"), Qt::LeftButton);
        QCOMPARE(started, (QList<QStringList>{{"Cy", "127.0.0.1", "false"}}));
        view->setCurrentIndex(list.index(rowNamed(list, "Test table"), 0));
        QTest::mouseClick(lobby.findChild<QPushButton*>("join"), Qt::LeftButton);
        QCOMPARE(started.size(), 1);
        QCOMPARE(lobby.findChild<QLabel*>("status")->text(),
                 QStringLiteral("This table listens on port %1; the game joins tables on port "
                                "7772 only.")
                     .arg(host.port));

        mbtest::RawClient bob(host.port);
        QCOMPARE(bob.login("Bob"), 1);
        QTRY_COMPARE(cell(list, "Test table", TableList::SeatsColumn), "1 of 4");
        mbtest::RawClient cy(host.port);
        QCOMPARE(cy.login("Cy"), 2);
        QTRY_COMPARE(cell(list, "Test table", TableList::SeatsColumn), "2 of 4");
        bob.send("CMD_startgame+Bob+100+");
        QTRY_COMPARE(cell(list, "Test table", TableList::GameColumn), "playing");
        // Choosing to watch (possible once a game runs) moves a player from seats to watchers.
        cy.send("CMD_justwatch+2+1");
        QTRY_COMPARE(cell(list, "Test table", TableList::WatchersColumn), "1");
        QCOMPARE(cell(list, "Test table", TableList::SeatsColumn), "1 of 4");

        QVERIFY(host.stop(SIGTERM));
        QTRY_COMPARE(rowNamed(list, "Test table"), -1);
        QVERIFY(rowNamed(list, "Ann's table") >= 0);
    }

    void malformedRecordsAreRefused() {
        mb::TableDirectory directory;
        QSignalSpy refused(&directory, &mb::TableDirectory::recordRefused);
        QSignalSpy found(&directory, &mb::TableDirectory::tableFound);
        directory.browse();
        Process publish;
        publish.process.start(QStringLiteral("avahi-publish"),
                              {"-s", "Bad table", mb::kTableServiceType, "7772", "txtvers=1",
                               "version=1.0.0", "name=Bad", "seats=99", "watchers=0", "game=0"});
        QTRY_COMPARE(refused.size(), 1);
        QCOMPARE(refused.first().at(1).toString(),
                 QStringLiteral("the seats taken are not a number from 0 to 4"));
        for (const QList<QVariant>& f : found)
            QVERIFY(f.at(0).value<mb::TableEntry>().serviceName != "Bad table");
    }
};

QTEST_MAIN(TestLobbyNetwork)
#include "test_lobbynetwork.moc"
