#pragma once
// Reads a fuzz input as a little program: one byte at a time for the steps and their numbers,
// a run of bytes for what arrives on the wire. Past the end it reads zeros and empty runs, so a
// target never has to check before it reads.
#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/errornotice.h"

namespace mbfuzz {

class InputReader {
public:
    InputReader(const uint8_t* data, size_t size) : p_(data), n_(size) {}
    bool more() const { return n_ > 0; }
    uint8_t byte() {
        if (n_ == 0) return 0;
        --n_;
        return *p_++;
    }
    QByteArray bytes(size_t count) {
        count = std::min(count, n_);
        QByteArray out(reinterpret_cast<const char*>(p_), qsizetype(count));
        p_ += count;
        n_ -= count;
        return out;
    }

private:
    const uint8_t* p_;
    size_t n_;
};

// A message close to what a peer sends: one of `commands`, then one to `maxFields` fields, each
// mostly a number from `first` to `first + numbers - 1`, now and then one of `texts` (a list's
// end marker, a word where a number belongs, a number past every bound).
inline QByteArray nearlyValidMessage(InputReader& in, std::span<const char* const> commands,
                                     std::span<const char* const> texts, int maxFields, int first,
                                     int numbers) {
    QByteArray m = commands[in.byte() % commands.size()];
    const int fields = 1 + in.byte() % maxFields;
    for (int i = 0; i < fields; ++i) {
        m += '+';
        const uint8_t b = in.byte();
        if (b < 200)
            m += QByteArray::number(first + b % numbers);
        else
            m += texts[b % texts.size()];
    }
    return m;
}

// A malformed message is reported to the user; fuzzing makes thousands a second, unseen.
inline void silenceErrorNotices() {
    static const bool once = [] {
        mb::setErrorSink([](const QString&) {});
        return true;
    }();
    (void)once;
}

}  // namespace mbfuzz
