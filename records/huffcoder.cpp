#include "records/huffcoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace mb {
namespace {

constexpr int kRing = 4096;            // dictionary size
constexpr int kLookahead = 60;         // longest match
constexpr int kLongestLiteralRun = 2;  // matches this short or shorter go out as literals
constexpr int kSymbols = 256 - kLongestLiteralRun + kLookahead;  // 314
constexpr int kNodes = 2 * kSymbols - 1;                         // 627
constexpr int kRoot = kNodes - 1;
constexpr unsigned kRebuildAt = 0x8000;
constexpr int kStart = kRing - kLookahead;                  // where coding starts in the dictionary
constexpr std::uint8_t kFill = 0x20;                        // what the dictionary holds before that
constexpr int kMatchSymbolBase = 255 - kLongestLiteralRun;  // symbol = length + 253
constexpr std::size_t kIoChunk = 32768;
constexpr int kChainDepth = 64;  // candidates tried per position by the encoder

// The fixed code for the upper six bits of a match position: lengths by value, codes handed
// out in increasing value order as left-aligned 8-bit patterns.
struct PositionCode {
    std::array<std::uint8_t, 64> length{};
    std::array<std::uint8_t, 64> pattern{};
    std::array<std::uint8_t, 256> valueOf{};
    std::array<std::uint8_t, 256> lengthOf{};
};

constexpr PositionCode makePositionCode() {
    PositionCode pc;
    constexpr int kCounts[][2] = {{3, 1}, {4, 3}, {5, 8}, {6, 12}, {7, 24}, {8, 16}};
    int value = 0;
    int next = 0;
    for (const auto& [bits, count] : kCounts) {
        for (int i = 0; i < count; ++i, ++value) {
            pc.length[value] = static_cast<std::uint8_t>(bits);
            pc.pattern[value] = static_cast<std::uint8_t>(next);
            const int span = 256 >> bits;
            for (int p = next; p < next + span; ++p) {
                pc.valueOf[p] = static_cast<std::uint8_t>(value);
                pc.lengthOf[p] = static_cast<std::uint8_t>(bits);
            }
            next += span;
        }
    }
    return pc;
}

constexpr PositionCode kPosition = makePositionCode();
static_assert(kPosition.pattern[5] == 0x58 && kPosition.pattern[63] == 0xFF);

// The adaptive Huffman tree. Nodes are kept in order of frequency; node k's children are
// child[k] and child[k] + 1, or child[k] - kNodes is its symbol when it is a leaf. parent[k]
// is node k's parent, and parent[kNodes + s] is the node holding symbol s.
struct Tree {
    std::array<std::uint16_t, kNodes + 1> freq;
    std::array<int, kNodes + kSymbols> parent;
    std::array<int, kNodes> child;

    Tree() {
        for (int s = 0; s < kSymbols; ++s) {
            freq[s] = 1;
            child[s] = s + kNodes;
            parent[s + kNodes] = s;
        }
        for (int i = 0, k = kSymbols; k <= kRoot; i += 2, ++k) {
            freq[k] = static_cast<std::uint16_t>(freq[i] + freq[i + 1]);
            child[k] = i;
            parent[i] = parent[i + 1] = k;
        }
        freq[kNodes] = 0xFFFF;  // stops the search for a swap partner
        parent[kRoot] = 0;
    }

    // Halves every leaf (rounding up) and builds the inner nodes again.
    void rebuild() {
        int leaves = 0;
        for (int k = 0; k < kNodes; ++k) {
            if (child[k] >= kNodes) {
                freq[leaves] = static_cast<std::uint16_t>((freq[k] + 1) / 2);
                child[leaves] = child[k];
                ++leaves;
            }
        }
        for (int i = 0, k = kSymbols; k < kNodes; i += 2, ++k) {
            const std::uint16_t f = static_cast<std::uint16_t>(freq[i] + freq[i + 1]);
            int at = k - 1;
            while (f < freq[at]) --at;
            ++at;
            std::memmove(&freq[at + 1], &freq[at], sizeof(freq[0]) * (k - at));
            std::memmove(&child[at + 1], &child[at], sizeof(child[0]) * (k - at));
            freq[at] = f;
            child[at] = i;
        }
        for (int k = 0; k < kNodes; ++k) {
            const int c = child[k];
            parent[c] = k;
            if (c < kNodes) parent[c + 1] = k;
        }
    }

    // Counts one more occurrence of symbol s, moving nodes to keep the order.
    void update(int s) {
        if (freq[kRoot] == kRebuildAt) rebuild();
        int k = parent[s + kNodes];
        do {
            const std::uint16_t f = ++freq[k];
            if (f > freq[k + 1]) {
                int l = k + 1;
                while (f > freq[l + 1]) ++l;
                freq[k] = freq[l];
                freq[l] = f;
                const int ck = child[k];
                parent[ck] = l;
                if (ck < kNodes) parent[ck + 1] = l;
                const int cl = child[l];
                child[l] = ck;
                parent[cl] = k;
                if (cl < kNodes) parent[cl + 1] = k;
                child[k] = cl;
                k = l;
            }
            k = parent[k];
        } while (k != 0);
    }
};

std::unique_ptr<Tree> newTree() {
    std::unique_ptr<Tree> tree(new (std::nothrow) Tree);
    if (!tree) throw EHuffCoderError("LZH : Cannot get memory for dictionary tables");
    return tree;
}

class BitWriter {
public:
    explicit BitWriter(ByteSink& sink) : sink_(sink) {}
    // Appends the low `count` bits of value, most significant first.
    void put(std::uint32_t value, int count) {
        acc_ = (acc_ << count) | value;
        bits_ += count;
        while (bits_ >= 8) {
            bits_ -= 8;
            buffer_[used_++] = static_cast<std::uint8_t>(acc_ >> bits_);
            if (used_ == buffer_.size()) drain();
        }
    }
    void finish() {
        if (bits_ > 0) put(0, 8 - bits_);
        drain();
    }

private:
    void drain() {
        if (used_ > 0) sink_.write(buffer_.data(), used_);
        used_ = 0;
    }
    ByteSink& sink_;
    std::uint64_t acc_ = 0;
    int bits_ = 0;
    std::array<std::uint8_t, kIoChunk> buffer_{};
    std::size_t used_ = 0;
};

// Thrown inside the decoder when the stream is used up; ends decoding.
struct StreamExhausted {};

class BitReader {
public:
    explicit BitReader(ByteSource& source) : source_(source) {}
    int bit() {
        if (bits_ == 0) refill();
        --bits_;
        return static_cast<int>((acc_ >> bits_) & 1);
    }
    // The next `count` bits (at most 16), most significant first.
    unsigned take(int count) {
        if (bits_ < count) refill();
        bits_ -= count;
        return static_cast<unsigned>(acc_ >> bits_) & ((1u << count) - 1);
    }

private:
    // Past the end, zero bytes stand in, but only enough for the look-ahead of this reader and
    // an encoder's padding; a stream that needs more is cut short.
    static constexpr int kZeroBytesAllowed = 8 + 2;
    void refill() {
        while (bits_ <= 56) {
            if (at_ == have_ && !ended_) {
                have_ = source_.read(buffer_.data(), buffer_.size());
                at_ = 0;
                ended_ = have_ == 0;
            }
            std::uint8_t byte = 0;
            if (at_ < have_) {
                byte = buffer_[at_++];
            } else if (++zeroBytes_ > kZeroBytesAllowed) {
                throw StreamExhausted{};
            }
            acc_ = (acc_ << 8) | byte;
            bits_ += 8;
        }
    }
    ByteSource& source_;
    std::uint64_t acc_ = 0;
    int bits_ = 0;
    std::array<std::uint8_t, kIoChunk> buffer_{};
    std::size_t at_ = 0;
    std::size_t have_ = 0;
    bool ended_ = false;
    int zeroBytes_ = 0;
};

class Decoder {
public:
    Decoder(ByteSource& in, ByteSink& out) : bits_(in), out_(out), tree_(newTree()) {
        ring_.fill(0);
        std::memset(ring_.data(), kFill, kStart);
    }

    std::int64_t run(std::int64_t size) {
        try {
            while (produced_ < size) {
                const int symbol = nextSymbol();
                if (symbol < 256) {
                    emit(static_cast<std::uint8_t>(symbol));
                } else {
                    const int from = (at_ - position() - 1) & (kRing - 1);
                    const int length = symbol - kMatchSymbolBase;
                    for (int k = 0; k < length; ++k) emit(ring_[(from + k) & (kRing - 1)]);
                }
            }
        } catch (const StreamExhausted&) {
        }
        drain();
        return produced_;
    }

private:
    int nextSymbol() {
        int k = tree_->child[kRoot];
        while (k < kNodes) k = tree_->child[k + bits_.bit()];
        const int symbol = k - kNodes;
        tree_->update(symbol);
        return symbol;
    }
    int position() {
        const unsigned first = bits_.take(8);
        const int more = kPosition.lengthOf[first] - 2;
        const unsigned all = (first << more) | bits_.take(more);
        return (kPosition.valueOf[first] << 6) | static_cast<int>(all & 0x3F);
    }
    void emit(std::uint8_t byte) {
        ring_[at_] = byte;
        at_ = (at_ + 1) & (kRing - 1);
        buffer_[used_++] = byte;
        ++produced_;
        if (used_ == buffer_.size()) drain();
    }
    void drain() {
        if (used_ > 0) out_.write(buffer_.data(), used_);
        used_ = 0;
    }

    BitReader bits_;
    ByteSink& out_;
    std::unique_ptr<Tree> tree_;
    std::array<std::uint8_t, kRing> ring_{};
    int at_ = kStart;
    std::array<std::uint8_t, kIoChunk> buffer_{};
    std::size_t used_ = 0;
    std::int64_t produced_ = 0;
};

// The encoder sees the input as one long text that begins with kStart fill bytes, so a
// position's distance back is plain subtraction; it keeps the last kRing bytes of it.
class Encoder {
public:
    Encoder(ByteSource& in, ByteSink& out)
        : in_(in), bits_(out), tree_(newTree()), window_(kWindow) {
        head_.fill(-1);
        std::memset(window_.data(), kFill, kStart);
        end_ = kStart;
    }

    std::int64_t run() {
        std::int64_t at = kStart;
        fill(at);
        for (std::int64_t p = kStart - kLookahead; p < kStart; ++p) insert(p);
        while (at < end_) {
            const auto [length, distance] = longestMatch(at);
            int step = 1;
            if (length > kLongestLiteralRun) {
                symbol(kMatchSymbolBase + length);
                const int high = distance >> 6;
                bits_.put(kPosition.pattern[high] >> (8 - kPosition.length[high]),
                          kPosition.length[high]);
                bits_.put(static_cast<std::uint32_t>(distance & 0x3F), 6);
                step = length;
            } else {
                symbol(byteAt(at));
            }
            for (int i = 0; i < step; ++i) insert(at + i);
            at += step;
            fill(at);
        }
        bits_.finish();
        return end_ - kStart;
    }

private:
    static constexpr std::size_t kWindow = kRing + 2 * kIoChunk;
    static constexpr int kHashBits = 14;

    std::uint8_t byteAt(std::int64_t p) const {
        return window_[static_cast<std::size_t>(p - base_)];
    }
    const std::uint8_t* ptr(std::int64_t p) const {
        return window_.data() + static_cast<std::size_t>(p - base_);
    }

    // Keeps at least a full look-ahead (and a hash's three bytes) ahead of `at` while input lasts.
    void fill(std::int64_t at) {
        while (!ended_ && end_ - at < kLookahead + 3) {
            if (static_cast<std::size_t>(end_ - base_) + kIoChunk > kWindow) {
                const std::int64_t keep = at - kRing - 1;  // a little more history than reachable
                const std::size_t drop = static_cast<std::size_t>(keep - base_);
                std::memmove(window_.data(), window_.data() + drop,
                             static_cast<std::size_t>(end_ - keep));
                base_ = keep;
            }
            const std::size_t got = in_.read(window_.data() + (end_ - base_), kIoChunk);
            ended_ = got == 0;
            end_ += static_cast<std::int64_t>(got);
        }
    }

    static unsigned hash(const std::uint8_t* p) {
        const std::uint32_t v = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
        return (v * 2654435761u) >> (32 - kHashBits);
    }

    void insert(std::int64_t p) {
        if (p + 3 > end_) return;
        const unsigned h = hash(ptr(p));
        prev_[static_cast<std::size_t>(p & (kRing - 1))] = head_[h];
        head_[h] = p;
    }

    struct Match {
        int length;
        int distance;
    };
    Match longestMatch(std::int64_t at) const {
        Match best{0, 0};
        const int limit = static_cast<int>(std::min<std::int64_t>(kLookahead, end_ - at));
        if (limit < 3) return best;
        const std::uint8_t* here = ptr(at);
        std::int64_t candidate = head_[hash(here)];
        for (int depth = 0; candidate >= 0 && at - candidate <= kRing && depth < kChainDepth;
             ++depth) {
            const std::uint8_t* there = ptr(candidate);
            if (there[best.length] == here[best.length]) {
                int n = 0;
                while (n < limit && there[n] == here[n]) ++n;
                if (n > best.length) {
                    best = {n, static_cast<int>(at - candidate - 1)};
                    if (n == limit) break;
                }
            }
            candidate = prev_[static_cast<std::size_t>(candidate & (kRing - 1))];
        }
        return best;
    }

    void symbol(int s) {
        std::uint32_t code = 0;
        int length = 0;
        for (int k = tree_->parent[s + kNodes]; k != kRoot; k = tree_->parent[k]) {
            code |= static_cast<std::uint32_t>(k & 1) << length;
            ++length;
        }
        bits_.put(code, length);
        tree_->update(s);
    }

    ByteSource& in_;
    BitWriter bits_;
    std::unique_ptr<Tree> tree_;
    std::vector<std::uint8_t> window_;
    std::int64_t base_ = 0;  // the text position of window_[0]
    std::int64_t end_ = 0;   // the text position after the last byte read
    bool ended_ = false;
    std::array<std::int64_t, 1 << kHashBits> head_{};
    std::array<std::int64_t, kRing> prev_{};
};

}  // namespace

std::int64_t THuffCoder::encode(ByteSource& in, ByteSink& out) {
    auto encoder = std::make_unique<Encoder>(in, out);
    return encoder->run();
}

std::int64_t THuffCoder::decode(ByteSource& in, ByteSink& out, std::int64_t size) {
    auto decoder = std::make_unique<Decoder>(in, out);
    return decoder->run(size);
}

}  // namespace mb
