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
};

}  // namespace

class LobbyOfferTest : public QObject {
    Q_OBJECT
private slots:
    void comesAfterTheFirstFrameAndTheLoginOnce() {
        {
            // Logged in before the table's window is exposed: the frame comes first.
            Offer o;
            o.table.show();
            o.offer.due();
            o.offer.loggedIn();
            QCOMPARE(o.shown, 0);
            QVERIFY(o.offer.pending());
            QVERIFY(QTest::qWaitForWindowExposed(&o.table));
            QTRY_COMPARE(o.shown, 1);
            QVERIFY(o.paintedWhenShown);
            QVERIFY(!o.offer.pending());
            // A host that logs the player in again does not bring it back.
            o.offer.loggedIn();
            o.offer.now();
            QCoreApplication::processEvents();
            QCOMPARE(o.shown, 1);
        }
        {
            // Drawn first: the login is waited for, and the offer still leaves its pass.
            Offer o;
            o.table.show();
            QVERIFY(QTest::qWaitForWindowExposed(&o.table));
            o.offer.due();
            QCoreApplication::processEvents();
            QCOMPARE(o.shown, 0);
            o.offer.loggedIn();
            QCOMPARE(o.shown, 0);
            QTRY_COMPARE(o.shown, 1);
        }
        {
            // Closed between the login and the offer.
            Offer o;
            o.table.show();
            QVERIFY(QTest::qWaitForWindowExposed(&o.table));
            o.offer.due();
            o.offer.loggedIn();
            o.table.close();
            QCoreApplication::processEvents();
            QCOMPARE(o.shown, 0);
        }
    }

    void onlyWhenDueAndAtOnceWhenNothingIsComing() {
        Offer o;
        o.table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&o.table));
        o.offer.loggedIn();
        o.offer.now();
        QCoreApplication::processEvents();
        QCOMPARE(o.shown, 0);

        Offer failed;
        failed.offer.due();
        failed.offer.now();
        QCOMPARE(failed.shown, 1);
    }
};

QTEST_MAIN(LobbyOfferTest)
#include "test_lobbyoffer.moc"
