#include "discovery/tablerecord.h"

#include <QStringDecoder>
#include <array>

namespace mb {

namespace {

enum Key : unsigned { kFormatKey, kVersionKey, kNameKey, kSeatsKey, kWatchersKey, kGameKey };
constexpr std::array<const char*, 6> kKeyNames{"txtvers", "version",  "name",
                                               "seats",   "watchers", "game"};
constexpr unsigned kAllKeys = (1u << kKeyNames.size()) - 1;
// One byte of length before each item.
constexpr int kMaxItemBytes = 255;
// Counts are one or two digits; more is padding or an attack on the number reader.
constexpr qsizetype kMaxNumberDigits = 2;

std::optional<int> smallNumber(QByteArrayView text, int max) {
    if (text.isEmpty() || text.size() > kMaxNumberDigits) return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > max) return std::nullopt;
    return value;
}

bool printableAscii(QByteArrayView text) {
    for (const char c : text)
        if (c < 0x21 || c > 0x7E) return false;
    return true;
}

bool validName(QByteArrayView text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(text);
    if (decoder.hasError()) return false;
    for (const QChar c : decoded)
        if (c.category() == QChar::Other_Control) return false;
    return true;
}

}  // namespace

QList<QByteArray> encodeTableRecord(const TableRecord& record) {
    return {
        "txtvers=" + QByteArray::number(kRecordFormat),
        "version=" + record.version,
        "name=" + record.name,
        "seats=" + QByteArray::number(record.seats),
        "watchers=" + QByteArray::number(record.watchers),
        QByteArray("game=") + (record.gameRunning ? "1" : "0"),
    };
}

QByteArray tableRecordWire(const TableRecord& record) {
    QByteArray wire;
    for (const QByteArray& item : encodeTableRecord(record)) {
        wire.append(char(std::min<qsizetype>(item.size(), kMaxItemBytes)));
        wire.append(item.first(std::min<qsizetype>(item.size(), kMaxItemBytes)));
    }
    return wire;
}

QByteArray tableNameFor(const QString& text) {
    QString clean = text;
    for (QChar& c : clean)
        if (c.category() == QChar::Other_Control) c = u' ';
    QByteArray bytes = clean.toUtf8();
    if (bytes.size() <= kMaxTableNameBytes) return bytes;
    qsizetype end = kMaxTableNameBytes;
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) --end;
    return bytes.first(end);
}

void TableRecordParser::refuse(QString reason) {
    if (reason_.isEmpty()) reason_ = std::move(reason);
}

void TableRecordParser::feed(QByteArrayView bytes) {
    if (!reason_.isEmpty()) return;
    // Bytes up to the bound are read before a record that runs past it is refused, so the
    // verdict is the same however the bytes come in.
    const bool tooLong = bytes.size() > kMaxRecordBytes - total_;
    if (tooLong) bytes = bytes.first(kMaxRecordBytes - total_);
    total_ += bytes.size();
    for (qsizetype i = 0; i < bytes.size() && reason_.isEmpty();) {
        if (expected_ < 0) {
            expected_ = static_cast<unsigned char>(bytes[i++]);
            current_.clear();
        }
        const qsizetype take = std::min<qsizetype>(expected_, bytes.size() - i);
        current_.append(bytes.sliced(i, take));
        i += take;
        expected_ -= int(take);
        if (expected_ == 0) {
            expected_ = -1;
            item(current_);
        }
    }
    if (tooLong) refuse(QStringLiteral("the record is longer than %1 bytes").arg(kMaxRecordBytes));
}

void TableRecordParser::item(const QByteArray& bytes) {
    // An empty item is how DNS-SD writes a record with nothing in it.
    if (bytes.isEmpty()) return;
    if (++items_ > kMaxRecordItems) {
        refuse(QStringLiteral("the record has more than %1 items").arg(kMaxRecordItems));
        return;
    }
    const qsizetype eq = bytes.indexOf('=');
    const QByteArray key = (eq < 0 ? bytes : bytes.first(eq)).toLower();
    const QByteArrayView value = eq < 0 ? QByteArrayView() : QByteArrayView(bytes).sliced(eq + 1);
    unsigned index = 0;
    while (index < kKeyNames.size() && key != kKeyNames[index]) ++index;
    // Keys of newer versions are skipped, so an older lobby still lists a newer table.
    if (index == kKeyNames.size()) return;
    const QString keyName = QString::fromLatin1(kKeyNames[index]);
    if (seen_ & (1u << index)) {
        refuse(QStringLiteral("the key \"%1\" appears twice").arg(keyName));
        return;
    }
    seen_ |= 1u << index;
    if (eq < 0) {
        refuse(QStringLiteral("the key \"%1\" has no value").arg(keyName));
        return;
    }
    switch (index) {
        case kFormatKey:
            if (smallNumber(value, 99) != kRecordFormat)
                refuse(QStringLiteral("the record is not in format %1").arg(kRecordFormat));
            break;
        case kVersionKey:
            if (value.isEmpty() || value.size() > kMaxVersionBytes || !printableAscii(value))
                refuse(QStringLiteral("the version is not 1 to %1 printable characters")
                           .arg(kMaxVersionBytes));
            else
                record_.version = value.toByteArray();
            break;
        case kNameKey:
            if (value.isEmpty() || value.size() > kMaxTableNameBytes || !validName(value))
                refuse(QStringLiteral("the name is not 1 to %1 bytes of text")
                           .arg(kMaxTableNameBytes));
            else
                record_.name = value.toByteArray();
            break;
        case kSeatsKey:
            if (const auto n = smallNumber(value, kMaxRecordSeats))
                record_.seats = *n;
            else
                refuse(QStringLiteral("the seats taken are not a number from 0 to %1")
                           .arg(kMaxRecordSeats));
            break;
        case kWatchersKey:
            if (const auto n = smallNumber(value, kMaxRecordWatchers))
                record_.watchers = *n;
            else
                refuse(QStringLiteral("the watchers are not a number from 0 to %1")
                           .arg(kMaxRecordWatchers));
            break;
        case kGameKey:
            if (value == "0" || value == "1")
                record_.gameRunning = value == "1";
            else
                refuse(QStringLiteral("whether a game runs is not 0 or 1"));
            break;
    }
}

RecordParse TableRecordParser::finish() {
    if (reason_.isEmpty() && expected_ >= 0) refuse(QStringLiteral("the last item is cut short"));
    if (reason_.isEmpty() && seen_ != kAllKeys) {
        for (unsigned i = 0; i < kKeyNames.size(); ++i)
            if (!(seen_ & (1u << i))) {
                refuse(QStringLiteral("the key \"%1\" is missing")
                           .arg(QString::fromLatin1(kKeyNames[i])));
                break;
            }
    }
    if (!reason_.isEmpty()) return {std::nullopt, reason_};
    return {record_, {}};
}

RecordParse parseTableRecord(QByteArrayView wire) {
    TableRecordParser parser;
    parser.feed(wire);
    return parser.finish();
}

QString shownPeerText(QByteArrayView bytes, qsizetype maxChars) {
    // Decoding a huge buffer only to cut it would let a peer spend our time.
    const QString decoded = QString::fromUtf8(bytes.first(std::min(bytes.size(), 4 * maxChars)));
    QString shown;
    qsizetype chars = 0;
    for (auto it = decoded.cbegin(); it != decoded.cend(); ++it) {
        if (chars == maxChars) {
            shown += QChar(0x2026);
            break;
        }
        char32_t code = it->unicode();
        if (it->isHighSurrogate() && it + 1 != decoded.cend() && (it + 1)->isLowSurrogate()) {
            code = QChar::surrogateToUcs4(*it, *(it + 1));
            ++it;
        }
        switch (QChar::category(code)) {
            case QChar::Other_Control:
            case QChar::Other_Format:
            case QChar::Other_PrivateUse:
            case QChar::Other_NotAssigned:
            case QChar::Other_Surrogate:
            case QChar::Separator_Line:
            case QChar::Separator_Paragraph:
                shown += u'?';
                break;
            default:
                shown += QString::fromUcs4(&code, 1);
        }
        ++chars;
    }
    return shown;
}

}  // namespace mb
