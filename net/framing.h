#pragma once
// Pure byte-level framing of the message protocol: no sockets, no timers.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <deque>
#include <stdexcept>
#include <utility>

#include "net/protocol.h"

namespace mb {

// Message text plus its terminator, ready for one send call.
QByteArray frame(QByteArrayView message);

// Cuts one connection's byte stream at the terminator. Bytes of different connections never
// meet: each connection owns one decoder.
class FrameDecoder {
public:
    enum class Result { Ok, Overflow };

    // Appends the bytes and moves every complete message to `out`, in order. Overflow means the
    // remainder still exceeds kMaxRemainder after cutting; the remainder is then dropped and the
    // connection must be treated as broken. `reason()` says why.
    Result feed(QByteArrayView bytes, QList<QByteArray>& out);
    const QByteArray& remainder() const { return remainder_; }
    QString reason() const { return reason_; }

private:
    QByteArray remainder_;
    QString reason_;
};

// The inbound queue: one entry per message line, each cut to kMaxEntryLength bytes. A line
// break inside a message splits it into entries, which keeps every entry a single line.
class InboundQueue {
public:
    InboundQueue() = default;
    explicit InboundQueue(QByteArray placeholder) { entries_.push_back(std::move(placeholder)); }

    void push(QByteArrayView message);
    // The oldest entry, removed; an empty queue yields an empty entry.
    QByteArray pop();
    bool empty() const { return entries_.empty(); }
    qsizetype size() const { return qsizetype(entries_.size()); }

private:
    std::deque<QByteArray> entries_;
};

// Splits a message into the lines it would occupy as queue entries.
QList<QByteArray> toEntries(QByteArrayView message);

// "CMD_x+rest" -> {"CMD_x", "rest"}; an entry without "+" has an empty command.
std::pair<QByteArray, QByteArray> splitCommand(const QByteArray& entry);
// True when splitCommand(entry) would yield the command `name`, without copying the entry.
bool hasCommand(QByteArrayView entry, QByteArrayView name);

// Raised when a numeric field is not an integer; what() is the user-facing text.
class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(const QByteArray& text);
};

// Parses a whole decimal integer (optional sign), as the wire writes numbers.
// Throws ConversionError("'<text>' is not a valid integer value").
int toInt(QByteArrayView text);

// Reads "+"-separated fields off the front of a message body.
class FieldReader {
public:
    explicit FieldReader(QByteArray body) : rest_(std::move(body)) {}

    // The text before the next "+", removed with it. Without a "+" the whole rest is the field.
    QByteArray field();
    int intField() { return toInt(field()); }
    // Everything not yet read, for fields documented as "the rest of the message".
    const QByteArray& rest() const { return rest_; }

    // Lists: mark the end, then read records until atListEnd().
    void beginList();
    // True at the end marker, and also when the text ran out early (a malformed list must not
    // make the reader loop).
    bool atListEnd() const;

private:
    QByteArray rest_;
};

}  // namespace mb
