// Build-time tool: writes the application icon, drawn by the same code as the game's other
// pictures, as PNG files in the freedesktop icon theme layout:
//   marrowby-icons OUTDIR  ->  OUTDIR/<n>x<n>/apps/marrowby.png
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "assets/art.h"

namespace {
// The sizes desktops look for, and a large one for software centres and high-density screens.
constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256, 512};
}  // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: marrowby-icons OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const int size : kIconSizes) {
        const QString dir = out.filePath(QStringLiteral("%1x%1/apps").arg(size));
        if (!QDir().mkpath(dir) ||
            !mb::art::appIcon(size).save(QDir(dir).filePath(QStringLiteral("marrowby.png"))) ||
            !mb::art::lobbyIcon(size).save(
                QDir(dir).filePath(QStringLiteral("marrowby-lobby.png")))) {
            std::fprintf(stderr, "cannot write the %dx%d icon under %s\n", size, size, argv[1]);
            return 1;
        }
    }
    return 0;
}
