#pragma once
// A fresh settings file for each game window a test opens, so that no test reads what another
// wrote and nothing is left beside the test programs.
#include <QString>
#include <QTemporaryDir>

namespace mbtest {

inline QString scratchSettingsFile() {
    static QTemporaryDir dir;
    static int count = 0;
    return dir.filePath(QStringLiteral("kestrolobby-%1.ini").arg(++count));
}

}  // namespace mbtest
