#pragma once
// Where the program keeps its files. Beside the executable wherever that directory can be
// written (a build tree, an unpacked copy), so a copy carries its settings and tally along;
// otherwise (an installed copy) in the per-user locations, so saving never fails for good.
#include <QString>

namespace mb {

enum class AppFileKind {
    Config,  // the settings file
    Data,    // the tally file and downloads
};

// The full path of `fileName` for a program living in `programDir`. Creates the per-user
// directory when it is chosen.
QString appFilePath(const QString& programDir, const QString& fileName, AppFileKind kind);
// The same for this running program (the directory of its executable).
QString appFilePath(const QString& fileName, AppFileKind kind);

}  // namespace mb
