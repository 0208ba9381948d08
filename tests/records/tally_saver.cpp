// Test helper: saves numbered tallies to PATH, from version FIRST on, until it is killed.
#include <cstdlib>

#include "tallyversions.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    for (qint64 n = std::atoll(argv[2]);; ++n) mb::saveTallyFile(tallyVersion(n), path);
}
