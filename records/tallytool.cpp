// marrowby-tally: compresses and decompresses files with the tally's codec, and prints a tally
// file's figures, so a player can inspect or back up the tally.
#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <cstdio>

#include "core/savefile.h"
#include "core/version.h"
#include "records/filecodec.h"
#include "records/tallybook.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kNameWidthMin = 8;
constexpr int kNameWidthMax = 32;

const char kUsage[] =
    "Usage: marrowby-tally compress [--good] IN OUT\n"
    "       marrowby-tally decompress IN OUT\n"
    "       marrowby-tally show FILE\n"
    "       marrowby-tally --help | --version\n"
    "\n"
    "compress    codes IN into OUT, fast mode unless --good is given\n"
    "decompress  restores the original of IN (either mode) into OUT\n"
    "show        prints the figures of a tally file\n"
    "\n"
    "IN, OUT or FILE may be - for standard input or output. A FIFO or a device as OUT is written\n"
    "into; a regular OUT is replaced only once complete. On failure the codec's error text goes\n"
    "to standard error, the exit status is 1 and OUT is left as it was.\n";

void print(std::FILE* to, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), to);
}

// Names come from other players; no terminal control reaches the screen.
QString printable(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            c = QLatin1Char('?');
    return out;
}

int show(const QString& path) {
    QFile file(path);
    const bool opened = path == QLatin1String(mb::kStandardStream)
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : file.open(QIODevice::ReadOnly);
    if (!opened) {
        print(stderr, QStringLiteral("marrowby-tally: cannot open %1\n").arg(path));
        return kExitFailure;
    }
    // Read up to the bound, not by the size the file claims: a pipe claims none.
    const QByteArray bytes = mb::readAtMost(file, mb::kMostTallyFile);
    if (bytes.size() > mb::kMostTallyFile) {
        print(stderr, QStringLiteral("marrowby-tally: %1 is too large for a tally\n").arg(path));
        return kExitFailure;
    }
    const mb::TallyBook book = mb::TallyBook::fromFileBytes(bytes, path);
    const mb::StringGrid& g = book.stringgrid_scores;
    QString out;
    out += QStringLiteral("Total games:   %1\n").arg(g.cell(mb::kGamesColumn, 0));
    out += QStringLiteral("Your wins:     %1\n").arg(g.cell(mb::kWinsColumn, 0));
    out += QStringLiteral("Average turns to complete order: %1\n").arg(book.average());
    if (book.opponents() == 0) {
        out += QStringLiteral("\nNo players are tallied.\n");
        print(stdout, out);
        return 0;
    }
    int width = kNameWidthMin;
    for (int row = 1; row <= book.opponents(); ++row)
        width = std::max(width, static_cast<int>(std::min<qsizetype>(
                                    printable(book.name(row)).size(), kNameWidthMax)));
    const QString figures = QStringLiteral("%1 %2 %3 %4");
    const auto row = [&](const QString& name, const QStringList& cells) {
        QStringList c = cells;
        for (QString& s : c) s = printable(s);
        return name.leftJustified(width) + QStringLiteral("  ") +
               figures.arg(c[0], 6).arg(c[1], 6).arg(c[2], 6).arg(c[3], 7) + QStringLiteral("   ") +
               figures.arg(c[4], 6).arg(c[5], 6).arg(c[6], 6).arg(c[7], 7) + QLatin1Char('\n');
    };
    out += QLatin1Char('\n') + QString(width + 2, QLatin1Char(' ')) +
           QStringLiteral("------- all time ----------   ------- this session ------\n");
    out += row(QStringLiteral("Opponent"),
               {QStringLiteral("Games"), QStringLiteral("Theirs"), QStringLiteral("Yours"),
                QStringLiteral("Neither"), QStringLiteral("Games"), QStringLiteral("Theirs"),
                QStringLiteral("Yours"), QStringLiteral("Neither")});
    for (int r = 1; r <= book.opponents(); ++r) {
        QStringList cells;
        for (int c = 1; c <= mb::kLastColumn; ++c) cells << g.cell(c, r);
        QString name = printable(book.name(r));
        if (name.size() > kNameWidthMax)
            name = name.left(kNameWidthMax - 3) + QStringLiteral("...");
        out += row(name, cells);
    }
    print(stdout, out);
    return 0;
}

int usageError() {
    print(stderr, QString::fromLatin1(kUsage));
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        print(stdout, QString::fromLatin1(kUsage));
        return 0;
    }
    if (args.contains(QStringLiteral("--version"))) {
        print(stdout,
              QStringLiteral("marrowby-tally %1\n").arg(QLatin1String(mb::kProgramVersion)));
        return 0;
    }
    if (args.isEmpty()) return usageError();
    const QString command = args.takeFirst();
    bool good = false;
    if (command == QLatin1String("compress") && args.removeAll(QStringLiteral("--good")) > 0)
        good = true;
    for (const QString& a : args)  // "-" alone is a file name
        if (a.startsWith(QLatin1Char('-')) && a.size() > 1) return usageError();

    try {
        if (command == QLatin1String("show") && args.size() == 1) return show(args[0]);
        if ((command == QLatin1String("compress") || command == QLatin1String("decompress")) &&
            args.size() == 2) {
            mb::TFileCodec codec;
            codec.InputFile = args[0];
            codec.OutputFile = args[1];
            codec.CompressMode = good ? mb::TCompressMode::Good : mb::TCompressMode::Fast;
            if (command == QLatin1String("compress"))
                codec.Compress();
            else
                codec.Decompress();
            return 0;
        }
    } catch (const std::exception& e) {
        print(stderr, QString::fromStdString(e.what()) + QLatin1Char('\n'));
        return kExitFailure;
    }
    return usageError();
}
