#pragma once
// Builds outgoing message texts on both sides: a command name (net/commands.h) and
// "+"-separated fields.
#include <QByteArray>
#include <QByteArrayView>
#include <charconv>

#include "net/protocol.h"

namespace mb {

class MessageBuilder {
public:
    explicit MessageBuilder(QByteArrayView command) {
        text_.reserve(kTypicalLength);
        text_.append(command);
    }
    MessageBuilder& field(QByteArrayView value) {
        text_.append(kFieldSeparator);
        text_.append(value);
        return *this;
    }
    MessageBuilder& field(int value) {
        char digits[kIntDigits];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        text_.append(kFieldSeparator);
        text_.append(digits, end - digits);
        return *this;
    }
    // Text that continues the current field.
    MessageBuilder& append(QByteArrayView value) {
        text_.append(value);
        return *this;
    }
    QByteArray take() { return std::move(text_); }

private:
    static constexpr qsizetype kTypicalLength = 64;
    static constexpr int kIntDigits = 12;
    QByteArray text_;
};

}  // namespace mb
