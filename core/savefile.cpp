#include "core/savefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace mb {

PathKind pathKind(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? PathKind::Missing : PathKind::Other;
    if (S_ISREG(st.st_mode)) return PathKind::Regular;
    if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) return PathKind::Stream;
    return PathKind::Other;
}

OpenResult openRegularFile(QFile& file, const QString& path) {
    // Opened without waiting and then asked what it is, so that nothing can swap a FIFO in
    // between a look and the open.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? OpenResult::Missing : OpenResult::Failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return OpenResult::NotRegular;
    }
    // Regular files never block; the flag is cleared all the same.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return OpenResult::Failed;
    }
    return OpenResult::Opened;
}

QByteArray readAtMost(QIODevice& in, qint64 most) {
    constexpr qint64 kChunk = 64 * 1024;
    QByteArray data;
    while (data.size() <= most) {
        const QByteArray chunk = in.read(std::min(kChunk, most + 1 - data.size()));
        if (chunk.isEmpty()) break;
        data += chunk;
    }
    return data;
}

bool SaveTarget::open(const QString& path, SpecialFiles specials) {
    atomic_.reset();
    stream_.reset();
    switch (pathKind(path)) {
        case PathKind::Missing:
        case PathKind::Regular:
            atomic_ = std::make_unique<QSaveFile>(path);
            if (atomic_->open(QIODevice::WriteOnly)) return true;
            error_ = atomic_->errorString();
            atomic_.reset();
            return false;
        case PathKind::Stream:
            if (specials == SpecialFiles::WriteInto) {
                stream_ = std::make_unique<QFile>(path);
                // No truncation: a FIFO or a device has nothing to cut.
                if (stream_->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
                    return true;
                error_ = stream_->errorString();
                stream_.reset();
                return false;
            }
            error_ = QStringLiteral("%1 is not a regular file").arg(path);
            return false;
        case PathKind::Other:
            break;
    }
    error_ = QStringLiteral("%1 is neither a regular file nor a stream").arg(path);
    return false;
}

bool SaveTarget::openStandardOutput() {
    atomic_.reset();
    stream_ = std::make_unique<QFile>();
    if (stream_->open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)) return true;
    error_ = stream_->errorString();
    stream_.reset();
    return false;
}

QIODevice& SaveTarget::device() {
    if (atomic_) return *atomic_;
    return *stream_;
}

bool SaveTarget::commit() {
    if (atomic_) {
        const bool done = atomic_->commit();
        if (!done) error_ = atomic_->errorString();
        atomic_.reset();
        return done;
    }
    if (!stream_) return false;
    const bool done = stream_->flush() && stream_->error() == QFileDevice::NoError;
    if (!done) error_ = stream_->errorString();
    stream_.reset();
    return done;
}

}  // namespace mb
