#pragma once
// The fast block coder of the tally file: LZ77 with a 4096-entry hash table, 2-byte
// back-references (offset 1..4095, length 3..18) and 4-byte runs (16..4095 bytes). Its output is
// fixed to the byte by the steps in CompressBlock, so files move between implementations.
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
// CompressBlocks codes this many whole pieces at once, laid out kWorkBufferSize apart; its
// input buffer holds them and kBlockSlack bytes more.
inline constexpr std::size_t kPiecesAtOnce = 4;
inline constexpr std::size_t kPiecesBufferSize = kPiecesAtOnce * kWorkBufferSize + kBlockSlack;
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
    // Codes kPiecesAtOnce pieces of kPieceSize bytes each, piece k at src + k * kWorkBufferSize,
    // into the blocks at dst + k * kWorkBufferSize, and puts their lengths in `lengths`. The
    // blocks are those CompressBlock makes, only sooner. src holds kPiecesBufferSize bytes;
    // dst holds kPiecesAtOnce * kWorkBufferSize.
    void CompressBlocks(const std::uint8_t* src, std::uint8_t* dst, std::uint16_t* lengths);

    // Decodes the block of `length` bytes into out, which must hold kWorkBufferSize bytes.
    // Returns the number of bytes produced, or -1 when the block is corrupt (a reference before
    // the start of the piece, an item cut off by the block's end, more than kPieceSize bytes).
    static std::ptrdiff_t DecompressBlock(const std::uint8_t* block, std::size_t length,
                                          std::uint8_t* out);
    // The same decoder without the assembly it uses on some machines, giving the same answers;
    // here so that tests and fuzzing can hold the two to each other.
    static std::ptrdiff_t DecompressBlockPortable(const std::uint8_t* block, std::size_t length,
                                                  std::uint8_t* out);

private:
    std::unique_ptr<std::int16_t[]> table_;    // one per piece coded at once
    std::unique_ptr<std::uint16_t[]> hashes_;  // of every position of those pieces
};

}  // namespace mb
