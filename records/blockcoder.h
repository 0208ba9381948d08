#pragma once
// The fast block coder of the tally file: LZ77 with a 4096-entry hash table, 2-byte
// back-references (offset 1..4095, length 3..18) and 4-byte runs (16..4095 bytes). Its output is
// fixed to the byte by the steps in CompressBlock, so files move between implementations; the
// tests hold it to those steps written plainly (tests/support/plainblock.h).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace mb {

// The coder works on pieces of at most this many bytes.
inline constexpr std::size_t kPieceSize = 32768;
// Work buffers carry this much beyond a piece: the coder may write a little past the piece
// length before it decides to store the piece, and the decoder copies in whole words.
inline constexpr std::size_t kBlockSlack = 16;
inline constexpr std::size_t kWorkBufferSize = kPieceSize + kBlockSlack;
// Entries in the coder's hash table of a piece.
inline constexpr std::size_t kHashSize = 4096;
// The block flags.
inline constexpr std::uint8_t kCodedBlock = 0x40;
inline constexpr std::uint8_t kStoredBlock = 0x80;

class EBlockCoderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TBlockCoder {
public:
    TBlockCoder();

    // Codes the n (at most kPieceSize) bytes at src into dst, which must hold n + kBlockSlack
    // bytes. Returns the block length, 1 to n + 1.
    std::uint16_t CompressBlock(const std::uint8_t* src, std::size_t n, std::uint8_t* dst);
    // Codes the n bytes at src as pieces of kPieceSize bytes, the last one shorter when n is no
    // multiple of it: ceil(n / kPieceSize) pieces, or one empty piece when n is 0. The block of
    // piece i goes to blocks + i * kWorkBufferSize and its length to lengths[i]; each block is
    // the one CompressBlock makes of the piece, but several pieces are coded side by side, which
    // is much faster than one after another. Returns the number of pieces.
    std::size_t CompressPieces(const std::uint8_t* src, std::size_t n, std::uint8_t* blocks,
                               std::uint16_t* lengths);
    // Decodes the block of `length` bytes into out, which must hold kWorkBufferSize bytes.
    // Returns the number of bytes produced, or -1 when the block is corrupt (a reference before
    // the start of the piece, an item cut off by the block's end, more than kPieceSize bytes).
    static std::ptrdiff_t DecompressBlock(const std::uint8_t* block, std::size_t length,
                                          std::uint8_t* out);

private:
    // For each piece coded at once: the last position of each hash, and the hashes of the
    // positions of the piece.
    std::unique_ptr<std::int16_t[]> table_;
    std::unique_ptr<std::uint16_t[]> hashes_;
};

}  // namespace mb
