#pragma once
// One rule for every file the program reads or saves (settings, tally, downloads, the tally
// tool's output), so that a FIFO, a device or a directory at one of its paths can neither hang
// it nor be replaced by a regular file:
// - reading opens only regular files, and never blocks on the way (a FIFO opened for reading
//   waits for a writer);
// - saving over a regular file or at a new path writes a scratch file and replaces the old one
//   in one step, so a crash leaves the old file or the new one;
// - a FIFO or a character device is written into straight, where the caller allows it (the
//   tally tool, whose user names them on purpose); the game's own files never are;
// - anything else (a directory, a socket, a block device) is refused.
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <memory>

namespace mb {

// What is at a path; symbolic links are followed.
enum class PathKind { Missing, Regular, Stream, Other };
PathKind pathKind(const QString& path);

enum class OpenResult { Opened, Missing, NotRegular, Failed };
// Opens the file at path for reading when it is a regular file, never blocking. `file` is
// opened only for Opened.
OpenResult openRegularFile(QFile& file, const QString& path);

// Reads until the end, but never more than most + 1 bytes: more than `most` tells the caller that
// the input is too large, without holding all of it. A pipe gives its bytes in parts.
QByteArray readAtMost(QIODevice& in, qint64 most);

enum class SpecialFiles { Refuse, WriteInto };

// Where saved bytes go, by the rule above.
class SaveTarget {
public:
    // False when the path may not be written so or cannot be opened; errorString() says why.
    bool open(const QString& path, SpecialFiles specials);
    // Standard output, written into straight.
    bool openStandardOutput();
    // The open device; valid after a successful open.
    QIODevice& device();
    // Replaces the older file with the new one, or flushes the stream. False when the bytes did
    // not all arrive; an older regular file is then left as it was.
    bool commit();
    QString errorString() const { return error_; }

private:
    std::unique_ptr<QSaveFile> atomic_;
    std::unique_ptr<QFile> stream_;
    QString error_;
};

}  // namespace mb
