// The tally codec's speed against LZ4 on the same data: a tally-like text of several megabytes,
// English text and a shared library. Prints compress and decompress MB/s and the ratio for the
// fast coder and for LZ4 (when built with it), and the thorough coder's speed.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLibraryInfo>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "records/filecodec.h"
#include "records/tallybook.h"

#ifdef MARROWBY_HAVE_LZ4
#include <lz4.h>
#endif

namespace {

constexpr double kMinSeconds = 0.4;  // each measurement repeats at least this long
constexpr int kTallyOpponents = 150000;
constexpr qsizetype kEnglishBytes = 6 * 1024 * 1024;

// Best MB/s of repeated runs of f over `bytes` input bytes.
double speed(qsizetype bytes, const std::function<void()>& f) {
    double best = 0;
    QElapsedTimer total;
    total.start();
    do {
        QElapsedTimer t;
        t.start();
        f();
        const double s = std::max(t.nsecsElapsed() * 1e-9, 1e-9);
        best = std::max(best, bytes / s / 1e6);
    } while (total.nsecsElapsed() * 1e-9 < kMinSeconds);
    return best;
}

QByteArray tallyText() {
    mb::TallyBook book;
    for (int k = 1; k <= kTallyOpponents; ++k) {
        const int row = book.addPlayer(QStringLiteral("Player%1").arg(k * 7919 % 100000));
        for (int c = 1; c <= mb::kLastColumn; ++c)
            book.stringgrid_scores.setCell(c, row,
                                           QString::number((k * c * 31) % (c < 5 ? 500 : 20)));
    }
    return mb::gridText(book.stringgrid_scores);
}

QByteArray englishText() {
    QByteArray text;
    const QDir dir(QStringLiteral("/usr/share/common-licenses"));
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly)) text += f.readAll();
    }
    if (text.isEmpty()) return {};
    while (text.size() < kEnglishBytes) text += text;
    return text.left(kEnglishBytes);
}

QByteArray sharedLibrary(QString* name) {
    const QString dir = QLibraryInfo::path(QLibraryInfo::LibrariesPath);
    for (const QString& candidate :
         {QStringLiteral("libQt6Widgets.so.6"), QStringLiteral("libQt6Core.so.6")}) {
        QFile f(QDir(dir).filePath(candidate));
        if (f.open(QIODevice::ReadOnly)) {
            *name = candidate;
            return f.readAll();
        }
    }
    return {};
}

void measure(const char* label, const QByteArray& data) {
    if (data.isEmpty()) {
        std::printf("%-22s (not found, skipped)\n", label);
        return;
    }
    const double mb = data.size() / 1e6;
    QByteArray fast;
    double fastC =
        speed(data.size(), [&] { fast = mb::compressBytes(data, mb::TCompressMode::Fast); });
    QByteArray back;
    double fastD = speed(data.size(), [&] { back = mb::decompressBytes(fast); });
    if (back != data) std::printf("  FAST ROUND TRIP FAILED\n");
    std::printf("%-22s %7.2f MB\n", label, mb);
    std::printf(
        "  file    compress %8.1f MB/s  decompress %8.1f MB/s  ratio %5.1f%%"
        "  (fast mode, whole file format in memory)\n",
        fastC, fastD, 100.0 * fast.size() / data.size());

    // The block coder alone, piece by piece between preallocated buffers, as LZ4 is called.
    mb::TBlockCoder coder;
    const qsizetype pieces = data.size() / qsizetype(mb::kPieceSize) + 1;
    std::vector<std::uint8_t> blocks(pieces * mb::kWorkBufferSize);
    std::vector<std::uint16_t> lengths(pieces);
    std::vector<std::uint8_t> input(pieces * mb::kWorkBufferSize);
    for (qsizetype i = 0; i < pieces; ++i)
        std::memcpy(input.data() + i * mb::kWorkBufferSize, data.constData() + i * mb::kPieceSize,
                    std::min<qsizetype>(mb::kPieceSize, data.size() - i * mb::kPieceSize));
    const auto pieceSize = [&](qsizetype i) {
        return static_cast<std::size_t>(
            std::min<qsizetype>(mb::kPieceSize, data.size() - i * mb::kPieceSize));
    };
    const double blockC = speed(data.size(), [&] {
        for (qsizetype i = 0; i < pieces; ++i)
            lengths[i] = coder.CompressBlock(input.data() + i * mb::kWorkBufferSize, pieceSize(i),
                                             blocks.data() + i * mb::kWorkBufferSize);
    });
    std::vector<std::uint8_t> output(data.size() + mb::kWorkBufferSize);
    const double blockD = speed(data.size(), [&] {
        std::size_t at = 0;
        for (qsizetype i = 0; i < pieces; ++i)
            at += mb::TBlockCoder::DecompressBlock(blocks.data() + i * mb::kWorkBufferSize,
                                                   lengths[i], output.data() + at);
    });
    if (std::memcmp(output.data(), data.constData(), data.size()) != 0)
        std::printf("  BLOCK ROUND TRIP FAILED\n");
    std::printf(
        "  fast    compress %8.1f MB/s  decompress %8.1f MB/s  ratio %5.1f%%"
        "  (block coder alone)\n",
        blockC, blockD, 100.0 * fast.size() / data.size());
    fastC = blockC;
    fastD = blockD;
#ifdef MARROWBY_HAVE_LZ4
    QByteArray lz(LZ4_compressBound(static_cast<int>(data.size())), Qt::Uninitialized);
    int lzSize = 0;
    const double lzC = speed(data.size(), [&] {
        lzSize = LZ4_compress_default(data.constData(), lz.data(), static_cast<int>(data.size()),
                                      static_cast<int>(lz.size()));
    });
    QByteArray lzBack(data.size(), Qt::Uninitialized);
    const double lzD = speed(data.size(), [&] {
        LZ4_decompress_safe(lz.constData(), lzBack.data(), lzSize, static_cast<int>(lzBack.size()));
    });
    if (lzBack != data) std::printf("  LZ4 ROUND TRIP FAILED\n");
    std::printf("  lz4     compress %8.1f MB/s  decompress %8.1f MB/s  ratio %5.1f%%\n", lzC, lzD,
                100.0 * lzSize / data.size());
    std::printf("  fast/lz4 speed   compress %.2f (goal 0.70)  decompress %.2f (goal 0.40)\n",
                fastC / lzC, fastD / lzD);
#endif
    QByteArray good;
    const double goodC =
        speed(data.size(), [&] { good = mb::compressBytes(data, mb::TCompressMode::Good); });
    const double goodD = speed(data.size(), [&] { back = mb::decompressBytes(good); });
    if (back != data) std::printf("  GOOD ROUND TRIP FAILED\n");
    std::printf("  good    compress %8.1f MB/s  decompress %8.1f MB/s  ratio %5.1f%%\n", goodC,
                goodD, 100.0 * good.size() / data.size());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
#ifndef MARROWBY_HAVE_LZ4
    std::printf("(built without LZ4: no comparison)\n");
#endif
    measure("tally-like text", tallyText());
    measure("English text", englishText());
    QString lib;
    const QByteArray library = sharedLibrary(&lib);
    measure(qPrintable(QStringLiteral("shared library ") + lib), library);
    return 0;
}
