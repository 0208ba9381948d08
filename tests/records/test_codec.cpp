// The tally codec: exact bytes of the fast coder, round trips in both modes, every failure text,
// and hostile input that must fail cleanly.
#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "records/filecodec.h"
#include "tests/support/plainblock.h"

using namespace mb;
using mbtest::plainBlock;
using mbtest::plainDecode;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

// A device whose reads or writes fail, for the failure texts that real files rarely give.
class FailingDevice : public QIODevice {
public:
    FailingDevice() { open(QIODevice::ReadWrite); }
    qint64 size() const override { return 100; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override { return -1; }
};

// Text-like (kind 0), binary with zeros and few values (1), or random (2) data of `size` bytes.
QByteArray kinds(int kind, int size) {
    QRandomGenerator rng(size * 3 + kind);
    static const QByteArray words[] = {"the ",    "tally ", "of ",   "games ",
                                       "Bob\r\n", "0\r\n",  "17\r\n"};
    QByteArray data;
    data.reserve(size + 8);
    while (data.size() < size) {
        if (kind == 0)
            data += words[rng.bounded(7)];
        else if (kind == 1)
            data += char(data.size() / 7 % 5 == 0 ? 0 : rng.bounded(4) * 60);
        else
            data += char(rng.bounded(256));
    }
    data.truncate(size);
    return data;
}

// A piece of `size` bytes built to hit every branch of the coder: copies from near and far back,
// runs of every length, small alphabets, text and binary (which take different ways).
QByteArray randomPiece(QRandomGenerator& rng, int size, int round) {
    const int alphabet = round % 3 == 0 ? 1 + rng.bounded(4) : 256;
    const bool text = round % 4 == 1;
    QByteArray piece(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        piece[i] =
            i > 20 && rng.bounded(4) == 0
                ? piece[i - 1 - rng.bounded(std::min(i, 5000))]
                : char(text ? 'a' + rng.bounded(std::min(alphabet, 26)) : rng.bounded(alphabet));
    }
    if (size > 0 && rng.bounded(4) == 0) {
        const int at = rng.bounded(size);
        piece.replace(at, std::min(size - at, rng.bounded(6000)),
                      QByteArray(size, char(rng.bounded(256))));
        piece.truncate(size);
    }
    return piece;
}

QString failureOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const ECodecError& e) {
        return e.text();
    }
    return QStringLiteral("(no failure)");
}

}  // namespace

class TestCodec : public QObject {
    Q_OBJECT
private slots:
    void fastBytesAreExact() {
        const QByteArray head = hex("57525A4C");
        QCOMPARE(compressBytes({}, TCompressMode::Fast), head + hex("00000000 0100 80"));
        QCOMPARE(compressBytes("abc", TCompressMode::Fast), head + hex("03000000 0400 80616263"));
        QCOMPARE(compressBytes(QByteArray("abc").repeated(8), TCompressMode::Fast),
                 head + hex("18000000 0A00 401800616263003F0120"));
        QCOMPARE(compressBytes(QByteArray(100, 'A'), TCompressMode::Fast),
                 head + hex("64000000 0700 40800000005441"));
        // 4095 + 905 bytes of one value: two runs.
        QCOMPARE(compressBytes(QByteArray(5000, 'x'), TCompressMode::Fast).mid(10),
                 hex("40C000000FEF780003 7978"));
        // A multiple of the piece size ends with an empty piece; one more byte gives no third.
        const QByteArray full = compressBytes(kinds(2, 32768), TCompressMode::Fast);
        QCOMPARE(full.right(3), hex("010080"));
        QCOMPARE(full.size(), 8 + 2 + 32769 + 3);
        QCOMPARE(compressBytes(kinds(2, 32769), TCompressMode::Fast).size(), 8 + 2 + 32769 + 2 + 2);
        QCOMPARE(compressBytes({}, TCompressMode::Good), hex("21485A4C 00000000"));
    }

    void roundTrips_data() {
        QTest::addColumn<int>("size");
        for (int n :
             {0, 1, 2, 3, 15, 16, 17, 4095, 4096, 32767, 32768, 32769, 65536, 70000, 200001,
              // Whole pieces short of the pieces the file codec reads at once, as many, and more.
              98304, 262144, 262145, 300000})
            QTest::addRow("%d", n) << n;
    }
    void roundTrips() {
        QFETCH(int, size);
        for (int kind = 0; kind < 3; ++kind) {
            const QByteArray data = kinds(kind, size);
            // Every record is the block the plain steps give.
            const QByteArray fast = compressBytes(data, TCompressMode::Fast);
            qsizetype piece = 0;
            for (qsizetype at = 8; at < fast.size(); ++piece) {
                const int length = quint8(fast[at]) | quint8(fast[at + 1]) << 8;
                QCOMPARE(fast.mid(at + 2, length), plainBlock(data.mid(piece * 32768, 32768)));
                at += 2 + length;
            }
            // The last piece is short, perhaps empty.
            QCOMPARE(piece, size / 32768 + 1);
            for (TCompressMode mode : {TCompressMode::Fast, TCompressMode::Good}) {
                const QByteArray packed = compressBytes(data, mode);
                QCOMPARE(decompressBytes(packed), data);
                // Bytes after the last record are never read.
                if (mode == TCompressMode::Fast) QCOMPARE(decompressBytes(packed + "junk"), data);
            }
        }
        // Runs and long repeats, where both coders take their longest steps.
        const QByteArray repeats = QByteArray(size / 2, 'z') + kinds(0, 60).repeated(size / 120);
        for (TCompressMode mode : {TCompressMode::Fast, TCompressMode::Good})
            QCOMPARE(decompressBytes(compressBytes(repeats, mode)), repeats);
    }

    // Random pieces of every size, matches at the very end included.
    void randomPiecesMatchThePlainSteps() {
        QRandomGenerator rng(20261208);
        TBlockCoder coder;
        std::vector<std::uint8_t> block(kWorkBufferSize);
        std::vector<std::uint8_t> back(kWorkBufferSize);
        for (int round = 0; round < 400; ++round) {
            const int size = round % 5 == 0 ? rng.bounded(64) : rng.bounded(32769);
            const QByteArray piece = randomPiece(rng, size, round);
            // The coder reads the piece from a copy of its exact length too.
            const std::vector<std::uint8_t> input(piece.begin(), piece.end());
            const std::uint8_t* const src = input.data();
            const std::uint16_t length = coder.CompressBlock(src, size, block.data());
            const QByteArray coded(reinterpret_cast<const char*>(block.data()), length);
            QCOMPARE(coded, plainBlock(piece));
            // The decoder reads the block from a copy of its exact length, so that a read past
            // its end shows under the sanitizers.
            std::vector<std::uint8_t> exact(block.begin(), block.begin() + length);
            QCOMPARE(TBlockCoder::DecompressBlock(exact.data(), length, back.data()), size);
            QVERIFY(std::memcmp(back.data(), src, size) == 0);
            // The decoder agrees with the plain steps, on the block and on it with bits turned
            // over.
            for (int turned = 0; turned < 3; ++turned) {
                const auto n = TBlockCoder::DecompressBlock(exact.data(), length, back.data());
                const auto plain =
                    plainDecode(QByteArray(reinterpret_cast<const char*>(exact.data()), length));
                QCOMPARE(n, plain ? plain->size() : -1);
                QVERIFY(n <= 0 || std::memcmp(back.data(), plain->constData(), n) == 0);
                exact[rng.bounded(int(length))] ^= std::uint8_t(1u << rng.bounded(8));
            }
        }
    }

    // Whole pieces give the plain steps' blocks, also when a piece does not shrink, or a run
    // carries it to its end.
    void wholePiecesMatchThePlainSteps() {
        QRandomGenerator rng(8122026);
        TBlockCoder coder;
        // Exactly as large as required, so that a read or write beyond shows under the
        // sanitizers.
        std::vector<std::uint8_t> src(kPieceSize);
        std::vector<std::uint8_t> block(kWorkBufferSize);
        for (int round = 0; round < 96; ++round) {
            QByteArray piece = randomPiece(rng, int(kPieceSize), round);
            if (rng.bounded(3) == 0)
                piece.replace(rng.bounded(int(kPieceSize)), int(kPieceSize), QByteArray(4200, 'r'));
            piece = piece.leftJustified(int(kPieceSize), 'e', true);
            std::memcpy(src.data(), piece.constData(), kPieceSize);
            const std::uint16_t length = coder.CompressBlock(src.data(), kPieceSize, block.data());
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(block.data()), length),
                     plainBlock(piece));
        }
    }

    // Pieces coded side by side give each the block it gets alone: whatever their number, when
    // the last is short, when one is stored while the others shrink, when a run crosses from one
    // piece into the next or carries one piece to its end long before the others.
    void piecesMatchThePlainSteps_data() {
        QTest::addColumn<QByteArray>("data");
        QRandomGenerator rng(9122026);
        const int piece = int(kPieceSize);
        QTest::addRow("empty") << QByteArray();
        QTest::addRow("short") << kinds(0, 1000);
        for (int count : {1, 2, 3, 4, 5, 8, 9}) {
            QByteArray whole;
            for (int i = 0; i < count; ++i) whole += randomPiece(rng, piece, i);
            QTest::addRow("%d whole pieces", count) << whole;
            QTest::addRow("%d and a short one", count) << whole + kinds(0, 777 * count);
        }
        QTest::addRow("incompressible") << kinds(2, 5 * piece + 99);
        QTest::addRow("one stored among text")
            << kinds(0, piece) + kinds(2, piece) + kinds(0, 2 * piece + 5);
        // A run over each boundary, and one to the end of the second piece of four.
        QByteArray runs = kinds(0, 4 * piece + 300);
        for (int at : {piece - 7000, 2 * piece - 20, 3 * piece - 1})
            runs.replace(at, 9000, QByteArray(9000, 'q'));
        runs.replace(piece + 20000, piece - 20000, QByteArray(piece - 20000, '-'));
        QTest::addRow("runs across boundaries") << runs;
        QTest::addRow("one value") << QByteArray(6 * piece + 3, 'w');
        QTest::addRow("short runs") << kinds(1, 4 * piece);
    }
    void piecesMatchThePlainSteps() {
        QFETCH(QByteArray, data);
        TBlockCoder coder;
        const std::size_t n = std::size_t(data.size());
        const std::size_t pieces = std::max<std::size_t>(1, (n + kPieceSize - 1) / kPieceSize);
        // Input and blocks exactly as large as required, so that a read or write beyond shows
        // under the sanitizers.
        const std::vector<std::uint8_t> input(data.begin(), data.end());
        std::vector<std::uint8_t> blocks(pieces * kWorkBufferSize);
        std::vector<std::uint16_t> lengths(pieces);
        // Twice with the same coder: what one call leaves in its tables does not change the next.
        for (int turn = 0; turn < 2; ++turn) {
            QCOMPARE(coder.CompressPieces(input.data(), n, blocks.data(), lengths.data()), pieces);
            for (std::size_t i = 0; i < pieces; ++i) {
                const QByteArray block(
                    reinterpret_cast<const char*>(blocks.data() + i * kWorkBufferSize), lengths[i]);
                QCOMPARE(block, plainBlock(data.mid(qsizetype(i * kPieceSize), int(kPieceSize))));
            }
        }
    }

    void blockDecoderGuardsItsBuffers() {
        std::vector<std::uint8_t> out(kWorkBufferSize);
        const auto decode = [&](const QByteArray& b) {
            return TBlockCoder::DecompressBlock(
                reinterpret_cast<const std::uint8_t*>(b.constData()), b.size(), out.data());
        };
        QCOMPARE(decode(hex("80")), 0);
        QCOMPARE(decode({}), 0);
        QCOMPARE(decode(hex("4000006162")), 2);
        QCOMPARE(decode(hex("40")), 0);                // length 1 decodes to nothing
        QCOMPARE(decode(hex("40 8000 0013")), -1);     // reference before the start
        QCOMPARE(decode(hex("40 4000 61 00")), -1);    // item cut off by the block's end
        QCOMPARE(decode(hex("40 4000 61 0000")), -1);  // run cut off
        QCOMPARE(decode(hex("40 0000 61 61")), 2);
        QCOMPARE(decode(hex("40 FFFF") + hex("000FFF41").repeated(9)), -1);  // > 32768 bytes
        QCOMPARE(decode(hex("80") + QByteArray(32769, 'a')), -1);
        QCOMPARE(decode(hex("40 0001 61616161616161616161616161616161 AAAA")), -1);
        QCOMPARE(decode(hex("40 0000")), 0);  // a control word and no item
        // Long blocks whose middle is corrupt, where items are taken a row at a time.
        const QByteArray literals = hex("0000") + QByteArray(16, 'a');
        // A group of one reference (key given) and 15 literals between rows of literals.
        const auto around = [&](const char* key) {
            return hex("40") + literals.repeated(10) + hex("8000") + hex(key) +
                   QByteArray(15, 'b') + literals.repeated(10);
        };
        QCOMPARE(decode(around("0010")), 160 + 3 + 15 + 160);  // offset 1
        QCOMPARE(decode(around("0A00")), 160 + 3 + 15 + 160);  // offset 160, the first byte
        QCOMPARE(decode(around("0A10")), -1);  // offset 161, one byte before the start
        QCOMPARE(decode(around("FFF0")), -1);  // far before the start
        QCOMPARE(decode(hex("40") + literals.repeated(10) + hex("FFFF") +
                        hex("000FFF41").repeated(16) + literals.repeated(10)),
                 -1);  // runs beyond the piece
    }

    // References of 17 and 18 bytes from 16 and 17 bytes back, far from both ends of a block:
    // their last bytes repeat bytes the same reference has just written.
    void referencesRepeatTheirOwnBytes() {
        std::vector<std::uint8_t> out(kWorkBufferSize);
        for (int offset : {16, 17}) {
            for (int length : {17, 18}) {
                QByteArray block = hex("40");
                QByteArray expected;
                const auto rows = [&](int count) {
                    for (int row = 0; row < count; ++row) {
                        block += hex("0000");
                        for (int i = 0; i < 16; ++i) {
                            block += char('!' + (expected.size() * 7) % 90);
                            expected += block.back();
                        }
                    }
                };
                rows(10);
                const int key = offset * 16 + length - 3;
                block += hex("8000") + char(key >> 8) + char(key) + QByteArray(15, 'b');
                for (int i = 0; i < length; ++i) expected += expected[expected.size() - offset];
                expected += QByteArray(15, 'b');
                rows(10);
                QCOMPARE(TBlockCoder::DecompressBlock(
                             reinterpret_cast<const std::uint8_t*>(block.constData()), block.size(),
                             out.data()),
                         expected.size());
                QCOMPARE(QByteArray(reinterpret_cast<const char*>(out.data()), expected.size()),
                         expected);
            }
        }
    }

    void failureTexts() {
        QTemporaryDir dir;
        const QString in = dir.filePath(QStringLiteral("in.txt"));
        const QString out = dir.filePath(QStringLiteral("out.z"));
        TFileCodec codec;
        codec.InputFile = in;
        codec.OutputFile = out;
        codec.CompressMode = TCompressMode::Fast;
        QCOMPARE(failureOf([&] { codec.Compress(); }),
                 "Lzrw1 compression : Failed to obtain the size of : " + in);
        QCOMPARE(failureOf([&] { codec.Decompress(); }),
                 "Lzrw1 (de)compression : Failed to open input file : " + in);
        const auto write = [](const QString& name, const QByteArray& bytes) {
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        write(in, "some text to pack");
        codec.OutputFile = dir.filePath(QStringLiteral("missing/out.z"));
        QCOMPARE(failureOf([&] { codec.Compress(); }),
                 "Lzrw1 (de)compression : Failed to open output file : " + codec.OutputFile);
        codec.OutputFile = out;

        // Device failures in the middle of a run.
        FailingDevice failing;
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        QCOMPARE(failureOf([&] { codec.Compress(failing, sink); }),
                 "Lzrw1 : Error reading from input file : " + in + " (LZRW1/KH)");
        codec.CompressMode = TCompressMode::Good;
        QCOMPARE(failureOf([&] { codec.Compress(failing, sink); }),
                 "Lzrw1 : Error reading from input file : " + in + " (LZH)");
        QBuffer source;
        source.setData("abc");
        source.open(QIODevice::ReadOnly);
        QCOMPARE(failureOf([&] { codec.Compress(source, failing); }),
                 "Lzrw1 : Error writing to output file : " + out);

        // Broken compressed files: each fails with its own text and leaves no output behind.
        const QByteArray fast = compressBytes(kinds(0, 40000), TCompressMode::Fast);
        const QByteArray good = compressBytes(kinds(0, 40000), TCompressMode::Good);
        QByteArray bigger = fast;
        bigger[4] = char(bigger[4] + 1);
        QByteArray smaller = fast;
        smaller[5] = char(smaller[5] - 1);
        QByteArray goodShort = good;
        goodShort[6] = char(goodShort[6] + 1);
        QByteArray corrupt = fast;
        corrupt[11] = corrupt[12] = char(0xFF);  // items that reach before the block's start
        const QString fastMismatch = QStringLiteral(
            "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !");
        const QList<std::pair<QByteArray, QString>> cases = {
            {"ABCD" + fast.mid(4), in + " : Lzrw1 decompression : this file has no valid header !"},
            {fast.left(6), "Lzrw1 : Error reading from input file : " + in},
            {fast.left(fast.size() - 5), "Lzrw1 : Error reading from input file : " + in},
            {bigger, fastMismatch},
            {smaller, fastMismatch},
            {goodShort, "Lzrw1 (LZH decompression) : Original and compressed sizes do not match !"},
            {good.left(good.size() / 2),
             "Lzrw1 (LZH decompression) : Original and compressed sizes do not match !"},
        };
        for (const auto& [bytes, text] : cases) {
            write(in, bytes);
            QCOMPARE(failureOf([&] { codec.Decompress(); }), text);
            QVERIFY(!QFile::exists(out));
        }
        write(in, corrupt);
        QVERIFY(failureOf([&] { codec.Decompress(); }).contains("corrupt"));
        QVERIFY(!QFile::exists(out));
    }

    void failedRunKeepsOlderOutput() {
        QTemporaryDir dir;
        TFileCodec codec;
        codec.InputFile = dir.filePath(QStringLiteral("in.z"));
        codec.OutputFile = dir.filePath(QStringLiteral("out.txt"));
        QFile f(codec.OutputFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("older");
        f.close();
        QFile in(codec.InputFile);
        QVERIFY(in.open(QIODevice::WriteOnly));
        in.write(compressBytes("abc", TCompressMode::Fast).left(11));
        in.close();
        QVERIFY(failureOf([&] { codec.Decompress(); }).startsWith("Lzrw1 : Error reading"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("older"));
    }

    void forgedSizesStayBounded() {
        // A header promising 2 GB over a few bytes of data: fails without writing past the
        // data, in either mode.
        QByteArray fast = compressBytes(QByteArray(5000, 'x'), TCompressMode::Fast);
        QByteArray good = compressBytes(QByteArray(5000, 'x'), TCompressMode::Good);
        for (QByteArray* file : {&fast, &good}) {
            (*file)[7] = 0x7F;
            QBuffer in(file);
            in.open(QIODevice::ReadOnly);
            QByteArray produced;
            QBuffer out(&produced);
            out.open(QIODevice::WriteOnly);
            TFileCodec codec;
            QVERIFY(failureOf([&] { codec.Decompress(in, out); }).contains("do not match"));
            QVERIFY(produced.size() <= 100000);
        }
        // A caller decoding into memory may refuse large promises outright.
        QVERIFY(failureOf([&] { decompressBytes(fast, 1 << 20); }).contains("too large"));
    }

    void advisePicksByShrinkage() {
        QTemporaryDir dir;
        TFileCodec codec;
        codec.InputFile = dir.filePath(QStringLiteral("in"));
        const auto advise = [&](const QByteArray& data) {
            QFile f(codec.InputFile);
            f.open(QIODevice::WriteOnly);
            f.write(data);
            f.close();
            return codec.Advise();
        };
        QCOMPARE(advise(QByteArray(98303, 'a')), TCompressMode::Good);  // small
        QCOMPARE(advise(QByteArray(200000, 'a')), TCompressMode::Fast);
        QCOMPARE(advise(kinds(2, 200000)), TCompressMode::Good);
        codec.CompressMode = TCompressMode::Auto;
        codec.OutputFile = dir.filePath(QStringLiteral("out"));
        codec.Compress();
        QFile out(codec.OutputFile);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.read(4), hex("21485A4C"));
    }
};

QTEST_GUILESS_MAIN(TestCodec)
#include "test_codec.moc"
