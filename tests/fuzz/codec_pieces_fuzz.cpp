// libFuzzer target for the fast coder's pieces coded side by side: every block CompressPieces
// makes must be the one the plain steps make of its piece alone, and decode back to it. The
// first byte gives the number of pieces (1 to 6) and whether runs cross their boundaries, the
// second the length of the last one; the rest fills the pieces, each read from another point of
// it, so that lanes take different ways from few bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "records/blockcoder.h"
#include "tests/support/plainblock.h"

namespace {

constexpr std::size_t kMostPieces = 6;

void fail(const char* what) {
    std::fprintf(stderr, "codec_pieces: %s\n", what);
    std::abort();
}

// The bytes to code: `pieces` pieces, the last `last` bytes long (0 for a whole one), filled
// from `body`.
std::vector<std::uint8_t> buildInput(std::size_t pieces, std::size_t last, bool runs,
                                     const std::uint8_t* body, std::size_t bodySize) {
    const std::size_t size = (pieces - 1) * mb::kPieceSize + (last == 0 ? mb::kPieceSize : last);
    std::vector<std::uint8_t> input(size, 0);
    if (bodySize > 0) {
        for (std::size_t i = 0; i < size; ++i) {
            const std::size_t piece = i / mb::kPieceSize;
            input[i] = body[(i + piece * 7919) % bodySize];
        }
    }
    if (runs && bodySize > 0) {
        // A run of the first byte over every boundary, as long as the second says.
        const std::size_t length = 16 + body[bodySize > 1 ? 1 : 0] * 61;
        for (std::size_t at = mb::kPieceSize; at < size; at += mb::kPieceSize) {
            const std::size_t from = at - std::min(at, length / 2);
            std::fill(input.begin() + static_cast<std::ptrdiff_t>(from),
                      input.begin() + static_cast<std::ptrdiff_t>(std::min(size, from + length)),
                      body[0]);
        }
    }
    return input;
}

void check(mb::TBlockCoder& coder, const std::vector<std::uint8_t>& input) {
    const std::size_t n = input.size();
    const std::size_t pieces = std::max<std::size_t>(1, (n + mb::kPieceSize - 1) / mb::kPieceSize);
    // Exactly as large as required, so that a read or write beyond shows under the sanitizers.
    std::vector<std::uint8_t> blocks(pieces * mb::kWorkBufferSize);
    std::vector<std::uint16_t> lengths(pieces);
    if (coder.CompressPieces(input.data(), n, blocks.data(), lengths.data()) != pieces)
        fail("the number of pieces is wrong");
    const QByteArray all(reinterpret_cast<const char*>(input.data()), static_cast<qsizetype>(n));
    std::vector<std::uint8_t> back(mb::kWorkBufferSize);
    for (std::size_t i = 0; i < pieces; ++i) {
        const std::uint8_t* const block = blocks.data() + i * mb::kWorkBufferSize;
        const QByteArray piece = all.mid(static_cast<qsizetype>(i * mb::kPieceSize),
                                         static_cast<qsizetype>(mb::kPieceSize));
        if (QByteArray(reinterpret_cast<const char*>(block), lengths[i]) !=
            mbtest::plainBlock(piece))
            fail("a block differs from the plain steps");
        const std::ptrdiff_t got = mb::TBlockCoder::DecompressBlock(block, lengths[i], back.data());
        if (got != piece.size() || std::memcmp(back.data(), piece.constData(), piece.size()) != 0)
            fail("a block does not decode to its piece");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static mb::TBlockCoder coder;  // kept from one input to the next, as a file codec keeps it
    if (size < 2) {
        check(coder, std::vector<std::uint8_t>(data, data + size));
        return 0;
    }
    const std::size_t pieces = 1 + data[0] % kMostPieces;
    const bool runs = (data[0] / kMostPieces) % 2 == 1;
    const std::size_t last = (std::size_t{data[1]} * 131) % mb::kPieceSize;
    check(coder, buildInput(pieces, last, runs, data + 2, size - 2));
    return 0;
}
