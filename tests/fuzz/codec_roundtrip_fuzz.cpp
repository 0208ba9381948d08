// libFuzzer target for the tally codec's writers: whatever the data, both modes must give it
// back unchanged, the fast mode's blocks must stay within their bounds, and every block must be
// the one the plain steps make of its piece. The data is coded as it is and, so that whole
// pieces and runs to a piece's end are reached from short inputs too, as a piece of 32768 bytes
// repeating it from the middle and ending in zeros.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "records/filecodec.h"
#include "tests/support/plainblock.h"

namespace {

void fail(const char* what) {
    std::fprintf(stderr, "codec_roundtrip: %s\n", what);
    std::abort();
}

void roundTrip(const QByteArray& input) {
    for (const mb::TCompressMode mode : {mb::TCompressMode::Fast, mb::TCompressMode::Good}) {
        const QByteArray packed = mb::compressBytes(input, mode);
        if (mb::decompressBytes(packed) != input) fail("a mode changed the data");
        if (mode != mb::TCompressMode::Fast) continue;
        // Stored pieces cost one byte and a record two; nothing grows more.
        const qsizetype pieces = input.size() / qsizetype(mb::kPieceSize) + 1;
        if (packed.size() > mb::kHeaderSize + input.size() + 3 * pieces) fail("a file grew");
        for (qsizetype at = mb::kHeaderSize, piece = 0; at < packed.size(); ++piece) {
            const int length = quint8(packed[at]) | quint8(packed[at + 1]) << 8;
            if (packed.mid(at + 2, length) !=
                mbtest::plainBlock(input.mid(piece * qsizetype(mb::kPieceSize), mb::kPieceSize)))
                fail("a block differs from the plain steps");
            at += 2 + length;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    roundTrip(input);
    if (size > 0) {
        QByteArray whole(qsizetype(mb::kPieceSize), '\0');
        const qsizetype repeated = qsizetype(mb::kPieceSize) - qsizetype(size);
        for (qsizetype i = 0; i < repeated; ++i)
            whole[i] = input[(i + input.size() / 2) % input.size()];
        roundTrip(whole);
    }
    return 0;
}
