// Test helper: saves numbered tallies to PATH, from version FIRST on, until it is killed. It
// says "saved" once the first one is complete, so a slow start (a sanitizer build, a busy
// machine) cannot use up the time before the kill.
#include <cstdio>
#include <cstdlib>

#include "tallyversions.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    qint64 n = std::atoll(argv[2]);
    mb::saveTallyFile(tallyVersion(n), path);
    std::puts("saved");
    std::fflush(stdout);
    for (++n;; ++n) mb::saveTallyFile(tallyVersion(n), path);
}
