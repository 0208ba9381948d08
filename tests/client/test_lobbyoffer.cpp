// The download window is offered once, after the table's first frame and the login, and at
// once when nothing is left to wait for.
#include <QtTest>

#include "client/lobbyoffer.h"

namespace {

struct Table : QWidget {
    bool painted = false;
    void paintEvent(QPaintEvent*) override { painted = true; }
};

struct Offer {
    Table table;
    int shown = 0;
    bool paintedWhenShown = false;
    LobbyOffer offer{&table, [this] {
                         ++shown;
                         paintedWhenShown = table.painted;
                     }};
    bool showTable() {
        table.show();
        return QTest::qWaitForWindowExposed(&table);
    }
};

}  // namespace

class LobbyOfferTest : public QObject {
    Q_OBJECT
private slots:
    void waitsForTheFirstFrameAndTheLoginAndComesOnce() {
        Offer early;  // logged in before the table's window is exposed
        early.table.show();
        early.offer.due();
        early.offer.loggedIn();
        QCOMPARE(early.shown, 0);
        QVERIFY(QTest::qWaitForWindowExposed(&early.table));
        QTRY_COMPARE(early.shown, 1);
        QVERIFY(early.paintedWhenShown);
        early.offer.loggedIn();  // a host that logs the player in again
        early.offer.now();
        QCoreApplication::processEvents();
        QCOMPARE(early.shown, 1);

        Offer late;  // drawn first, then logged in
        QVERIFY(late.showTable());
        late.offer.due();
        QCoreApplication::processEvents();
        QCOMPARE(late.shown, 0);
        late.offer.loggedIn();
        QTRY_COMPARE(late.shown, 1);

        Offer closed;  // closed between the login and the offer
        QVERIFY(closed.showTable());
        closed.offer.due();
        closed.offer.loggedIn();
        closed.table.close();
        QCoreApplication::processEvents();
        QCOMPARE(closed.shown, 0);
    }

    void onlyWhenDueAndAtOnceWhenNothingIsComing() {
        Offer undue;
        QVERIFY(undue.showTable());
        undue.offer.loggedIn();
        undue.offer.now();
        QCoreApplication::processEvents();
        QCOMPARE(undue.shown, 0);

        Offer failed;
        failed.offer.due();
        failed.offer.now();
        QCOMPARE(failed.shown, 1);
    }
};

QTEST_MAIN(LobbyOfferTest)
#include "test_lobbyoffer.moc"
