#pragma once
// The thorough coder of the codec: LZ77 over a 4096-byte dictionary whose literals and match
// lengths go through an adaptive Huffman tree, and whose match positions go through a fixed
// prefix code. Works on byte streams, so the caller decides where the bytes come from and go.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace mb {

class EHuffCoderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where the coder reads its input. read() returns 0 at the end and throws on failure.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t read(std::uint8_t* into, std::size_t most) = 0;
};

// Where the coder writes its output. write() writes everything or throws.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(const std::uint8_t* from, std::size_t count) = 0;
};

class THuffCoder {
public:
    // Codes everything `in` delivers. Returns the number of input bytes coded.
    std::int64_t encode(ByteSource& in, ByteSink& out);
    // Decodes until `size` bytes have been produced (a final match may overshoot by up to 59) or
    // the stream runs out: past its end the decoder reads zero bits only a little way, as an
    // encoder's padding, then stops. Returns the number of bytes produced.
    std::int64_t decode(ByteSource& in, ByteSink& out, std::int64_t size);
};

}  // namespace mb
