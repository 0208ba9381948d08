#include "records/blockcoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace mb {
namespace {

constexpr std::size_t kMaxRun = 4095;
constexpr std::size_t kMinRun = 16;
constexpr std::size_t kMaxOffset = 4095;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 18;
constexpr std::uint32_t kHashMultiplier = 40543;
constexpr int kItemsPerControlWord = 16;

std::uint32_t load32(const std::uint8_t* p) {
    // Compilers make this one load on little-endian machines.
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

std::uint64_t load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Leading bytes that agree at a and b, at most `limit`.
std::size_t agreeing(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) {
    std::size_t n = 0;
    if constexpr (std::endian::native == std::endian::little) {
        while (n + 8 <= limit) {
            const std::uint64_t diff = load64(a + n) ^ load64(b + n);
            if (diff != 0) return n + static_cast<std::size_t>(std::countr_zero(diff) / 8);
            n += 8;
        }
    }
    while (n < limit && a[n] == b[n]) ++n;
    return n;
}

void putWord(std::uint8_t* at, unsigned word) {
    at[0] = static_cast<std::uint8_t>(word >> 8);
    at[1] = static_cast<std::uint8_t>(word);
}

}  // namespace

TBlockCoder::TBlockCoder() : table_(new (std::nothrow) std::int16_t[kHashSize]) {
    if (!table_) throw EBlockCoderError("LZRW1KH : no memory for HASH table");
}

std::uint16_t TBlockCoder::CompressBlock(const std::uint8_t* s, std::size_t n, std::uint8_t* d) {
    std::int16_t* const table = table_.get();
    std::memset(table, 0xFF, kHashSize * sizeof(std::int16_t));  // every entry -1
    d[0] = kCodedBlock;
    std::size_t x = 0;
    std::size_t z = 1;
    std::size_t y = 3;
    int items = 0;
    unsigned control = 0;
    while (x < n && y <= n) {
        if (items == kItemsPerControlWord) {
            putWord(d + z, control);
            z = y;
            y += 2;
            items = 0;
            control = 0;
        }
        const std::uint8_t c = s[x];
        // Runs come first; most positions fail on the first byte.
        std::size_t run = 1;
        if (x + 1 < n && s[x + 1] == c) {
            const std::size_t limit = std::min(n - x, kMaxRun);
            while (run < limit && s[x + run] == c) ++run;
        }
        if (run >= kMinRun) {
            d[y] = 0;
            d[y + 1] = static_cast<std::uint8_t>((run - kMinRun) >> 8);
            d[y + 2] = static_cast<std::uint8_t>(run - kMinRun);
            d[y + 3] = c;
            y += 4;
            x += run;
            control = (control << 1) | 1;
        } else {
            std::size_t length = 0;
            std::size_t offset = 0;
            if (x + 4 <= n) {
                // The usual case, with whole words: the hash of three bytes and a first test
                // of three bytes against the candidate.
                const std::uint32_t w = load32(s + x);
                const std::uint32_t b1 = (w >> 8) & 0xFF;
                const std::uint32_t b2 = (w >> 16) & 0xFF;
                const std::uint32_t h =
                    ((((std::uint32_t{c} << 8) ^ (b1 << 4) ^ b2) * kHashMultiplier) >> 4) & 0x0FFF;
                const std::int16_t p = table[h];
                table[h] = static_cast<std::int16_t>(x);
                offset = x - static_cast<std::size_t>(p);
                if (p >= 0 && offset <= kMaxOffset && ((load32(s + p) ^ w) & 0x00FFFFFF) == 0)
                    length = kMinMatch + agreeing(s + x + kMinMatch, s + p + kMinMatch,
                                                  std::min(kMaxMatch, n - x) - kMinMatch);
            } else if (x + 2 < n) {
                // In the last two positions no match can reach three bytes, so the hash, which
                // would read past the piece there, is skipped.
                const std::uint32_t h =
                    (((((std::uint32_t{c} << 4) ^ s[x + 1]) << 4) ^ s[x + 2]) * kHashMultiplier >>
                     4) &
                    0x0FFF;
                const std::int16_t p = table[h];
                table[h] = static_cast<std::int16_t>(x);
                if (p >= 0 && x - static_cast<std::size_t>(p) <= kMaxOffset) {
                    offset = x - static_cast<std::size_t>(p);
                    length = agreeing(s + x, s + p, std::min(kMaxMatch, n - x));
                }
            }
            if (length >= kMinMatch) {
                putWord(d + y, static_cast<unsigned>(offset * 16 + (length - kMinMatch)));
                y += 2;
                x += length;
                control = (control << 1) | 1;
            } else {
                d[y++] = c;
                ++x;
                control <<= 1;
            }
        }
        ++items;
    }
    putWord(d + z, items == 0 ? 0u : (control << (kItemsPerControlWord - items)) & 0xFFFF);
    if (y > n) {
        d[0] = kStoredBlock;
        std::memcpy(d + 1, s, n);
        return static_cast<std::uint16_t>(n + 1);
    }
    return static_cast<std::uint16_t>(y);
}

std::ptrdiff_t TBlockCoder::DecompressBlock(const std::uint8_t* b, std::size_t length,
                                            std::uint8_t* out) {
    if (length <= 1) return 0;
    if (b[0] == kStoredBlock) {
        if (length - 1 > kPieceSize) return -1;
        std::memcpy(out, b + 1, length - 1);
        return static_cast<std::ptrdiff_t>(length - 1);
    }
    if (length < 3) return -1;
    std::size_t in = 3;
    unsigned control = (unsigned{b[1]} << 8) | b[2];
    int bits = kItemsPerControlWord;
    std::size_t o = 0;
    // Each turn takes the row of literals before the next reference or run (the zero bits at
    // the top of the control word, perhaps none) in one copy, then that reference or run. The
    // last word's unused bits are zero too, so the row is cut at the block's end.
    for (;;) {
        if (bits == 0) {
            if (in >= length) break;
            if (in + 2 >= length) return -1;  // a control word with no item after it
            control = (unsigned{b[in]} << 8) | b[in + 1];
            in += 2;
            bits = kItemsPerControlWord;
        }
        const int zeros =
            std::min(std::countl_zero(static_cast<std::uint16_t>(control & 0xFFFF)), bits);
        const std::size_t count =
            std::min<std::size_t>(static_cast<std::size_t>(zeros), length - in);
        if (o + count > kPieceSize) return -1;
        if (in + 16 <= length && o + 16 <= kWorkBufferSize)
            std::memcpy(out + o, b + in, 16);
        else
            std::memcpy(out + o, b + in, count);
        o += count;
        in += count;
        control <<= count;
        bits -= static_cast<int>(count);
        if (in >= length) break;
        if (bits == 0) continue;

        if (in + 2 > length) return -1;
        const unsigned b0 = b[in];
        const unsigned b1 = b[in + 1];
        const std::size_t offset = (b0 << 4) | (b1 >> 4);
        if (offset != 0) {
            const std::size_t n = (b1 & 0x0F) + kMinMatch;
            if (offset > o || o + n > kPieceSize) return -1;
            const std::uint8_t* from = out + o - offset;
            std::uint8_t* to = out + o;
            if (offset >= 8 && o + 24 <= kWorkBufferSize) {
                // Whole words: each one reads only bytes written before it.
                std::memcpy(to, from, 8);
                std::memcpy(to + 8, from + 8, 8);
                std::memcpy(to + 16, from + 16, 8);
            } else {
                for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
            }
            o += n;
            in += 2;
        } else {
            if (in + 4 > length) return -1;
            const std::size_t n = ((b1 & 0x0F) << 8) + b[in + 2] + kMinRun;
            if (o + n > kPieceSize) return -1;
            std::memset(out + o, b[in + 3], n);
            o += n;
            in += 4;
        }
        control <<= 1;
        --bits;
    }
    return static_cast<std::ptrdiff_t>(o);
}

}  // namespace mb
