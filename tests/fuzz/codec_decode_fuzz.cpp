// libFuzzer target for the tally codec's reader: arbitrary bytes as a block, as a fast file and
// as a thorough file must fail cleanly or decode, never touch memory outside the buffers, and
// never produce more than the header promised. Both block decoders must agree.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "records/filecodec.h"

namespace {

// Keeps each run quick; the bound itself is part of what is checked.
constexpr std::int64_t kMostOriginal = 1 << 20;

void check(bool ok) {
    if (!ok) {
        std::fputs("codec_decode: invariant broken\n", stderr);
        std::abort();
    }
}

void decodeFile(const QByteArray& file) {
    try {
        const QByteArray out = mb::decompressBytes(file, kMostOriginal);
        check(out.size() <= kMostOriginal);
    } catch (const mb::ECodecError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> out(mb::kWorkBufferSize);
    const std::size_t blockLength = size > 0xFFFF ? 0xFFFF : size;
    const std::ptrdiff_t n = mb::TBlockCoder::DecompressBlock(data, blockLength, out.data());
    check(n >= -1 && n <= static_cast<std::ptrdiff_t>(mb::kPieceSize));
    // The decoder without assembly, which the sanitizers see into, gives the same answer.
    std::vector<std::uint8_t> other(mb::kWorkBufferSize);
    check(mb::TBlockCoder::DecompressBlockPortable(data, blockLength, other.data()) == n);
    check(n <= 0 || std::memcmp(out.data(), other.data(), static_cast<std::size_t>(n)) == 0);

    const QByteArray raw(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    decodeFile(raw);
    // The same bytes behind each identifier, so both readers see them.
    decodeFile(QByteArray("WRZL", 4) + raw);
    decodeFile(QByteArray("!HZL", 4) + raw);
    return 0;
}
