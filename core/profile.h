#pragma once
// The settings file: INI text read and written one key at a time. A write changes only the line
// of its key (or adds the key at the end of its section, or the section at the end of the file)
// and keeps every other byte as it was, so other programs' sections, comments, line ends and a
// byte order mark survive the game's saves. Needs no window.
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace mb {

namespace ini {

// A settings file larger than this is not ours to read or rewrite.
inline constexpr qsizetype kMaxFileBytes = 4 * 1024 * 1024;

// The value of `key` in `section` (both matched without regard to ASCII letter case; the first
// section and the first key of that name count), without the spaces around it and without one
// pair of enclosing double quotes. Nothing when the section or key is absent.
std::optional<QByteArray> lookup(const QByteArray& text, QByteArrayView section,
                                 QByteArrayView key);

// `text` with `key` in `section` set to `value`. Line breaks in the value become spaces; a value
// with spaces at either end, or one that is itself quoted, is written in double quotes so that
// lookup() gives it back unchanged.
QByteArray withKey(const QByteArray& text, QByteArrayView section, QByteArrayView key,
                   QByteArrayView value);

}  // namespace ini

// One read or write pass over a settings file: the file is read once when the pass begins, and
// every write replaces the whole file at once (a temporary file renamed over it), so a crash
// never leaves half a file behind.
class ProfileFile {
public:
    explicit ProfileFile(QString path);

    const QString& path() const { return path_; }
    QString readString(const QString& section, const QString& key, const QString& fallback) const;
    // Decimal with an optional sign, within 32 bits; anything else gives the fallback.
    int readInteger(const QString& section, const QString& key, int fallback) const;
    // False when the file cannot be written (or was too large or unreadable to keep intact).
    bool writeString(const QString& section, const QString& key, const QString& value);
    // Several keys of one section in one write of the file, in the given order: a save of all
    // the settings costs one pass over the file, not one a key.
    bool writeStrings(const QString& section, const QList<std::pair<QString, QString>>& values);

private:
    QString path_;
    QByteArray text_;
    bool writable_ = true;  // false when the existing file could not be read whole
};

}  // namespace mb
