// Build-time tool: writes the application icon, drawn by the same code as the game's other
// pictures, as PNG files in the freedesktop icon theme layout, or as C++ source for the game to
// compile in as its window icon:
//   marrowby-icons OUTDIR                     ->  OUTDIR/<n>x<n>/apps/marrowby.png
//   marrowby-icons --source FILE SIZE...      ->  FILE, the icon at each SIZE
//   (client/appicondata.h)
#include <QDir>
#include <QGuiApplication>
#include <QSaveFile>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "assets/art.h"

namespace {
// The sizes desktops look for, and a large one for software centres and high-density screens.
constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256, 512};
constexpr int kPixelsPerLine = 8;

QByteArray iconSource(const QList<int>& sizes) {
    QByteArray out =
        "// Written by marrowby-icons when the program was built: the window icon as the game's\n"
        "// art draws it. Do not edit.\n"
        "#include \"client/appicondata.h\"\n\n"
        "namespace mb {\nnamespace {\n\n";
    for (const int size : sizes) {
        const QImage icon =
            mb::art::appIcon(size).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        out += "const std::uint32_t kIcon" + QByteArray::number(size) + "[] = {\n";
        int n = 0;
        for (int y = 0; y < icon.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(icon.constScanLine(y));
            for (int x = 0; x < icon.width(); ++x, ++n) {
                out += "0x" + QByteArray::number(row[x], 16).rightJustified(8, '0') + "u,";
                out += (n + 1) % kPixelsPerLine == 0 ? "\n" : " ";
            }
        }
        out += "};\n\n";
    }
    out += "const AppIconData kIcons[] = {\n";
    for (const int size : sizes)
        out += "    {" + QByteArray::number(size) + ", kIcon" + QByteArray::number(size) + "},\n";
    out +=
        "};\n\n}  // namespace\n\n"
        "std::span<const AppIconData> appIconData() {\n    return kIcons;\n}\n\n"
        "}  // namespace mb\n";
    return out;
}

int writeSource(int argc, char* argv[]) {
    QList<int> sizes;
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > mb::art::kMaxIconPixels) {
            std::fprintf(stderr, "not an icon size: %s\n", argv[i]);
            return 2;
        }
        sizes << size;
    }
    std::sort(sizes.begin(), sizes.end());
    QSaveFile file(QString::fromLocal8Bit(argv[2]));
    if (sizes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(iconSource(sizes)) < 0 ||
        !file.commit()) {
        std::fprintf(stderr, "cannot write the icon source %s\n", argv[2]);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "--source") == 0) return writeSource(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: marrowby-icons OUTDIR | --source FILE SIZE...\n");
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
