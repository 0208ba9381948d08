#pragma once
// Peer text made fit for a log line: printable UTF-8 stays, everything else is escaped.
#include <QByteArrayView>
#include <QString>

namespace mb {

// Longest peer text written into one log line; the rest is replaced by "...".
inline constexpr qsizetype kMaxLoggedBytes = 200;

// Control characters, invalid UTF-8 bytes and the backslash itself become "\xNN" (the
// backslash "\\"), so a log line is always one printable line and shows what was sent.
QString printableText(QByteArrayView bytes, qsizetype maxBytes = kMaxLoggedBytes);

}  // namespace mb
