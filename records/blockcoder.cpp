#include "records/blockcoder.h"

#include <algorithm>
#include <array>
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
// Pieces that CompressPieces codes side by side (see quickLanes).
constexpr std::size_t kLanes = 3;
constexpr unsigned kItemsPerControlWord = 16;
// An empty table entry; every position of a piece is further than kMaxOffset from it, so one
// test of the offset covers both.
constexpr std::int32_t kNoPosition = -static_cast<std::int32_t>(kMaxOffset) - 1;

std::uint64_t load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// How many leading bytes two words read by load64 share; `diff`, their exclusive or, is not 0.
std::size_t sharedBytes(std::uint64_t diff) {
    const int bits = std::endian::native == std::endian::little ? std::countr_zero(diff)
                                                                : std::countl_zero(diff);
    return static_cast<unsigned>(bits) / 8;
}

// All ones when `condition` holds, else 0: a mask that picks a value with no branch.
std::uint64_t maskIf(bool condition) {
    return 0 - static_cast<std::uint64_t>(condition);
}

// Leading bytes that agree at a and b, at most `limit`; reads no further.
std::size_t agreeing(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit) {
    std::size_t n = 0;
    while (n < limit && a[n] == b[n]) ++n;
    return n;
}

// Leading bytes that agree at a and b, at most kMaxMatch; reads 18 bytes at each. The first two
// words are compared with masks rather than tests: whether a match goes past the first word
// cannot be guessed in advance, and a wrong guess costs more than comparing both. A match past
// the second is rare, so that test is well guessed. `refused`, 1 or 0, makes the first bytes
// differ whatever they hold: for a candidate out of reach, which the caller points at a itself.
inline std::size_t agreeingUpToMatch(const std::uint8_t* a, const std::uint8_t* b,
                                     std::uint64_t refused) {
    const std::uint64_t first = (load64(a) ^ load64(b)) | refused;
    const std::uint64_t second = load64(a + 8) ^ load64(b + 8);
    const std::uint64_t pastFirst = maskIf(first == 0);
    const std::uint64_t diff = first | (pastFirst & second);
    if (diff == 0) [[unlikely]]
        return 16 + agreeing(a + 16, b + 16, kMaxMatch - 16);
    return static_cast<std::size_t>(pastFirst & 8) + sharedBytes(diff);
}

// Only the product's low 16 bits count, so that a vector of 16-bit numbers can take it.
std::uint16_t hash3(std::uint32_t b0, std::uint32_t b1, std::uint32_t b2) {
    const auto product = static_cast<std::uint16_t>(((b0 << 8) ^ (b1 << 4) ^ b2) * kHashMultiplier);
    return static_cast<std::uint16_t>(product >> 4);
}
static_assert(kHashSize == 1 << 12);

constexpr std::size_t kHashRow = 16;

// The hashes of the piece s of n bytes, in rows of kHashRow positions, at every position up to
// kHashRow + 1 before the end. Each row goes through a local array, which tells the compiler
// that the hashes written do not change the bytes read, so it codes the row as vector
// instructions.
void hashRows(const std::uint8_t* s, std::size_t n, std::uint16_t* hashes) {
    for (std::size_t i = 0; i + kHashRow + 2 <= n; i += kHashRow) {
        std::uint16_t row[kHashRow];
        for (std::size_t j = 0; j < kHashRow; ++j)
            row[j] = hash3(s[i + j], s[i + j + 1], s[i + j + 2]);
        std::memcpy(hashes + i, row, sizeof row);
    }
}

// How far the byte at s repeats, s[0] included, at most `limit` bytes; the first `known` are
// known to repeat.
std::size_t runLength(const std::uint8_t* s, std::size_t known, std::size_t limit) {
    std::size_t r = known;
    while (r < limit && s[r] == s[0]) ++r;
    return r;
}

void putWord(std::uint8_t* at, unsigned word) {
    at[0] = static_cast<std::uint8_t>(word >> 8);
    at[1] = static_cast<std::uint8_t>(word);
}

// Writes the items of a coded block: each group of 16 items is led by a control word whose bits,
// from the top, say literal (0) or reference or run (1). The caller starts the next group when
// one is full.
class BlockWriter {
public:
    BlockWriter() = default;
    explicit BlockWriter(std::uint8_t* d) : d_(d), y_(d + 3), z_(d + 1) { d_[0] = kCodedBlock; }

    // Bytes written so far, the flag and the control word of the current group included.
    std::size_t size() const { return static_cast<std::size_t>(y_ - d_); }
    unsigned items() const { return static_cast<unsigned>(std::bit_width(control_)) - 1; }
    bool groupFull() const { return control_ >= kGroupFull; }
    void nextGroup() {
        putWord(z_, control_);
        z_ = y_;
        y_ += 2;
        control_ = 1;
    }

    void literal(std::uint8_t c) {
        *y_++ = c;
        addItem(0);
    }
    void reference(std::size_t offset, std::size_t length) {
        putWord(y_, static_cast<unsigned>(offset * 16 + (length - kMinMatch)));
        y_ += 2;
        addItem(1);
    }
    // A literal or a reference, chosen by `isReference` with no branch: both are written, the
    // literal's byte over the reference's first, and the write position moves by the one chosen.
    // The byte after a literal is written over by the next item or lies past the block's end.
    void literalOrReference(bool isReference, std::uint8_t c, std::size_t offset,
                            std::size_t length) {
        const auto word = static_cast<unsigned>(offset * 16 + (length - kMinMatch));
        const auto pick = static_cast<unsigned>(maskIf(isReference));
        y_[0] = static_cast<std::uint8_t>(c ^ ((c ^ (word >> 8)) & pick));
        y_[1] = static_cast<std::uint8_t>(word);
        y_ += 1 + (pick & 1);
        addItem(pick & 1);
    }
    // A run: the offset 0, then its length and its byte.
    void run(std::size_t length, std::uint8_t c) {
        y_[0] = 0;
        putWord(y_ + 1, static_cast<unsigned>(length - kMinRun));
        y_[3] = c;
        y_ += 4;
        addItem(1);
    }
    // Writes the last control word, its unused bits 0, and returns the block's length.
    std::size_t finish() {
        putWord(z_, control_ << (kItemsPerControlWord - items()));
        return size();
    }

private:
    void addItem(unsigned bit) { control_ = (control_ << 1) | bit; }
    // The bits of the group's items so far, below a 1 that marks how many there are: the mark
    // reaches this bit when the group is full.
    static constexpr unsigned kGroupFull = 1u << kItemsPerControlWord;

    std::uint8_t* d_ = nullptr;
    std::uint8_t* y_ = nullptr;  // write position
    std::uint8_t* z_ = nullptr;  // the current control word
    unsigned control_ = 1;
};

// How far past an item's position the quick loop may read: more than agreeingUpToMatch's 18
// bytes, and past the last position that hashRows covers.
constexpr std::size_t kLookAhead = 24;
// A whole group is coded with no test of the piece's ends while its first item lies this far
// from the end of the input (16 of the longest references and a look ahead from the last) and
// the output this far from the piece's length (16 items of at most 4 bytes and a control word),
// so that no item of the group starts past the length, where the piece is stored instead.
constexpr std::size_t kGroupReach = kItemsPerControlWord * kMaxMatch + kLookAhead;
static_assert(kLookAhead > kHashRow + 1, "hashRows covers every position of the quick loop");
constexpr std::size_t kGroupOutput = kItemsPerControlWord * 4 + 2;

// One piece being coded: its bytes, how far coding has come, and its own tables, so that
// several pieces can be coded side by side.
struct Lane {
    Lane() = default;
    Lane(const std::uint8_t* src, std::size_t length, std::uint8_t* dst, std::int16_t* ownTable,
         std::uint16_t* ownHashes)
        : s(src), n(length), d(dst), out(dst), table(ownTable), hashes(ownHashes) {}

    // Whether the rest of the current group, or the next whole one, can be coded the quick way.
    bool far() const { return x + kGroupReach <= n && out.size() + kGroupOutput <= n; }

    const std::uint8_t* s = nullptr;
    std::size_t n = 0;
    std::uint8_t* d = nullptr;
    BlockWriter out;
    std::int16_t* table = nullptr;    // the last position of each hash
    std::uint16_t* hashes = nullptr;  // of the positions of the piece
    std::size_t x = 0;                // read position
};

// Codes the lanes side by side, an item of each in turn, while every one is far from its ends.
// Their steps do not depend on each other, so the processor works on all of them at once; one
// piece alone would leave it waiting on each item's table look up and comparison. Every lane
// starts its groups with the others: all start empty and take one item a turn. A lane that a
// run carries near its end stops the loop at the end of the turn; the rest of its group goes
// the careful way.
//
// Each position tries, in order: a run of its byte, a reference to the last position with the
// same hash, a literal.
//
// The lanes are copied into a local array, and the loop over them is unrolled (a request that a
// compiler may ignore, and the code stays right): so each lane is named by a constant index and
// the compiler can keep its state in registers. Left where the caller has it, the state could
// be changed by any byte the block writer stores, as far as the compiler knows, and would be
// read again from memory after every store.
template <std::size_t Lanes>
void quickLanes(Lane* lanes) {
    Lane local[Lanes];
    std::copy(lanes, lanes + Lanes, local);
    bool allFar = true;
    while (allFar) {
        for (std::size_t l = 0; l < Lanes; ++l) allFar &= local[l].far();
        if (!allFar) break;
        for (std::size_t l = 0; l < Lanes; ++l)
            if (local[l].out.groupFull()) local[l].out.nextGroup();
        for (unsigned item = local[0].out.items(); allFar && item < kItemsPerControlWord; ++item) {
#pragma GCC unroll 3  // kLanes
            for (std::size_t l = 0; l < Lanes; ++l) {
                Lane& lane = local[l];
                const std::uint8_t* const s = lane.s;
                const std::size_t x = lane.x;
                const std::uint8_t c = s[x];
                // A run starts with 9 equal bytes at least, which a word equal to the word a
                // byte further shows; rare in most data, so a branch that is well guessed.
                if (load64(s + x) == load64(s + x + 1)) {
                    const std::size_t r = runLength(s + x, 9, std::min(lane.n - x, kMaxRun));
                    if (r >= kMinRun) {
                        lane.out.run(r, c);
                        lane.x = x + r;
                        allFar &= lane.x + kGroupReach <= lane.n;
                        continue;
                    }
                }
                // Literal or reference is close to a coin toss on text, so it is chosen with
                // masks, not a branch: every step below is done either way and the result
                // picked. An empty entry, or one too far back, is compared with the position
                // itself and refused.
                const std::uint16_t h = lane.hashes[x];
                const std::size_t offset =
                    x - static_cast<std::size_t>(std::ptrdiff_t{lane.table[h]});
                lane.table[h] = static_cast<std::int16_t>(x);
                const std::uint64_t inReach = maskIf(offset <= kMaxOffset);
                const std::size_t length =
                    agreeingUpToMatch(s + x, s + x - (offset & inReach), ~inReach & 1);
                const bool isReference = length >= kMinMatch;
                lane.out.literalOrReference(isReference, c, offset, length);
                lane.x = x + 1 + ((length - 1) & maskIf(isReference));
            }
        }
    }
    std::copy(local, local + Lanes, lanes);
}

// The same steps near the end, every read held to the piece. In the last two positions no
// reference can reach three bytes, so their hash, which would read past the piece, is skipped.
// Returns the block's length.
std::uint16_t finishLane(Lane& lane) {
    const std::uint8_t* const s = lane.s;
    const std::size_t n = lane.n;
    std::size_t x = lane.x;
    BlockWriter& out = lane.out;
    while (x < n && out.size() <= n) {
        if (out.groupFull()) out.nextGroup();
        const std::uint8_t c = s[x];
        const std::size_t r = runLength(s + x, 1, std::min(n - x, kMaxRun));
        if (r >= kMinRun) {
            out.run(r, c);
            x += r;
            continue;
        }
        std::size_t length = 0;
        std::size_t offset = 0;
        if (x + 2 < n) {
            const std::uint32_t h = hash3(c, s[x + 1], s[x + 2]);
            offset = x - static_cast<std::size_t>(std::ptrdiff_t{lane.table[h]});
            lane.table[h] = static_cast<std::int16_t>(x);
            if (offset <= kMaxOffset)
                length = agreeing(s + x, s + x - offset, std::min(kMaxMatch, n - x));
        }
        if (length >= kMinMatch) {
            out.reference(offset, length);
            x += length;
        } else {
            out.literal(c);
            ++x;
        }
    }

    const std::size_t y = out.finish();
    if (y > n) {
        lane.d[0] = kStoredBlock;
        // An empty piece may come with no bytes at all (a null pointer), which memcpy may not
        // take even for 0 bytes.
        if (n > 0) std::memcpy(lane.d + 1, s, n);
        return static_cast<std::uint16_t>(n + 1);
    }
    return static_cast<std::uint16_t>(y);
}

// Codes the pieces of `lanes`, side by side while all are far from their ends, then each alone.
template <std::size_t Lanes>
void codeLanes(Lane* lanes, std::uint16_t* lengths) {
    for (std::size_t l = 0; l < Lanes; ++l) {
        Lane& lane = lanes[l];
        std::fill(lane.table, lane.table + kHashSize, static_cast<std::int16_t>(kNoPosition));
        // The hash of every position that the quick loop may reach, made beforehand: off the
        // chain from one item to the next, and in rows the compiler makes into vector
        // instructions.
        if (lane.n >= kGroupReach) hashRows(lane.s, lane.n, lane.hashes);
    }
    if constexpr (Lanes > 1) quickLanes<Lanes>(lanes);
    for (std::size_t l = 0; l < Lanes; ++l) {
        quickLanes<1>(&lanes[l]);
        lengths[l] = finishLane(lanes[l]);
    }
}

}  // namespace

TBlockCoder::TBlockCoder()
    : table_(new (std::nothrow) std::int16_t[kLanes * kHashSize]),
      hashes_(new (std::nothrow) std::uint16_t[kLanes * kPieceSize]) {
    if (!table_ || !hashes_) throw EBlockCoderError("LZRW1KH : no memory for HASH table");
}

std::uint16_t TBlockCoder::CompressBlock(const std::uint8_t* s, std::size_t n, std::uint8_t* d) {
    Lane lane(s, n, d, table_.get(), hashes_.get());
    std::uint16_t length = 0;
    codeLanes<1>(&lane, &length);
    return length;
}

std::size_t TBlockCoder::CompressPieces(const std::uint8_t* src, std::size_t n,
                                        std::uint8_t* blocks, std::uint16_t* lengths) {
    const std::size_t pieces = std::max<std::size_t>(1, (n + kPieceSize - 1) / kPieceSize);
    std::size_t done = 0;
    while (done < pieces) {
        // The pieces left are shared out evenly among the turns they need: a lane alone is the
        // slowest way.
        const std::size_t turns = (pieces - done + kLanes - 1) / kLanes;
        const std::size_t count = (pieces - done + turns - 1) / turns;
        Lane lanes[kLanes];
        for (std::size_t l = 0; l < count; ++l) {
            const std::size_t at = (done + l) * kPieceSize;
            lanes[l] = Lane(src + at, std::min(kPieceSize, n - std::min(n, at)),
                            blocks + (done + l) * kWorkBufferSize, table_.get() + l * kHashSize,
                            hashes_.get() + l * kPieceSize);
        }
        static_assert(kLanes == 3, "a case below for every number of lanes");
        if (count == 1)
            codeLanes<1>(lanes, lengths + done);
        else if (count == 2)
            codeLanes<2>(lanes, lengths + done);
        else
            codeLanes<3>(lanes, lengths + done);
        done += count;
    }
    return pieces;
}

namespace {

// The items of a group as the decoder keeps them: item 0 in bit 0, up to an end mark above the
// last. So the literals before the next reference are the trailing zeros, and once the items are
// shifted past those and one more, none are left if that one was the mark.
constexpr unsigned kGroupEnd = 1u << kItemsPerControlWord;

// Each byte's bits in reverse order.
constexpr auto kReversed = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned v = 0; v < 256; ++v)
        for (unsigned bit = 0; bit < 8; ++bit)
            if (v & (1u << bit)) table[v] |= static_cast<std::uint8_t>(0x80u >> bit);
    return table;
}();

// The items of the control word at `word`, whose top bit is item 0.
unsigned groupItems(const std::uint8_t* word) {
    return kReversed[word[0]] | (kReversed[word[1]] << 8) | kGroupEnd;
}

// While a group starts this far from the block's end, and the output this far from the piece's
// end, its items need no bounds tests: 16 items of at most 4 bytes and the next control word lie
// inside the block, and 16 of the longest references and a 16-byte copy of literals after them
// fit the piece. A run may go further and is tested on its own.
constexpr std::size_t kLongestGroup = kItemsPerControlWord * 4 + 2;
constexpr std::size_t kWidestGroup = kItemsPerControlWord * kMaxMatch + 16;
static_assert(kWidestGroup <= kPieceSize);

// Where decoding stands: the next item at b[in], `out` bytes written. Passed and returned by
// value, so that both stay in registers: the output's bytes could alias anything in memory.
struct Cursor {
    std::size_t in;
    std::size_t out;
};

// Decodes the reference or run at `at` into out and returns the cursor past it, or in 0 when it
// is cut off by the block's end or would reach before the piece or beyond kPieceSize.
Cursor referenceOrRun(const std::uint8_t* b, std::size_t length, Cursor at, std::uint8_t* out) {
    constexpr Cursor kCorrupt{0, 0};
    const std::size_t in = at.in;
    const std::size_t o = at.out;
    if (in + 2 > length) return kCorrupt;
    const std::size_t offset = (std::size_t{b[in]} << 4) | (b[in + 1] >> 4);
    if (offset == 0) {
        if (in + 4 > length) return kCorrupt;
        const std::size_t n = ((b[in + 1] & 0x0Fu) << 8) + b[in + 2] + kMinRun;
        if (o + n > kPieceSize) return kCorrupt;
        std::memset(out + o, b[in + 3], n);
        return {in + 4, o + n};
    }
    const std::size_t n = (b[in + 1] & 0x0Fu) + kMinMatch;
    if (offset > o || o + n > kPieceSize) return kCorrupt;
    // Byte by byte: a reference may repeat bytes it has just written.
    for (std::size_t i = 0; i < n; ++i) out[o + i] = out[o + i - offset];
    return {in + 2, o + n};
}

}  // namespace

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
    std::size_t o = 0;
    unsigned items = groupItems(b + 1);

    // The quick loop, a group at a time while far from both ends. Each turn copies the literals
    // before the next reference (perhaps none, at most 16) as one 16-byte copy, then the
    // reference as 18 bytes, whatever its length: bytes past either's end are written over
    // later. That needs a reference that does not overlap its own output (a length no greater
    // than its offset); nearly every one does, and the rest, runs and corrupt ones go the careful
    // way, after which the group goes on here only while still far from both ends.
    bool far = in + kLongestGroup <= length && o + kWidestGroup <= kPieceSize;
    while (far) {
        const auto literals = static_cast<unsigned>(std::countr_zero(items));
        std::memcpy(out + o, b + in, 16);
        o += literals;
        in += literals;
        items = (items >> 1) >> literals;
        if (items == 0) {  // the group's end
            items = groupItems(b + in);
            in += 2;
            far = in + kLongestGroup <= length && o + kWidestGroup <= kPieceSize;
            continue;
        }
        const unsigned key = (unsigned{b[in]} << 8) | b[in + 1];
        const std::size_t offset = key >> 4;
        const std::size_t n = (key & 0x0Fu) + kMinMatch;
        if (offset >= n && offset <= o) {
            // Every byte of the reference is read before any is written: source and destination
            // overlap when the offset is below 18.
            std::uint8_t bytes[kMaxMatch];
            std::memcpy(bytes, out + o - offset, sizeof bytes);
            std::memcpy(out + o, bytes, sizeof bytes);
            o += n;
            in += 2;
        } else {
            const Cursor next = referenceOrRun(b, length, {in, o}, out);
            if (next.in == 0) return -1;
            in = next.in;
            o = next.out;
            far = in + kLongestGroup <= length && o + kWidestGroup <= kPieceSize;
        }
    }

    // Near either end every item is tested on its own. The items left in the group are those
    // below the end mark.
    while (in < length) {
        if (items == 1) {
            if (in + 2 >= length) return -1;  // a control word with no item after it
            items = groupItems(b + in);
            in += 2;
        }
        if ((items & 1) == 0) {
            if (o >= kPieceSize) return -1;
            out[o++] = b[in++];
        } else {
            const Cursor next = referenceOrRun(b, length, {in, o}, out);
            if (next.in == 0) return -1;
            in = next.in;
            o = next.out;
        }
        items >>= 1;
    }
    return static_cast<std::ptrdiff_t>(o);
}

}  // namespace mb
