#include "host/logtext.h"

#include <QList>

namespace mb {

namespace {

// Length of the UTF-8 sequence that starts with `lead`, or 0 for a byte that cannot start one.
int sequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

void appendEscaped(QString& out, unsigned char byte) {
    out += QLatin1String("\\x") +
           QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

}  // namespace

QString printableText(QByteArrayView bytes, qsizetype maxBytes) {
    QString out;
    const bool cut = bytes.size() > maxBytes;
    if (cut) bytes = bytes.first(maxBytes);
    for (qsizetype i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == '\\') {
            out += QLatin1String("\\\\");
            ++i;
            continue;
        }
        if (b >= 0x20 && b < 0x7F) {
            out += QLatin1Char(char(b));
            ++i;
            continue;
        }
        const int n = sequenceLength(b);
        if (n > 0 && i + n <= bytes.size()) {
            const QString decoded = QString::fromUtf8(bytes.sliced(i, n));
            const QList<uint> codes = decoded.toUcs4();
            // A whole, well-formed character that is printable (no C1 control, no format mark).
            if (codes.size() == 1 && codes[0] != QChar::ReplacementCharacter &&
                QChar::isPrint(char32_t(codes[0]))) {
                out += decoded;
                i += n;
                continue;
            }
        }
        appendEscaped(out, b);
        ++i;
    }
    if (cut) out += QLatin1String("...");
    return out;
}

}  // namespace mb
