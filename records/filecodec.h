#pragma once
// The file codec of the tally: a 4-byte identifier, the original size, then either block records
// of the fast coder or one stream of the thorough coder. Works on files or on any QIODevice
// (memory buffers included).
#include <QString>
#include <cstdint>
#include <functional>
#include <limits>
#include <stdexcept>

#include "records/blockcoder.h"
#include "records/huffcoder.h"

class QIODevice;

namespace mb {

enum class TCompressMode { Good, Fast, Auto };

inline constexpr std::uint32_t kFastIdentifier = 0x4C5A5257;  // "WRZL" on disk
inline constexpr std::uint32_t kGoodIdentifier = 0x4C5A4821;  // "!HZL" on disk
inline constexpr int kHeaderSize = 8;
// As a file name, standard input or output.
inline constexpr char kStandardStream[] = "-";
// A stream to compress (standard input, a FIFO) is held whole in memory, since the header gives
// the size first: at most this much.
inline constexpr qint64 kMostStreamInput = 256 * 1024 * 1024;

class ECodecError : public std::runtime_error {
public:
    explicit ECodecError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

class TFileCodec {
public:
    QString InputFile;
    QString OutputFile;
    TCompressMode CompressMode = TCompressMode::Good;
    int Threshold = 40;  // percent, for Advise
    // Called after every piece read or written, so a window can keep handling its messages.
    std::function<void()> onProgress;
    // Decompress refuses a header promising more than this many bytes (a caller that decodes
    // into memory bounds what a hostile file can make it hold).
    std::int64_t maxOriginalSize = std::numeric_limits<std::int32_t>::max();

    // InputFile to OutputFile, either of which may be kStandardStream. The output replaces an
    // older regular file only once it is complete; on failure no output is left and an older
    // one is untouched. A FIFO or a character device as OutputFile is written into straight,
    // anything else that is no regular file is refused. Return the bytes written.
    std::int64_t Compress();
    std::int64_t Decompress();
    // The same between two open devices; the file names only label the error texts. On failure
    // the output device may hold part of the output.
    std::int64_t Compress(QIODevice& in, QIODevice& out);
    std::int64_t Decompress(QIODevice& in, QIODevice& out);
    // Good or Fast for InputFile, judged by how well two sample pieces shrink.
    TCompressMode Advise();

private:
    TCompressMode adviseFor(QIODevice& in);
    TBlockCoder block_;
    THuffCoder huff_;
};

// Convenience for whole buffers in memory. Throws ECodecError like the file operations.
QByteArray compressBytes(const QByteArray& data, TCompressMode mode);
// `name` labels the error texts.
QByteArray decompressBytes(const QByteArray& file,
                           std::int64_t maxOriginalSize = std::numeric_limits<std::int32_t>::max(),
                           const QString& name = {});

}  // namespace mb
