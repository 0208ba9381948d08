#include "records/filecodec.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <memory>
#include <new>

#include "core/savefile.h"

namespace mb {
namespace {

// Block records carry a 16-bit length, so one can be this long however it was written.
constexpr std::size_t kLongestRecord = 0xFFFF;
constexpr qint64 kAdviseBelow = 3 * static_cast<qint64>(kPieceSize);
// The fast mode reads and codes this many pieces at a time.
constexpr std::size_t kChunkPieces = 8;

QString noBuffers() {
    return QStringLiteral("Lzrw1 (de)compression : Failed to get memory for I/O buffers !");
}
QString readError(const QString& name, const char* coder = nullptr) {
    QString text = QStringLiteral("Lzrw1 : Error reading from input file : ") + name;
    if (coder) text += QLatin1String(coder);
    return text;
}
QString writeError(const QString& name) {
    return QStringLiteral("Lzrw1 : Error writing to output file : ") + name;
}

std::unique_ptr<std::uint8_t[]> workBuffer(std::size_t size) {
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[size]);
    if (!buffer) throw ECodecError(noBuffers());
    return buffer;
}

// Reads until `most` bytes or the end; -1 only when the device fails.
qint64 readUpTo(QIODevice& in, std::uint8_t* into, qint64 most) {
    qint64 got = 0;
    while (got < most) {
        const qint64 n = in.read(reinterpret_cast<char*>(into) + got, most - got);
        if (n < 0) return -1;
        if (n == 0) break;
        got += n;
    }
    return got;
}

class DeviceSink : public ByteSink {
public:
    DeviceSink(QIODevice& out, const QString& name, const std::function<void()>& progress)
        : out_(out), name_(name), progress_(progress) {}
    void write(const std::uint8_t* from, std::size_t count) override {
        const qint64 n = static_cast<qint64>(count);
        if (out_.write(reinterpret_cast<const char*>(from), n) != n)
            throw ECodecError(writeError(name_));
        written_ += n;
        if (progress_) progress_();
    }
    qint64 written() const { return written_; }

private:
    QIODevice& out_;
    const QString& name_;
    const std::function<void()>& progress_;
    qint64 written_ = 0;
};

class DeviceSource : public ByteSource {
public:
    DeviceSource(QIODevice& in, QString failure, const std::function<void()>& progress)
        : in_(in), failure_(std::move(failure)), progress_(progress) {}
    std::size_t read(std::uint8_t* into, std::size_t most) override {
        const qint64 n = readUpTo(in_, into, static_cast<qint64>(most));
        if (n < 0) throw ECodecError(failure_);
        taken_ += n;
        if (progress_) progress_();
        return static_cast<std::size_t>(n);
    }
    qint64 taken() const { return taken_; }

private:
    QIODevice& in_;
    QString failure_;
    const std::function<void()>& progress_;
    qint64 taken_ = 0;
};

void putLittle32(std::uint8_t* at, std::uint32_t v) {
    qToLittleEndian(v, at);
}

}  // namespace

std::int64_t TFileCodec::Compress(QIODevice& in, QIODevice& out) {
    if (in.isSequential())
        throw ECodecError(QStringLiteral("Lzrw1 compression : Failed to obtain the size of : ") +
                          InputFile);
    const qint64 size = in.size() - in.pos();
    if (size > std::numeric_limits<std::int32_t>::max())
        throw ECodecError(QStringLiteral("Lzrw1 compression : Failed to obtain the size of : ") +
                          InputFile);
    const TCompressMode mode = CompressMode == TCompressMode::Auto ? adviseFor(in) : CompressMode;
    DeviceSink sink(out, OutputFile, onProgress);
    qint64 taken = 0;

    std::uint8_t header[kHeaderSize];
    putLittle32(header, mode == TCompressMode::Fast ? kFastIdentifier : kGoodIdentifier);
    putLittle32(header + 4, static_cast<std::uint32_t>(size));
    sink.write(header, kHeaderSize);

    if (mode == TCompressMode::Fast) {
        auto chunk = workBuffer(kChunkPieces * kPieceSize);
        auto blocks = workBuffer(kChunkPieces * kWorkBufferSize);
        std::uint16_t lengths[kChunkPieces];
        // Down to the last piece, which is short (perhaps empty): that is how a reader knows
        // the end. A chunk that ends in a whole piece is followed by another read, which gives
        // that short piece at the input's end.
        qint64 n = 0;
        do {
            n = readUpTo(in, chunk.get(), kChunkPieces * kPieceSize);
            if (n < 0) throw ECodecError(readError(InputFile, " (LZRW1/KH)"));
            taken += n;
            const std::size_t pieces = block_.CompressPieces(
                chunk.get(), static_cast<std::size_t>(n), blocks.get(), lengths);
            for (std::size_t i = 0; i < pieces; ++i) {
                std::uint8_t record[2];
                qToLittleEndian(lengths[i], record);
                sink.write(record, sizeof record);
                sink.write(blocks.get() + i * kWorkBufferSize, lengths[i]);
            }
        } while (n > 0 && n % static_cast<qint64>(kPieceSize) == 0);
    } else {
        DeviceSource source(in, readError(InputFile, " (LZH)"), onProgress);
        huff_.encode(source, sink);
        taken = source.taken();
    }
    // The header's size was taken before the reading: a file that grew or shrank meanwhile, or
    // one that tells a size other than what it holds (as those under /proc do), would make a
    // file that cannot be unpacked or unpacks to the wrong bytes.
    if (taken != size)
        throw ECodecError(QStringLiteral("Lzrw1 compression : the size of : ") + InputFile +
                          QStringLiteral(" changed while it was read"));
    return sink.written();
}

std::int64_t TFileCodec::Decompress(QIODevice& in, QIODevice& out) {
    auto record = workBuffer(kLongestRecord + kBlockSlack);
    auto piece = workBuffer(kWorkBufferSize);
    DeviceSink sink(out, OutputFile, onProgress);

    const auto readAll = [&](std::uint8_t* into, qint64 count) {
        if (readUpTo(in, into, count) != count) throw ECodecError(readError(InputFile));
        if (onProgress) onProgress();
    };
    std::uint8_t header[kHeaderSize];
    readAll(header, 4);
    const std::uint32_t id = qFromLittleEndian<std::uint32_t>(header);
    if (id != kFastIdentifier && id != kGoodIdentifier)
        throw ECodecError(
            InputFile + QStringLiteral(" : Lzrw1 decompression : this file has no valid header !"));
    readAll(header + 4, 4);
    const std::int32_t size = qFromLittleEndian<std::int32_t>(header + 4);
    if (size > maxOriginalSize)
        throw ECodecError(QStringLiteral("Lzrw1 decompression : the original size given in the "
                                         "header is too large : ") +
                          InputFile);

    if (id == kFastIdentifier) {
        const QString mismatch = QStringLiteral(
            "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !");
        std::ptrdiff_t n = 0;
        do {
            std::uint8_t lengthBytes[2];
            readAll(lengthBytes, 2);
            const std::uint16_t length = qFromLittleEndian<std::uint16_t>(lengthBytes);
            readAll(record.get(), length);
            n = TBlockCoder::DecompressBlock(record.get(), length, piece.get());
            if (n < 0)
                throw ECodecError(QStringLiteral("Lzrw1 (decompression LZRW1/KH) : a block is "
                                                 "corrupt at byte %1 of : ")
                                      .arg(in.pos() - length) +
                                  InputFile);
            // Writing stops at the size the header gave, so a forged header cannot make the
            // output grow past it.
            if (sink.written() + n > size) throw ECodecError(mismatch);
            sink.write(piece.get(), static_cast<std::size_t>(n));
        } while (n == static_cast<std::ptrdiff_t>(kPieceSize));
        if (sink.written() != size) throw ECodecError(mismatch);
    } else {
        DeviceSource source(in, readError(InputFile), onProgress);
        const std::int64_t produced = huff_.decode(source, sink, size);
        if (produced != size)
            throw ECodecError(QStringLiteral(
                "Lzrw1 (LZH decompression) : Original and compressed sizes do not match !"));
    }
    return sink.written();
}

namespace {

bool isStandardStream(const QString& name) {
    return name == QLatin1String(kStandardStream);
}

void openInput(QFile& in, const QString& name) {
    const bool opened = isStandardStream(name)
                            ? in.open(stdin, QIODevice::ReadOnly)
                            : (in.setFileName(name), in.open(QIODevice::ReadOnly));
    if (!opened)
        throw ECodecError(QStringLiteral("Lzrw1 (de)compression : Failed to open input file : ") +
                          name);
}

// Runs `code` from one file into the other. The output replaces an older regular file only once
// it is complete, and a throw discards the unfinished output; a FIFO, a character device or
// standard output is written into straight; anything else is refused.
std::int64_t betweenFiles(const QString& inName, const QString& outName,
                          const std::function<std::int64_t(QIODevice&, QIODevice&)>& code) {
    QFile in;
    openInput(in, inName);
    SaveTarget out;
    if (!(isStandardStream(outName) ? out.openStandardOutput()
                                    : out.open(outName, SpecialFiles::WriteInto)))
        throw ECodecError(QStringLiteral("Lzrw1 (de)compression : Failed to open output file : ") +
                          outName);
    const std::int64_t written = code(in, out.device());
    if (!out.commit()) throw ECodecError(writeError(outName));
    return written;
}

}  // namespace

std::int64_t TFileCodec::Compress() {
    const QString sizeUnknown =
        QStringLiteral("Lzrw1 compression : Failed to obtain the size of : ") + InputFile;
    const PathKind kind = isStandardStream(InputFile) ? PathKind::Stream : pathKind(InputFile);
    if (kind == PathKind::Regular)
        return betweenFiles(InputFile, OutputFile,
                            [this](QIODevice& in, QIODevice& out) { return Compress(in, out); });
    if (kind != PathKind::Stream) throw ECodecError(sizeUnknown);
    // The header gives the size first, so a stream is read whole, within a bound on memory.
    return betweenFiles(InputFile, OutputFile, [&](QIODevice& in, QIODevice& out) {
        const QByteArray data = readAtMost(in, kMostStreamInput);
        if (data.size() > kMostStreamInput) throw ECodecError(sizeUnknown);
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        return Compress(buffer, out);
    });
}

std::int64_t TFileCodec::Decompress() {
    return betweenFiles(InputFile, OutputFile,
                        [this](QIODevice& in, QIODevice& out) { return Decompress(in, out); });
}

TCompressMode TFileCodec::Advise() {
    QFile in(InputFile);
    openInput(in, InputFile);
    return adviseFor(in);
}

TCompressMode TFileCodec::adviseFor(QIODevice& in) {
    const qint64 start = in.pos();
    const qint64 size = in.size() - start;
    if (in.isSequential() || size < kAdviseBelow) return TCompressMode::Good;
    auto piece = workBuffer(kWorkBufferSize);
    auto block = workBuffer(kWorkBufferSize);
    std::uint16_t length = 0;
    qint64 taken = 0;
    qint64 coded = 0;
    for (const qint64 at : {size / 3, 2 * size / 3}) {
        const qint64 offset = at / static_cast<qint64>(kPieceSize) * kPieceSize;
        if (!in.seek(start + offset)) break;
        const qint64 n = readUpTo(in, piece.get(), kPieceSize);
        if (n <= 0) break;
        taken += n;
        block_.CompressPieces(piece.get(), static_cast<std::size_t>(n), block.get(), &length);
        coded += length;
    }
    in.seek(start);
    return taken > 0 && coded * 100 < taken * Threshold ? TCompressMode::Fast : TCompressMode::Good;
}

namespace {

QByteArray inMemory(const QByteArray& data,
                    const std::function<void(QIODevice&, QIODevice&)>& code) {
    QBuffer in;
    in.setData(data);
    in.open(QIODevice::ReadOnly);
    QByteArray result;
    QBuffer out(&result);
    out.open(QIODevice::WriteOnly);
    code(in, out);
    return result;
}

}  // namespace

QByteArray compressBytes(const QByteArray& data, TCompressMode mode) {
    TFileCodec codec;
    codec.CompressMode = mode;
    return inMemory(data, [&](QIODevice& in, QIODevice& out) { codec.Compress(in, out); });
}

QByteArray decompressBytes(const QByteArray& file, std::int64_t maxOriginalSize,
                           const QString& name) {
    TFileCodec codec;
    codec.maxOriginalSize = maxOriginalSize;
    codec.InputFile = name;
    return inMemory(file, [&](QIODevice& in, QIODevice& out) { codec.Decompress(in, out); });
}

}  // namespace mb
