// Framing, queue entries and field reading, fed whole and byte by byte.
#include <QTest>

#include "net/framing.h"

using namespace mb;

namespace {

QByteArray stream(const QList<QByteArray>& messages) {
    QByteArray out;
    for (const auto& m : messages) out += frame(m);
    return out;
}

QList<QByteArray> decodeInChunks(const QByteArray& bytes, qsizetype chunk) {
    FrameDecoder decoder;
    QList<QByteArray> out;
    for (qsizetype i = 0; i < bytes.size(); i += chunk)
        if (decoder.feed(QByteArrayView(bytes).sliced(i, std::min(chunk, bytes.size() - i)), out) !=
            FrameDecoder::Result::Ok)
            qFatal("unexpected overflow");
    return out;
}

}  // namespace

class TestFraming : public QObject {
    Q_OBJECT
private slots:
    void splitAtEveryPosition() {
        const QList<QByteArray> messages = {"CMD_sendlogininfo+2", "", "CMD_chat+1+a+b|clRed",
                                            "CMD_nextplayer+3+17+", ""};
        const QByteArray bytes = stream(messages);
        QCOMPARE(decodeInChunks(bytes, bytes.size()), messages);
        QCOMPARE(decodeInChunks(bytes, 1), messages);
        // Two reads, split at every byte position: the same messages, nothing left over.
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
            FrameDecoder decoder;
            QList<QByteArray> out;
            decoder.feed(QByteArrayView(bytes).first(cut), out);
            decoder.feed(QByteArrayView(bytes).sliced(cut), out);
            QCOMPARE(out, messages);
            QVERIFY(decoder.remainder().isEmpty());
        }
    }

    void remainderWaitsForTheRest() {
        FrameDecoder decoder;
        QList<QByteArray> out;
        decoder.feed(
            "CMD_topcard+5+\xff"
            "CMD_next",
            out);
        QCOMPARE(out, QList<QByteArray>{"CMD_topcard+5+"});
        QCOMPARE(decoder.remainder(), QByteArray("CMD_next"));
        decoder.feed("player+1+2+\xff", out);
        QCOMPARE(out.last(), QByteArray("CMD_nextplayer+1+2+"));
        QVERIFY(decoder.remainder().isEmpty());
    }

    void burstOfManyMessages() {
        QList<QByteArray> messages;
        for (int i = 0; i < 5000; ++i) messages << "CMD_chat+1+line " + QByteArray::number(i);
        QCOMPARE(decodeInChunks(stream(messages), 32768), messages);
        QCOMPARE(decodeInChunks(stream(messages), 7), messages);
    }

    void remainderIsBounded() {
        FrameDecoder decoder;
        QList<QByteArray> out;
        const QByteArray junk(kMaxRemainder, 'x');
        QCOMPARE(decoder.feed(junk, out), FrameDecoder::Result::Ok);  // exactly at the limit
        QCOMPARE(decoder.feed("y", out), FrameDecoder::Result::Overflow);
        QVERIFY(decoder.remainder().isEmpty());
        QVERIFY(decoder.reason().contains(QLatin1String("without a message terminator")));
        // Long streams of complete messages never count against the bound.
        FrameDecoder steady;
        for (int i = 0; i < 100; ++i)
            QCOMPARE(steady.feed(frame(QByteArray(4000, 'm')), out), FrameDecoder::Result::Ok);
    }

    void entriesAreLinesCutTo4096() {
        InboundQueue queue(QByteArray("receivedlist"));
        queue.push(QByteArray(5000, 'a'));
        queue.push("");
        queue.push("one\r\ntwo\nthree\rfour");
        QCOMPARE(queue.pop(), QByteArray("receivedlist"));
        QCOMPARE(queue.pop(), QByteArray(kMaxEntryLength, 'a'));
        QCOMPARE(queue.pop(), QByteArray());
        for (const char* line : {"one", "two", "three", "four"}) QCOMPARE(queue.pop(), line);
        QVERIFY(queue.empty());
        QCOMPARE(queue.pop(), QByteArray());  // an empty queue yields an empty entry
    }

    void commandSplit() {
        QCOMPARE(splitCommand("CMD_full+"), std::make_pair(QByteArray("CMD_full"), QByteArray()));
        QCOMPARE(splitCommand("CMD_full").first, QByteArray());
        QCOMPARE(splitCommand("CMD_chat+1+a+b").second, QByteArray("1+a+b"));
        QCOMPARE(splitCommand("receivedlist").first, QByteArray());
        // hasCommand answers what splitCommand would, prefixes and bare names included.
        for (const char* entry : {"CMD_logininfo+1+v+n", "CMD_logininfo+", "CMD_logininfo",
                                  "CMD_logininfoX+1", "CMD_login+1", "", "+CMD_logininfo"}) {
            QCOMPARE(hasCommand(entry, "CMD_logininfo"),
                     splitCommand(entry).first == "CMD_logininfo");
        }
    }

    void integers() {
        QCOMPARE(toInt("0"), 0);
        QCOMPARE(toInt("60"), 60);
        QCOMPARE(toInt("-5"), -5);
        for (const char* bad : {"", "x", "1x", " 1", "99999999999", "@"}) {
            try {
                toInt(bad);
                QFAIL(bad);
            } catch (const ConversionError& e) {
                QCOMPARE(QString::fromUtf8(e.what()),
                         QStringLiteral("'%1' is not a valid integer value").arg(bad));
            }
        }
    }

    void fieldsAndLists() {
        FieldReader chat("3+hello + world|clBlue");
        QCOMPARE(chat.intField(), 3);
        QCOMPARE(chat.rest(), QByteArray("hello + world|clBlue"));

        FieldReader roster("1+Ann+0+2++1");
        roster.beginList();
        QList<QByteArray> fields;
        while (!roster.atListEnd()) fields << roster.field();
        QCOMPARE(fields, (QList<QByteArray>{"1", "Ann", "0", "2", "", "1"}));

        // A list cut short still ends: the reader never loops on malformed input.
        FieldReader shortList("1+Ann");
        shortList.beginList();
        int guard = 0;
        while (!shortList.atListEnd() && guard++ < 10) {
            shortList.field();
            shortList.field();
            shortList.field();
        }
        QVERIFY(guard < 10);
        QCOMPARE(FieldReader("").field(), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestFraming)
#include "test_framing.moc"
