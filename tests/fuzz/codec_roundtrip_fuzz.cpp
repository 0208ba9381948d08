// libFuzzer target for the tally codec's writers: whatever the data, both modes must give it
// back unchanged, and the fast mode's blocks must stay within their bounds.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

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
    return 0;
}
