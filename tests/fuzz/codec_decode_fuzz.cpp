// libFuzzer target for the tally codec's reader: arbitrary bytes as a block, as a fast file and
// as a thorough file must fail cleanly or decode, never touch memory outside the buffers, and
// never produce more than the header promised. The block decoder must agree with the plain
// steps.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "records/filecodec.h"
#include "tests/support/plainblock.h"

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
    const auto plain = mbtest::plainDecode(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(blockLength)));
    check(n == (plain ? plain->size() : -1));
    check(n <= 0 || std::memcmp(out.data(), plain->constData(), static_cast<std::size_t>(n)) == 0);

    const QByteArray raw(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    decodeFile(raw);
    // The same bytes behind each identifier, so both readers see them.
    decodeFile(QByteArray("WRZL", 4) + raw);
    decodeFile(QByteArray("!HZL", 4) + raw);
    return 0;
}
