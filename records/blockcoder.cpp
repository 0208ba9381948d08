#include "records/blockcoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace mb {
namespace {

constexpr std::size_t kMaxRun = 4095;
constexpr std::size_t kMinRun = 16;
constexpr std::size_t kMaxOffset = 4095;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 18;
constexpr std::uint32_t kHashMultiplier = 40543;
constexpr int kItemsPerControlWord = 16;
// Positions at least this far from the piece's end may load whole words around them.
constexpr std::size_t kFastMargin = 32;
// An empty table entry. Any negative value would do for a piece coded alone; this one is also a
// position just past a full piece, so that the interleaved coder, which reads its entries
// unsigned, finds it out of reach and may read the bytes there without a test.
constexpr std::int16_t kNoPosition = std::numeric_limits<std::int16_t>::min();
static_assert(static_cast<std::uint16_t>(kNoPosition) == kPieceSize);

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

// Leading bytes that agree at a and b, at most 18; reads 24 bytes at each (little-endian only).
std::size_t agreeing18(const std::uint8_t* a, const std::uint8_t* b) {
    const std::uint64_t d0 = load64(a) ^ load64(b);
    if (d0 != 0) return static_cast<std::size_t>(std::countr_zero(d0) / 8);
    const std::uint64_t d1 = load64(a + 8) ^ load64(b + 8);
    if (d1 != 0) return 8 + static_cast<std::size_t>(std::countr_zero(d1) / 8);
    const std::uint64_t d2 = (load64(a + 16) ^ load64(b + 16)) & 0xFFFF;
    return d2 != 0 ? 16 + static_cast<std::size_t>(std::countr_zero(d2) / 8) : kMaxMatch;
}

std::uint32_t hash3(std::uint32_t b0, std::uint32_t b1, std::uint32_t b2) {
    return ((((b0 << 8) ^ (b1 << 4) ^ b2) * kHashMultiplier) >> 4) & 0x0FFF;
}

// The hash of the three bytes at each of the first `count` positions of s, which must have
// count + 8 readable bytes. Only the low 16 bits of the product count, so eight hashes take
// one 16-bit multiply where the machine has one.
void hashAll(const std::uint8_t* s, std::size_t count, std::uint16_t* hashes) {
    std::size_t i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    const __m128i multiplier = _mm_set1_epi16(static_cast<short>(kHashMultiplier));
    for (; i + 8 <= count; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i b0 = _mm_unpacklo_epi8(v, zero);
        const __m128i b1 = _mm_unpacklo_epi8(_mm_srli_si128(v, 1), zero);
        const __m128i b2 = _mm_unpacklo_epi8(_mm_srli_si128(v, 2), zero);
        const __m128i k =
            _mm_xor_si128(_mm_xor_si128(_mm_slli_epi16(b0, 8), _mm_slli_epi16(b1, 4)), b2);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(hashes + i),
                         _mm_srli_epi16(_mm_mullo_epi16(k, multiplier), 4));
    }
#endif
    for (; i < count; ++i) hashes[i] = static_cast<std::uint16_t>(hash3(s[i], s[i + 1], s[i + 2]));
}

// Whether the n bytes at s look like binary data rather than text: more than one in eight is a
// control character other than tab and line ends, or outside ASCII. Only the first stretch is
// looked at.
bool looksBinary(const std::uint8_t* s, std::size_t n) {
    constexpr std::size_t kSample = 1024;
    const std::size_t count = std::min(n, kSample);
    std::size_t odd = 0;
    std::size_t i = 0;
#ifdef __SSE2__
    // Signed, bytes from 0x80 up are below 9 too.
    const __m128i nine = _mm_set1_epi8(9);
    for (; i + 16 <= count; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        odd += static_cast<std::size_t>(
            std::popcount(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v, nine)))));
    }
#endif
    for (; i < count; ++i) odd += s[i] < 9 || s[i] >= 0x80;
    return odd * 8 > count;
}

// Far from the piece's end every load stays inside it, and where whole words are read the
// fast loops run. Zero where they do not run at all.
constexpr std::size_t fastLimit(std::size_t n) {
    return std::endian::native == std::endian::little && n > kFastMargin ? n - kFastMargin : 0;
}

void putWord(std::uint8_t* at, unsigned word) {
    at[0] = static_cast<std::uint8_t>(word >> 8);
    at[1] = static_cast<std::uint8_t>(word);
}

// How far the byte at s repeats, s[0] included, at most `limit` bytes; the first `known` are
// known to repeat. Inlined: a call in the interleaved coder's loop would cost it its registers.
[[gnu::always_inline]] inline std::size_t runLength(const std::uint8_t* s, std::size_t known,
                                                    std::size_t limit) {
    std::size_t r = known;
    while (r < limit && s[r] == s[0]) ++r;
    return r;
}

// Writes the run item for r bytes of c.
[[gnu::always_inline]] inline void putRun(std::uint8_t* at, std::size_t r, std::uint8_t c) {
    at[0] = 0;
    at[1] = static_cast<std::uint8_t>((r - kMinRun) >> 8);
    at[2] = static_cast<std::uint8_t>(r - kMinRun);
    at[3] = c;
}

// Starts the block of a piece of n bytes: an empty table, the flag of a coded block and the
// hashes the fast loops use.
void startBlock(const std::uint8_t* s, std::size_t n, std::uint8_t* d, std::int16_t* table,
                std::uint16_t* hashes) {
    std::fill(table, table + kHashSize, kNoPosition);
    d[0] = kCodedBlock;
    const std::size_t fastEnd = fastLimit(n);
    hashAll(s, fastEnd > 0 ? fastEnd + kMaxMatch : 0, hashes);
}

}  // namespace

TBlockCoder::TBlockCoder()
    : table_(new (std::nothrow) std::int16_t[kPiecesAtOnce * kHashSize]),
      hashes_(new (std::nothrow) std::uint16_t[kPiecesAtOnce * kWorkBufferSize]) {
    if (!table_ || !hashes_) throw EBlockCoderError("LZRW1KH : no memory for HASH table");
}

namespace {

// Where the coding of a piece stands between two items.
struct BlockState {
    std::size_t x = 0;  // read position
    std::size_t y = 3;  // write position
    std::size_t z = 1;  // position of the current control word
    int items = 0;      // items under the current control word
    unsigned control = 0;
};

// Codes the rest of the piece s (n bytes) into d from `at`, with the piece's table as it stands
// and the hashes of its positions up to the fast limit and a match beyond it, and returns the
// block length.
std::uint16_t codeRest(const std::uint8_t* s, std::size_t n, std::uint8_t* d, std::int16_t* table,
                       const std::uint16_t* hashes, const BlockState& at) {
    std::size_t x = at.x;
    std::size_t z = at.z;
    std::size_t y = at.y;
    int items = at.items;
    unsigned control = at.control;

    const auto startItem = [&] {
        if (items == kItemsPerControlWord) {
            putWord(d + z, control);
            z = y;
            y += 2;
            items = 0;
            control = 0;
        }
    };
    // Runs come first. Writes one and returns true when the bytes from x are a long enough run.
    const auto run = [&](std::uint8_t c) {
        const std::size_t r = runLength(s + x, 2, std::min(n - x, kMaxRun));
        if (r < kMinRun) return false;
        putRun(d + y, r, c);
        y += 4;
        x += r;
        control = (control << 1) | 1;
        return true;
    };

    // Far from the piece's end every load stays inside it. The hashes of all those positions,
    // and of those a match from them may end on, are made beforehand, which takes them off the
    // chain from one item to the next. The table entry for the position after the current one
    // is fetched before the item is decided, on the guess that it is a literal: when that jump
    // is mispredicted, the next item's entry is at hand and its own jump is decided sooner.
    // Jumps win for a piece alone: deciding each item with conditional moves puts every item on
    // the chain of three dependent loads (hash, entry, candidate bytes), about 40 cycles an item.
    // Several whole pieces at once are another matter (see Interleaved).
    const std::size_t fastEnd = fastLimit(n);
    // Whether an entry is in reach (not empty, not more than 4095 back) and whether its first three
    // bytes agree are two tests. In text nearly every entry in reach agrees, so the test of
    // reach alone, which does not wait for the bytes, decides the item soonest. In binary data
    // both are hard to predict, so both share one jump, and the bytes an entry points to (the
    // piece's start for an empty one) are fetched along with it.
    const auto fastItems = [&](auto binary) {
        std::ptrdiff_t p = 0;
        std::uint64_t there = 0;
        const auto fetch = [&](std::size_t at, std::ptrdiff_t& entry, std::uint64_t& bytes) {
            entry = table[hashes[at]];
            if constexpr (binary) bytes = load64(s + std::max<std::ptrdiff_t>(entry, 0));
        };
        fetch(x, p, there);
        while (x < fastEnd && y <= n) {
            startItem();
            const std::uint64_t w = load64(s + x);
            const auto c = static_cast<std::uint8_t>(w);
            // A run starts with 8 equal bytes at least: testing them at once spares a jump that
            // pairs of equal bytes, common in text, would mispredict.
            if (w == c * 0x0101010101010101u && run(c)) {
                ++items;
                if (x < fastEnd) fetch(x, p, there);
                continue;
            }
            table[hashes[x]] = static_cast<std::int16_t>(x);
            std::ptrdiff_t next = 0;
            std::uint64_t nextThere = 0;
            fetch(x + 1, next, nextThere);
            // Keeps the compiler from moving them past the jump.
            __asm__ volatile("" : "+r"(next));
            if constexpr (binary) __asm__ volatile("" : "+r"(nextThere));
            const std::size_t offset = x - static_cast<std::size_t>(p);
            const unsigned outOfReach = (offset > kMaxOffset) | (p < 0);
            bool isMatch;
            if constexpr (binary) {
                std::uint64_t differ = ((there ^ w) & 0xFFFFFF) | outOfReach;
                __asm__("" : "+r"(differ));  // keeps the compiler from splitting the jump
                isMatch = differ == 0;
            } else {
                // The compiler makes two jumps of this; an entry out of reach is read at the
                // piece's start.
                isMatch = (((load64(s + (outOfReach ? 0 : p)) ^ w) & 0xFFFFFF) | outOfReach) == 0;
            }
            if (isMatch) {
                const std::size_t length = agreeing18(s + x, s + p);
                putWord(d + y, static_cast<unsigned>(offset * 16 + (length - kMinMatch)));
                y += 2;
                x += length;
                control = (control << 1) | 1;
                fetch(x, next, nextThere);
            } else {
                d[y++] = c;
                ++x;
                control <<= 1;
            }
            p = next;
            there = nextThere;
            ++items;
        }
    };
    if (x < fastEnd) {
        if (looksBinary(s, fastEnd))
            fastItems(std::true_type{});
        else
            fastItems(std::false_type{});
    }
    while (x < n && y <= n) {
        startItem();
        const std::uint8_t c = s[x];
        if (x + 1 < n && s[x + 1] == c && run(c)) {
            ++items;
            continue;
        }
        std::size_t length = 0;
        std::size_t offset = 0;
        // In the last two positions no match can reach three bytes, so the hash, which would
        // read past the piece there, is skipped.
        if (x + 2 < n) {
            const std::uint32_t h = hash3(c, s[x + 1], s[x + 2]);
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

}  // namespace

std::uint16_t TBlockCoder::CompressBlock(const std::uint8_t* s, std::size_t n, std::uint8_t* d) {
    startBlock(s, n, d, table_.get(), hashes_.get());
    return codeRest(s, n, d, table_.get(), hashes_.get(), BlockState{});
}

#if defined(__x86_64__)
namespace {

// Coding several pieces at once, one item of each in turn. Each item waits on a chain of three
// loads (its hash, the table entry, the candidate's bytes) and on the item before it, so one
// piece alone leaves the processor idle; four independent chains keep it busy. Every decision
// is a conditional move: a mispredicted jump in one piece would throw away the work of all.
// Positions x and y count from the start of the pieces' buffers, piece k's at k * W, so that one
// register addresses all four and the pieces differ only in constant displacements.
class Interleaved {
public:
    static constexpr std::size_t W = kWorkBufferSize;
    static constexpr std::size_t kFastEnd = fastLimit(kPieceSize);
    // A group of 16 rounds starts only if every piece can take 16 of the longest items and
    // their control word without a look at its limits. A run may go further and says so.
    static constexpr std::size_t kGroupReach = kItemsPerControlWord * kMaxMatch;
    static constexpr std::size_t kGroupOutput = kItemsPerControlWord * 2 + 2;

    Interleaved(const std::uint8_t* s, std::uint8_t* d, std::int16_t* tables,
                const std::uint16_t* hashes)
        : s_(s), d_(d), tables_(reinterpret_cast<std::uint16_t*>(tables)), hashes_(hashes) {}

    // Codes until some piece nears its limits; returns where each piece stands.
    std::array<BlockState, kPiecesAtOnce> run() {
        std::array<std::size_t, kPiecesAtOnce> x{}, y{}, z{};
        for (std::size_t k = 0; k < kPiecesAtOnce; ++k) {
            x[k] = k * W;
            y[k] = k * W + 3;
            z[k] = k * W + 1;
        }
        // Item r of a group leaves its control bit at byte 15 - r of its piece's row.
        alignas(16) std::uint8_t bits[kPiecesAtOnce * kItemsPerControlWord] = {};
        int rounds = 0;
        bool stop = false;
        const auto inReach = [&]<std::size_t... K>(std::index_sequence<K...>) {
            return ((x[K] + kGroupReach <= K * W + kFastEnd &&
                     y[K] + kGroupOutput <= K * W + kPieceSize) &&
                    ...);
        };
        const auto round = [&]<std::size_t... K>(std::index_sequence<K...>, std::uint8_t * at) {
            (item<K>(x[K], y[K], at + K * kItemsPerControlWord, stop), ...);
        };
        constexpr auto pieces = std::make_index_sequence<kPiecesAtOnce>{};
        while (!stop && inReach(pieces)) {
            if (rounds == kItemsPerControlWord) {
                for (std::size_t k = 0; k < kPiecesAtOnce; ++k) {
                    putWord(d_ + z[k], controlWord(bits + k * kItemsPerControlWord));
                    z[k] = y[k];
                    y[k] += 2;
                }
            }
            std::uint8_t* at = bits + kItemsPerControlWord - 1;
            for (rounds = 0; rounds < kItemsPerControlWord && !stop; ++rounds, --at)
                round(pieces, at);
        }
        std::array<BlockState, kPiecesAtOnce> states;
        for (std::size_t k = 0; k < kPiecesAtOnce; ++k) {
            const unsigned word = controlWord(bits + k * kItemsPerControlWord);
            states[k] = BlockState{x[k] - k * W, y[k] - k * W, z[k] - k * W, rounds,
                                   rounds == 0 ? 0u : word >> (kItemsPerControlWord - rounds)};
        }
        return states;
    }

private:
    // A row of 16 bytes of 0 or 1, item 0 last, as a control word.
    static unsigned controlWord(const std::uint8_t* row) {
        const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(row));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_slli_epi16(v, 7)));
    }

    template <std::size_t k>
    [[gnu::always_inline]] void item(std::size_t& x, std::size_t& y, std::uint8_t* bit,
                                     bool& stop) {
        const std::uint64_t w = load64(s_ + x);
        if (w == std::rotr(w, 8)) [[unlikely]] {  // eight equal bytes: perhaps a run
            const std::size_t r = runLength(s_ + x, 8, std::min(k * W + kPieceSize - x, kMaxRun));
            if (r >= kMinRun) {
                putRun(d_ + y, r, static_cast<std::uint8_t>(w));
                x += r;
                y += 4;
                *bit = 1;
                stop |= x + kGroupReach > k * W + kFastEnd || y + kGroupOutput > k * W + kPieceSize;
                return;
            }
        }
        std::uint16_t* const table = tables_ + k * kHashSize;
        const std::size_t h = hashes_[x];
        std::uint64_t candidate = table[h];  // within the piece, or kPieceSize for none
        table[h] = static_cast<std::uint16_t>(x - k * W);
        candidate += k * W;
        __asm__("" : "+r"(candidate));  // keeps k * W a displacement, not a register per piece
        const std::uint64_t offset = x - candidate;  // huge when the entry is empty
        const std::uint8_t* const q = s_ + candidate;
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s_ + x));
        const __m128i there = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        // Bit 16 set, so the count of agreeing bytes stops at 16.
        const std::uint64_t differ =
            static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, there))) ^ 0x1FFFFu;
        std::uint64_t length;
        __asm__("rep bsfq %1, %0" : "=r"(length) : "r"(differ) : "cc");
        if (length == 16) [[unlikely]] {
            std::uint16_t a, b;
            std::memcpy(&a, s_ + x + 16, 2);
            std::memcpy(&b, q + 16, 2);
            length += static_cast<std::uint64_t>(std::countr_zero(unsigned(a ^ b) | 0x10000u)) / 8;
        }
        const std::uint64_t none = 0;
        __asm__("cmp %[most], %[offset]\n\tcmova %[none], %[length]"
                : [length] "+r"(length)
                : [offset] "r"(offset), [most] "i"(kMaxOffset), [none] "r"(none)
                : "cc");
        std::uint64_t key = offset * 16 + length - kMinMatch;
        __asm__("rolw $8, %w0" : "+r"(key));  // high byte first
        std::uint64_t out = w, step = 1, match = 0;
        __asm__(
            "cmp %[least], %[length]\n\t"
            "cmova %[length], %[step]\n\t"
            "cmova %[key], %[out]\n\t"
            "seta %b[match]"
            : [step] "+r"(step), [out] "+r"(out), [match] "+r"(match)
            : [length] "r"(length), [key] "r"(key), [least] "i"(kMinMatch - 1)
            : "cc");
        const auto written = static_cast<std::uint16_t>(out);  // the literal, or the reference
        std::memcpy(d_ + y, &written, 2);
        y += 1 + match;
        x += step;
        *bit = static_cast<std::uint8_t>(match);
    }

    const std::uint8_t* const s_;
    std::uint8_t* const d_;
    std::uint16_t* const tables_;
    const std::uint16_t* const hashes_;
};

}  // namespace
#endif

void TBlockCoder::CompressBlocks(const std::uint8_t* s, std::uint8_t* d, std::uint16_t* lengths) {
#if defined(__x86_64__)
    std::int16_t* const tables = table_.get();
    std::uint16_t* const hashes = hashes_.get();
    for (std::size_t k = 0; k < kPiecesAtOnce; ++k)
        startBlock(s + k * kWorkBufferSize, kPieceSize, d + k * kWorkBufferSize,
                   tables + k * kHashSize, hashes + k * kWorkBufferSize);
    const auto states = Interleaved(s, d, tables, hashes).run();
    for (std::size_t k = 0; k < kPiecesAtOnce; ++k)
        lengths[k] = codeRest(s + k * kWorkBufferSize, kPieceSize, d + k * kWorkBufferSize,
                              tables + k * kHashSize, hashes + k * kWorkBufferSize, states[k]);
#else
    for (std::size_t k = 0; k < kPiecesAtOnce; ++k)
        lengths[k] = CompressBlock(s + k * kWorkBufferSize, kPieceSize, d + k * kWorkBufferSize);
#endif
}

namespace {

// For each byte of a control word: its bits in reverse order, and how many are set. One table,
// so that the decoder's assembly reaches both through one register.
struct ControlBytes {
    std::uint8_t reversed[256];
    std::uint8_t bitsSet[256];
};
constexpr ControlBytes kControlBytes = [] {
    ControlBytes table{};
    for (unsigned v = 0; v < 256; ++v) {
        for (unsigned bit = 0; bit < 8; ++bit)
            if (v & (1u << bit)) table.reversed[v] |= static_cast<std::uint8_t>(0x80u >> bit);
        table.bitsSet[v] = static_cast<std::uint8_t>(std::popcount(v));
    }
    return table;
}();
static_assert(offsetof(ControlBytes, bitsSet) == 256);

// Decoding keeps the group's items from the next one on, item 0 in bit 0, under an end mark: so
// the literals before the next reference are its trailing zeros, and when the items are shifted
// past those and one more, none are left if that one was the mark.
constexpr unsigned kGroupEnd = 1u << kItemsPerControlWord;
// While the next group starts this far from the block's end, and the output this far from the
// piece's end, items need no bounds checks: 16 items of at most 4 bytes and the next control
// word lie inside the block, and 16 of the longest references with a 16-byte copy after them
// fit the piece. A run or a careful reference checks again where it ends.
constexpr std::size_t kLongestGroup = kItemsPerControlWord * 4 + 2;
constexpr std::size_t kWidestGroup = kItemsPerControlWord * kMaxMatch + 2 * 16;

unsigned groupItems(const std::uint8_t* word) {
    return kControlBytes.reversed[word[0]] | (kControlBytes.reversed[word[1]] << 8) | kGroupEnd;
}

// Where the group after the one whose control word is at `word` starts, if it holds no run: past
// 16 items, a byte each and one more for each reference.
std::size_t nextGroupDistance(const std::uint8_t* word) {
    return 2 + kItemsPerControlWord + kControlBytes.bitsSet[word[0]] +
           kControlBytes.bitsSet[word[1]];
}

// How far decoding has come: the next item at b[in], o bytes out, the group's items as above.
struct DecodeState {
    std::size_t in;
    std::size_t o;
    unsigned items;
};

bool farFromEnds(const DecodeState& at, std::size_t length) {
    return at.in + kLongestGroup <= length && at.o + kWidestGroup <= kPieceSize;
}

// Decodes the reference or run at b + in into out + o and moves both past it. False when it is
// cut off by the block's end or would reach before the piece or beyond kPieceSize.
[[gnu::always_inline]] inline bool referenceOrRun(const std::uint8_t* b, std::size_t length,
                                                  std::size_t& in, std::uint8_t* out,
                                                  std::size_t& o) {
    if (in + 2 > length) return false;
    const unsigned b0 = b[in];
    const unsigned b1 = b[in + 1];
    const std::size_t offset = (b0 << 4) | (b1 >> 4);
    if (offset == 0) {
        if (in + 4 > length) return false;
        const std::size_t n = ((b1 & 0x0F) << 8) + b[in + 2] + kMinRun;
        if (o + n > kPieceSize) return false;
        std::memset(out + o, b[in + 3], n);
        o += n;
        in += 4;
        return true;
    }
    const std::size_t n = (b1 & 0x0F) + kMinMatch;
    if (offset > o || o + n > kPieceSize) return false;
    const std::uint8_t* from = out + o - offset;
    std::uint8_t* to = out + o;
    if (offset >= 16 && o + 2 * 16 <= kWorkBufferSize) {
        std::memcpy(to, from, 16);
        std::memcpy(to + 16, from + 16, 16);
    } else if (offset >= 8 && o + 3 * 8 <= kWorkBufferSize) {
        // Whole words, perhaps beyond the reference's end: each reads only bytes written before.
        std::memcpy(to, from, 8);
        std::memcpy(to + 8, from + 8, 8);
        std::memcpy(to + 16, from + 16, 8);
    } else {
        // A short pattern repeated, byte by byte. Always the longest count, which the slack
        // takes, so that the loop's end is no guess.
        static_assert(kPieceSize - kMinMatch + kMaxMatch <= kWorkBufferSize);
        for (std::size_t i = 0; i < kMaxMatch; ++i) to[i] = from[i];
    }
    o += n;
    in += 2;
    return true;
}

// The careful way for the reference at `at`, whose control bit is taken already: one the quick
// loop leaves alone, a run, one that overlaps its own output or a corrupt one. False when the
// block is corrupt. Out of line: inlined into the quick loops, it slows them by about 4 %.
[[gnu::noinline]] bool carefulReference(const std::uint8_t* b, std::size_t length,
                                        std::uint8_t* out, DecodeState& at) {
    return referenceOrRun(b, length, at.in, out, at.o);
}

// Decodes whole groups while they lie far from both ends (see kLongestGroup). Each turn copies
// the row of literals before the next reference (perhaps none) in one 16-byte copy, then copies
// the reference as 16 bytes and 2, whatever its length: the bytes past its end are written over
// later. That needs a source that ends before the output starts, a length no greater than the
// offset; nearly every reference has one, and the rest go the careful way.
// False when the block is corrupt.
bool decodeFarGroupsPortable(const std::uint8_t* b, std::size_t length, std::uint8_t* out,
                             DecodeState& at) {
    std::size_t& in = at.in;
    std::size_t& o = at.o;
    unsigned& items = at.items;
    while (farFromEnds(at, length)) {
        const std::size_t nextWord = in - 2 + nextGroupDistance(b + in - 2);
        const unsigned nextItems = groupItems(b + nextWord);
        for (;;) {
            // Never zero, thanks to the group's end mark.
            const auto literals = static_cast<unsigned>(std::countr_zero(items));
            std::memcpy(out + o, b + in, 16);
            o += literals;
            in += literals;
            items = (items >> 1) >> literals;
            if (items == 0) break;
            const unsigned key = (unsigned{b[in]} << 8) | b[in + 1];
            const std::size_t offset = key >> 4;
            const std::size_t n = (key & 0x0F) + kMinMatch;
            if (offset < n || offset > o) {
                if (!carefulReference(b, length, out, at)) return false;
                if (!farFromEnds(at, length)) return true;
                continue;
            }
            const std::uint8_t* const from = out + o - offset;
            std::uint8_t bytes[16];
            std::memcpy(bytes, from, sizeof bytes);
            std::memcpy(out + o, bytes, sizeof bytes);
            // Two bytes, not a second 16: those would reach into output written moments
            // before, which the processor cannot forward in one piece.
            std::uint16_t tail;
            std::memcpy(&tail, from + 16, sizeof tail);
            std::memcpy(out + o + 16, &tail, sizeof tail);
            o += n;
            in += 2;
        }
        items = in == nextWord ? nextItems : groupItems(b + in);
        in += 2;
    }
    return true;
}

#if defined(__x86_64__)
// The same steps in assembly, where the compiler's loop takes a third more instructions for
// them; with few jumps mispredicted, the loop's speed is the number of its instructions.
bool decodeFarGroupsX86(const std::uint8_t* b, std::size_t length, std::uint8_t* out,
                        DecodeState& at) {
    if (!farFromEnds(at, length)) return true;
    const std::uint8_t* const lastGroupStart = b + length - kLongestGroup;
    const std::uint8_t* const lastOutputStart = out + kPieceSize - kWidestGroup;
    // The next group's control word, fetched a group ahead so that it is at hand when this
    // group ends; a run moves it, which the check at the group's end finds.
    const std::uint8_t* nextWord = b + at.in - 2 + nextGroupDistance(b + at.in - 2);
    unsigned nextItems = groupItems(nextWord);
    for (;;) {
        const std::uint8_t* ip = b + at.in;
        std::uint8_t* op = out + at.o;
        std::uint64_t key, offset, from, stop;
        asm volatile(
            "jmp 3f\n\t"
            // A reference: its key high byte first, the length the low 4 bits + 3, the offset
            // the top 12 bits. One that overlaps its own output (a run among them) or reaches
            // before the piece goes the careful way.
            "2:\n\t"
            "movzwl (%[ip]), %k[key]\n\t"
            "rol $8, %w[key]\n\t"
            "mov %k[key], %k[offset]\n\t"
            "shr $4, %k[offset]\n\t"
            "and $15, %k[key]\n\t"
            "add $3, %k[key]\n\t"
            "cmp %k[key], %k[offset]\n\t"
            "jb 8f\n\t"
            "mov %[op], %[from]\n\t"
            "sub %[offset], %[from]\n\t"
            "cmp %[out], %[from]\n\t"
            "jb 8f\n\t"
            "movdqu (%[from]), %%xmm1\n\t"
            "movdqu %%xmm1, (%[op])\n\t"
            "movzwl 16(%[from]), %k[stop]\n\t"
            "mov %w[stop], 16(%[op])\n\t"
            "add %[key], %[op]\n\t"
            "add $2, %[ip]\n\t"
            // The row of literals (perhaps none) before the next reference or the group's end.
            // The items are shifted past it and past that item, so none are left at the end.
            "3:\n\t"
            "tzcnt %[items], %%ecx\n\t"
            "shr $1, %[items]\n\t"
            "movdqu (%[ip]), %%xmm0\n\t"
            "movdqu %%xmm0, (%[op])\n\t"
            "add %%rcx, %[ip]\n\t"
            "add %%rcx, %[op]\n\t"
            "shr %%cl, %[items]\n\t"
            "test %[items], %[items]\n\t"
            "jnz 2b\n\t"
            // The group's end: ip at the next control word, unless a run moved it.
            "cmp %[ip], %[nextWord]\n\t"
            "jne 6f\n\t"
            "4:\n\t"
            "mov %k[nextItems], %k[items]\n\t"
            "add $2, %[ip]\n\t"
            "cmp %[lastGroupStart], %[ip]\n\t"
            "ja 7f\n\t"
            "cmp %[lastOutputStart], %[op]\n\t"
            "ja 7f\n\t"
            // The control word after this group: past 16 items, a byte each and one more for
            // each reference.
            "movzbl -2(%[ip]), %k[key]\n\t"
            "movzbl -1(%[ip]), %k[offset]\n\t"
            "movzbl 256(%[tables],%[key]), %k[key]\n\t"
            "movzbl 256(%[tables],%[offset]), %k[offset]\n\t"
            "lea 16(%[ip],%[key]), %[nextWord]\n\t"
            "add %[offset], %[nextWord]\n\t"
            "5:\n\t"
            "movzbl (%[nextWord]), %k[key]\n\t"
            "movzbl 1(%[nextWord]), %k[offset]\n\t"
            "movzbl (%[tables],%[key]), %k[nextItems]\n\t"
            "movzbl (%[tables],%[offset]), %k[offset]\n\t"
            "shl $8, %k[offset]\n\t"
            "or %k[offset], %k[nextItems]\n\t"
            "or %[groupEnd], %k[nextItems]\n\t"
            // Only after a run is it the control word at ip, fetched late.
            "cmp %[ip], %[nextWord]\n\t"
            "je 4b\n\t"
            "jmp 3b\n\t"
            "6:\n\t"
            "mov %[ip], %[nextWord]\n\t"
            "jmp 5b\n\t"
            // Stops: 0, a new group near an end; 1, a reference for the careful way.
            "7:\n\t"
            "xor %k[stop], %k[stop]\n\t"
            "jmp 9f\n\t"
            "8:\n\t"
            "mov $1, %k[stop]\n\t"
            "9:\n\t"
            : [ip] "+r"(ip), [op] "+r"(op), [items] "+r"(at.items), [nextWord] "+r"(nextWord),
              [nextItems] "+r"(nextItems), [key] "=&r"(key), [offset] "=&r"(offset),
              [from] "=&r"(from), [stop] "=&r"(stop)
            : [out] "r"(out), [tables] "r"(&kControlBytes), [lastGroupStart] "m"(lastGroupStart),
              [lastOutputStart] "m"(lastOutputStart), [groupEnd] "i"(kGroupEnd)
            : "rcx", "xmm0", "xmm1", "cc", "memory");
        at.in = static_cast<std::size_t>(ip - b);
        at.o = static_cast<std::size_t>(op - out);
        if (stop == 0) return true;
        if (!carefulReference(b, length, out, at)) return false;
        if (!farFromEnds(at, length)) return true;
    }
}
#endif

template <bool kPortable>
std::ptrdiff_t decompressBlock(const std::uint8_t* b, std::size_t length, std::uint8_t* out) {
    if (length <= 1) return 0;
    if (b[0] == kStoredBlock) {
        if (length - 1 > kPieceSize) return -1;
        std::memcpy(out, b + 1, length - 1);
        return static_cast<std::ptrdiff_t>(length - 1);
    }
    if (length < 3) return -1;
    DecodeState at{3, 0, groupItems(b + 1)};
#if defined(__x86_64__)
    const bool whole = kPortable ? decodeFarGroupsPortable(b, length, out, at)
                                 : decodeFarGroupsX86(b, length, out, at);
#else
    const bool whole = decodeFarGroupsPortable(b, length, out, at);
#endif
    if (!whole) return -1;

    // Near either end every item is checked on its own. The items left in the group are those
    // below the end mark.
    std::size_t& in = at.in;
    std::size_t& o = at.o;
    unsigned control = at.items;
    auto bits = static_cast<unsigned>(std::bit_width(control) - 1);
    while (in < length) {
        if (bits == 0) {
            if (in + 2 >= length) return -1;  // a control word with no item after it
            control = groupItems(b + in);
            in += 2;
            bits = kItemsPerControlWord;
        }
        if ((control & 1) == 0) {
            if (o >= kPieceSize) return -1;
            out[o++] = b[in++];
        } else if (!referenceOrRun(b, length, in, out, o)) {
            return -1;
        }
        control >>= 1;
        --bits;
    }
    return static_cast<std::ptrdiff_t>(o);
}

}  // namespace

std::ptrdiff_t TBlockCoder::DecompressBlock(const std::uint8_t* block, std::size_t length,
                                            std::uint8_t* out) {
    return decompressBlock<false>(block, length, out);
}

std::ptrdiff_t TBlockCoder::DecompressBlockPortable(const std::uint8_t* block, std::size_t length,
                                                    std::uint8_t* out) {
    return decompressBlock<true>(block, length, out);
}

}  // namespace mb
