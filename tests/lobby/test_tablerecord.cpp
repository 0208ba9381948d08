// The table's TXT record: what our hosts announce reads back the same, fed whole or byte by
// byte, and every malformed record is refused with its own reason.
#include <QTest>

#include "discovery/tablerecord.h"

using mb::parseTableRecord;
using mb::RecordParse;
using mb::TableRecord;

namespace {

RecordParse byteByByte(const QByteArray& wire) {
    mb::TableRecordParser parser;
    for (const char c : wire) parser.feed(QByteArrayView(&c, 1));
    return parser.finish();
}

QByteArray wireOf(const QList<QByteArray>& items) {
    QByteArray wire;
    for (const QByteArray& item : items) wire += char(item.size()) + item;
    return wire;
}

const QList<QByteArray> kGood{"txtvers=1", "version=1.0.0", "name=Ann's table",
                              "seats=2",   "watchers=3",    "game=1"};

}  // namespace

class TestTableRecord : public QObject {
    Q_OBJECT
private slots:
    void roundTripWholeAndByteByByte() {
        const TableRecord record{"1.0.0", "Zoë's table", 4, 9, true};
        const QByteArray wire = mb::tableRecordWire(record);
        for (const RecordParse& p : {parseTableRecord(wire), byteByByte(wire)}) {
            QVERIFY2(p.record, qPrintable(p.reason));
            QCOMPARE(*p.record, record);
        }
        // Order, letter case of keys, unknown keys and an empty item do not matter.
        QList<QByteArray> items{"GAME=0",      "",           "colour=green",
                                "Seats=0",     "watchers=0", "name=x",
                                "version=2.1", "flag",       "txtvers=1"};
        const RecordParse p = parseTableRecord(wireOf(items));
        QVERIFY2(p.record, qPrintable(p.reason));
        QCOMPARE(*p.record, (TableRecord{"2.1", "x", 0, 0, false}));
    }

    void refusalsSayWhy_data() {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("reason");
        auto with = [](int index, const QByteArray& item) {
            QList<QByteArray> items = kGood;
            items[index] = item;
            return wireOf(items);
        };
        QTest::newRow("cut short") << wireOf(kGood).chopped(2) << "the last item is cut short";
        QTest::newRow("missing") << wireOf(kGood.mid(0, 5)) << "the key \"game\" is missing";
        QTest::newRow("twice") << wireOf(kGood + QList<QByteArray>{"seats=1"})
                               << "the key \"seats\" appears twice";
        QTest::newRow("no value") << with(3, "seats") << "the key \"seats\" has no value";
        QTest::newRow("format") << with(0, "txtvers=2") << "the record is not in format 1";
        QTest::newRow("seats range")
            << with(3, "seats=5") << "the seats taken are not a number from 0 to 4";
        QTest::newRow("seats sign")
            << with(3, "seats=-1") << "the seats taken are not a number from 0 to 4";
        QTest::newRow("seats padded")
            << with(3, "seats=001") << "the seats taken are not a number from 0 to 4";
        QTest::newRow("watchers") << with(4, "watchers=10")
                                  << "the watchers are not a number from 0 to 9";
        QTest::newRow("game") << with(5, "game=yes") << "whether a game runs is not 0 or 1";
        QTest::newRow("version space")
            << with(1, "version=1 0") << "the version is not 1 to 32 printable characters";
        QTest::newRow("version long") << with(1, "version=" + QByteArray(33, '1'))
                                      << "the version is not 1 to 32 printable characters";
        QTest::newRow("name empty") << with(2, "name=") << "the name is not 1 to 63 bytes of text";
        QTest::newRow("name long")
            << with(2, "name=" + QByteArray(64, 'a')) << "the name is not 1 to 63 bytes of text";
        QTest::newRow("name not utf-8")
            << with(2, "name=\xC3(") << "the name is not 1 to 63 bytes of text";
        QTest::newRow("name control")
            << with(2, "name=a\nb") << "the name is not 1 to 63 bytes of text";
        QList<QByteArray> many = kGood;
        for (int i = 0; i < 11; ++i) many << "k" + QByteArray::number(i) + "=v";
        QTest::newRow("items") << wireOf(many) << "the record has more than 16 items";
        QList<QByteArray> huge = kGood;
        for (int i = 0; i < 5; ++i) huge << "pad=" + QByteArray(250, 'p');
        QTest::newRow("size") << wireOf(huge) << "the record is longer than 1024 bytes";
        // A fault within the first 1024 bytes is the reason, whole or in pieces.
        QList<QByteArray> hugeAndTwice = kGood;
        hugeAndTwice << "game=1";
        for (int i = 0; i < 5; ++i) hugeAndTwice << "pad=" + QByteArray(250, 'p');
        QTest::newRow("size after a fault")
            << wireOf(hugeAndTwice) << "the key \"game\" appears twice";
    }
    void refusalsSayWhy() {
        QFETCH(QByteArray, wire);
        QFETCH(QString, reason);
        for (const RecordParse& p : {parseTableRecord(wire), byteByByte(wire)}) {
            QVERIFY(!p.record);
            QCOMPARE(p.reason, reason);
        }
    }

    void namesAreCutAndShownSafely() {
        // Cut at 63 bytes without splitting the two-byte "é".
        const QByteArray cut = mb::tableNameFor(QString(62, u'a') + u'é');
        QCOMPARE(cut, QByteArray(62, 'a'));
        QCOMPARE(mb::tableNameFor(QStringLiteral("a\tb")), QByteArray("a b"));
        // Bidirectional overrides, zero-width characters and controls cannot reach a label.
        QCOMPARE(mb::shownPeerText("Ann\xE2\x80\xAE"
                                   "elbat\xE2\x80\x8B\x07"),
                 QStringLiteral("Ann?elbat??"));
        QCOMPARE(mb::shownPeerText("\xFF"
                                   "x"),
                 QStringLiteral("\uFFFDx"));
        QCOMPARE(mb::shownPeerText(QByteArray(100, 'w'), 5), QStringLiteral("wwwww\u2026"));
        QCOMPARE(mb::shownPeerText("\xF0\x9F\x83\x8F"), QStringLiteral("\U0001F0CF"));
    }
};

QTEST_GUILESS_MAIN(TestTableRecord)
#include "test_tablerecord.moc"
