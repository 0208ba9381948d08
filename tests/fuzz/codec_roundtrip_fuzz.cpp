// libFuzzer target for the tally codec's writers: whatever the data, both modes must give it
// back unchanged, the fast mode's blocks must stay within their bounds, and pieces coded together
// must come out as each alone.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "records/filecodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const mb::TCompressMode mode : {mb::TCompressMode::Fast, mb::TCompressMode::Good}) {
        const QByteArray packed = mb::compressBytes(input, mode);
        if (mb::decompressBytes(packed) != input) {
            std::fprintf(stderr, "codec_roundtrip: mode %d changed the data\n",
                         static_cast<int>(mode));
            std::abort();
        }
        // Stored pieces cost one byte and a record two; nothing grows more.
        const qsizetype pieces = size / mb::kPieceSize + 1;
        if (mode == mb::TCompressMode::Fast &&
            packed.size() > mb::kHeaderSize + input.size() + 3 * pieces)
            std::abort();
    }
    // Whole pieces coded together must give the blocks each gives alone: three pieces repeat the
    // data from different starts, the fourth ends in a run of zeros.
    if (size > 0) {
        constexpr std::size_t W = mb::kWorkBufferSize;
        static mb::TBlockCoder coder;
        static std::vector<std::uint8_t> pieces(mb::kPiecesBufferSize);
        static std::vector<std::uint8_t> together(mb::kPiecesAtOnce * W);
        static std::vector<std::uint8_t> alone(W);
        for (std::size_t k = 0; k < mb::kPiecesAtOnce; ++k)
            for (std::size_t i = 0; i < mb::kPieceSize; ++i)
                pieces[k * W + i] = k + 1 < mb::kPiecesAtOnce ? data[(i + k * size / 4) % size]
                                    : i < size                ? data[i]
                                                              : 0;
        std::uint16_t lengths[mb::kPiecesAtOnce];
        coder.CompressBlocks(pieces.data(), together.data(), lengths);
        for (std::size_t k = 0; k < mb::kPiecesAtOnce; ++k) {
            const std::uint16_t length =
                coder.CompressBlock(pieces.data() + k * W, mb::kPieceSize, alone.data());
            if (length != lengths[k] ||
                std::memcmp(alone.data(), together.data() + k * W, length)) {
                std::fprintf(stderr, "codec_roundtrip: piece %zu coded together differs\n", k);
                std::abort();
            }
        }
    }
    return 0;
}
