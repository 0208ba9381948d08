// The dispatch table and the tick pump that drains a queue one entry per tick.
#include <QElapsedTimer>
#include <QTest>
#include <memory>

#include "core/errornotice.h"
#include "net/dispatch.h"
#include "net/framing.h"
#include "net/tickpump.h"

using namespace mb;

class TestDispatch : public QObject {
    Q_OBJECT
private slots:
    void exactNamesOnly() {
        QStringList calls;
        Dispatcher d{{"CMD_full", [&](const QByteArray& b) { calls << "full:" + b; }},
                     {"CMD_chat", [&](const QByteArray& b) { calls << "chat:" + b; }}};
        QVERIFY(d.dispatch("CMD_full+"));
        QVERIFY(!d.dispatch("CMD_full"));  // no separator: no command
        QVERIFY(!d.dispatch("cmd_full+"));
        QVERIFY(!d.dispatch("CMD_ful+"));
        QVERIFY(!d.dispatch(""));
        QVERIFY(d.dispatch("CMD_chat+1+a+b"));
        QCOMPARE(calls, (QStringList{"full:", "chat:1+a+b"}));
    }

    void conversionErrorIsShownAndTheNextEntryRuns() {
        QStringList notices;
        const ErrorSink old = setErrorSink([&](const QString& t) { notices << t; });
        QList<int> seats;
        Dispatcher d{{"CMD_sendlogininfo", [&](const QByteArray& b) { seats << toInt(b); }}};
        d.dispatch("CMD_sendlogininfo+x7");
        d.dispatch("CMD_sendlogininfo+7");
        setErrorSink(old);
        QCOMPARE(notices, QStringList{"'x7' is not a valid integer value"});
        QCOMPARE(seats, QList<int>{7});
    }

    void noticeThrottleWritesAFewAndCountsTheRest() {
        mb::NoticeThrottle throttle;
        for (int i = 0; i < mb::kNoticesPerPeriod; ++i) QVERIFY(throttle.admit());
        for (int i = 0; i < 500; ++i) QVERIFY(!throttle.admit());
        QCOMPARE(throttle.endPeriod(), 500);
        QCOMPARE(throttle.endPeriod(), 0);  // a quiet period has nothing to sum up
        QVERIFY(throttle.admit());
    }

    void pumpHandlesOnePerTickAndSleepsWhenIdle() {
        InboundQueue queue(QByteArray("receivedlist"));
        QList<QByteArray> handled;
        TickPump pump(std::chrono::milliseconds(5), [&] {
            handled << queue.pop();
            return !queue.empty();
        });
        for (int i = 0; i < 4; ++i) queue.push("CMD_x+" + QByteArray::number(i));
        pump.wake();
        QVERIFY(pump.isTicking());
        QTRY_COMPARE(handled.size(), 5);
        QCOMPARE(handled.first(), QByteArray("receivedlist"));
        QCOMPARE(handled.last(), QByteArray("CMD_x+3"));
        QTRY_VERIFY(!pump.isTicking());
        // Once idle it stays idle until woken, and then picks up new work.
        QTest::qWait(30);
        QCOMPARE(handled.size(), 5);
        queue.push("CMD_y+");
        pump.wake();
        QTRY_COMPARE(handled.size(), 6);
    }

    // A tick of an hour never comes within the test: what runs, runs without waiting for one.
    void pumpBurstRunsAheadOfTheTickOnlyAsFarAsAllowed() {
        using namespace std::chrono_literals;
        // A pump of an hour's tick working off `queue` into `handled`.
        auto hourPump = [](InboundQueue& queue, QList<QByteArray>& handled, int burst) {
            return std::make_unique<TickPump>(
                1h,
                [&] {
                    handled << queue.pop();
                    return !queue.empty();
                },
                nullptr, burst);
        };
        for (const int burst : {1, 2, 3}) {
            InboundQueue queue;
            QList<QByteArray> handled;
            const auto pumpOwner = hourPump(queue, handled, burst);
            TickPump& pump = *pumpOwner;
            // A flood: `burst` entries at once, then the rest waits for ticks, in order.
            for (int i = 0; i < 5; ++i) queue.push("CMD_x+" + QByteArray::number(i));
            pump.wake();
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            QCOMPARE(handled.size(), burst);
            QCOMPARE(handled.last(), "CMD_x+" + QByteArray::number(burst - 1));
            QVERIFY(pump.isTicking());
            // Waking again changes nothing while the schedule is ahead.
            pump.wake();
            QCoreApplication::processEvents();
            QCOMPARE(handled.size(), burst);
        }
        // Lone messages, one after the other: with a burst of 2 the second one does not wait
        // out the first one's tick, the third does.
        InboundQueue queue;
        QList<QByteArray> handled;
        const auto pump = hourPump(queue, handled, 2);
        for (const char* m : {"CMD_chat+1+hi", "CMD_replacecard+1+1+1+", "CMD_chat+1+gg"}) {
            queue.push(m);
            pump->wake();
            QCoreApplication::processEvents();
        }
        QCOMPARE(handled, (QList<QByteArray>{"CMD_chat+1+hi", "CMD_replacecard+1+1+1+"}));
        QVERIFY(pump->isTicking());
    }
};

QTEST_GUILESS_MAIN(TestDispatch)
#include "test_dispatch.moc"
