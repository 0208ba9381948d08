#include "net/framing.h"

#include <charconv>

namespace mb {

QByteArray frame(QByteArrayView message) {
    QByteArray out;
    out.reserve(message.size() + 1);
    out.append(message);
    out.append(kTerminator);
    return out;
}

FrameDecoder::Result FrameDecoder::feed(QByteArrayView bytes, QList<QByteArray>& out) {
    remainder_.append(bytes);
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = remainder_.indexOf(kTerminator, start);
        if (end < 0) break;
        out.append(remainder_.sliced(start, end - start));
        start = end + 1;
    }
    if (start > 0) remainder_.remove(0, start);
    if (remainder_.size() > kMaxRemainder) {
        reason_ = QStringLiteral("%1 bytes received without a message terminator (limit %2)")
                      .arg(remainder_.size())
                      .arg(kMaxRemainder);
        remainder_.clear();
        remainder_.squeeze();
        return Result::Overflow;
    }
    return Result::Ok;
}

QList<QByteArray> toEntries(QByteArrayView message) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = message.size();
    auto add = [&](qsizetype end) {
        lines.append(message.sliced(start, end - start)
                         .first(std::min<qsizetype>(end - start, kMaxEntryLength))
                         .toByteArray());
    };
    for (qsizetype i = 0; i < n; ++i) {
        const char c = message[i];
        if (c != '\r' && c != '\n') continue;
        add(i);
        if (c == '\r' && i + 1 < n && message[i + 1] == '\n') ++i;
        start = i + 1;
    }
    // A trailing line break ends the last line; it does not open an empty one.
    if (start < n || lines.isEmpty()) add(n);
    return lines;
}

void InboundQueue::push(QByteArrayView message) {
    for (auto& line : toEntries(message)) entries_.push_back(std::move(line));
}

QByteArray InboundQueue::pop() {
    if (entries_.empty()) return {};
    QByteArray entry = std::move(entries_.front());
    entries_.pop_front();
    return entry;
}

std::pair<QByteArray, QByteArray> splitCommand(const QByteArray& entry) {
    const qsizetype plus = entry.indexOf(kFieldSeparator);
    if (plus < 0) return {};
    return {entry.first(plus), entry.sliced(plus + 1)};
}

bool hasCommand(QByteArrayView entry, QByteArrayView name) {
    return entry.size() > name.size() && entry.startsWith(name) &&
           entry[name.size()] == kFieldSeparator;
}

ConversionError::ConversionError(const QByteArray& text)
    : std::runtime_error("'" + text.toStdString() + "' is not a valid integer value") {}

int toInt(QByteArrayView text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;  // an explicit plus sign is still a number
    int value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (text.isEmpty() || ec != std::errc() || ptr != last || first == last)
        throw ConversionError(text.toByteArray());
    return value;
}

QByteArray FieldReader::field() {
    const qsizetype plus = rest_.indexOf(kFieldSeparator);
    if (plus < 0) return std::exchange(rest_, QByteArray());
    QByteArray value = rest_.first(plus);
    rest_.remove(0, plus + 1);
    return value;
}

void FieldReader::beginList() {
    rest_.append(kFieldSeparator);
    rest_.append(kListEndMarker);
}

bool FieldReader::atListEnd() const {
    return rest_.isEmpty() || rest_ == kListEndMarker;
}

}  // namespace mb
