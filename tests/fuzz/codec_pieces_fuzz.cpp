// libFuzzer target for the block coder's pieces coded together: four whole pieces made from the
// data (three repeat it from different starts, one ends in zeros, which a run carries to the
// end) must come out as each piece coded alone.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "records/blockcoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
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
        if (length != lengths[k] || std::memcmp(alone.data(), together.data() + k * W, length)) {
            std::fprintf(stderr, "codec_pieces: piece %zu coded together differs\n", k);
            std::abort();
        }
    }
    return 0;
}
