#include "core/appfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace mb {
namespace {

// An installed copy shares its bin directory with other programs, writable or not (a prefix
// in the home directory, or root running it): its desktop entry beside it gives it away.
bool isInstalledCopy(const QString& dir) {
    return QFileInfo::exists(
        QDir(dir).filePath(QStringLiteral("../share/applications/marrowby.desktop")));
}

// Permission bits lie for root and on some mounts; only a real file created there proves it.
bool canCreateFilesIn(const QString& dir) {
    if (dir.isEmpty() || !QFileInfo(dir).isDir() || isInstalledCopy(dir)) return false;
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".marrowby-probe-XXXXXX")));
    return probe.open();
}

}  // namespace

QString appFilePath(const QString& programDir, const QString& fileName, AppFileKind kind) {
    if (canCreateFilesIn(programDir)) return QDir(programDir).filePath(fileName);
    const QString base = QStandardPaths::writableLocation(kind == AppFileKind::Config
                                                              ? QStandardPaths::AppConfigLocation
                                                              : QStandardPaths::AppDataLocation);
    QDir().mkpath(base);
    return QDir(base).filePath(fileName);
}

QString appFilePath(const QString& fileName, AppFileKind kind) {
    return appFilePath(QCoreApplication::applicationDirPath(), fileName, kind);
}

}  // namespace mb
