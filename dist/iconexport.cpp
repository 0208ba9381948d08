// Build-time tool: writes the application and lobby icons, drawn by the same code as the
// game's other pictures, as PNG files in the freedesktop icon theme layout, or as C++ source
// for the programs to compile in as their window icons (widgets/programicons.h):
//   marrowby-icons OUTDIR                 ->  OUTDIR/<n>x<n>/apps/marrowby.png, marrowby-lobby.png
//   marrowby-icons --source FILE SIZE...  ->  FILE, both icons at each SIZE
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

// One icon's pixels as a C++ array named `name`.
QByteArray pixelArray(const QByteArray& name, const QImage& picture) {
    const QImage icon = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QByteArray out = "const std::uint32_t " + name + "[] = {\n";
    int n = 0;
    for (int y = 0; y < icon.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(icon.constScanLine(y));
        for (int x = 0; x < icon.width(); ++x, ++n) {
            out += "0x" + QByteArray::number(row[x], 16).rightJustified(8, '0') + "u,";
            out += (n + 1) % kPixelsPerLine == 0 ? "\n" : " ";
        }
    }
    return out + "};\n\n";
}

QByteArray iconSource(const QList<int>& sizes) {
    QByteArray out =
        "// Written by marrowby-icons when the programs were built: their window icons as the\n"
        "// game's art draws them. Do not edit.\n"
        "#include \"widgets/programicons.h\"\n\n"
        "namespace mb {\nnamespace {\n\n";
    for (const int size : sizes) {
        const QByteArray n = QByteArray::number(size);
        out += pixelArray("kApp" + n, mb::art::appIcon(size));
        out += pixelArray("kLobby" + n, mb::art::lobbyIcon(size));
    }
    for (const char* set : {"App", "Lobby"}) {
        out += "const IconData k" + QByteArray(set) + "Icons[] = {\n";
        for (const int size : sizes) {
            const QByteArray n = QByteArray::number(size);
            out += "    {" + n + ", k" + set + n + "},\n";
        }
        out += "};\n\n";
    }
    out +=
        "}  // namespace\n\n"
        "std::span<const IconData> appIconData() {\n    return kAppIcons;\n}\n\n"
        "std::span<const IconData> lobbyIconData() {\n    return kLobbyIcons;\n}\n\n"
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
