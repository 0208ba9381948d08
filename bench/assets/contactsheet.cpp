// Renders every picture of the asset library onto one PNG, to look them over by eye:
//   contactsheet [output.png] [device-pixel-ratio]
// Defaults: /tmp/cards.png at ratio 2. Needs a platform plugin; QT_QPA_PLATFORM=offscreen works.
#include "assets/art.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kColumns = 10;
constexpr int kGap = 8;
constexpr int kMargin = 12;
constexpr int kSectionGap = 24;

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString output = args.size() > 1 ? args.at(1) : QStringLiteral("/tmp/cards.png");
    const qreal dpr = args.size() > 2 ? args.at(2).toDouble() : 2.0;
    if (dpr <= 0) {
        std::fprintf(stderr, "bad device pixel ratio\n");
        return 2;
    }

    namespace art = mb::art;
    const QSize card = art::cardSize();
    const int rows = (art::kCardPictureCount + kColumns - 1) / kColumns;
    const int sheetWidth = std::max(
        2 * kMargin + kColumns * card.width() + (kColumns - 1) * kGap,
        2 * kMargin + art::quickInstructionsSize().width() + kGap + art::logoSize().width());
    const int cardsHeight = rows * card.height() + (rows - 1) * kGap;
    // A sample hand in order and the smaller pictures below the deck.
    const int extrasTop = kMargin + cardsHeight + kSectionGap;
    const int smallTop = extrasTop + card.height() + kSectionGap;
    const int windowTop = smallTop + 120;
    const int sheetHeight = windowTop + art::quickInstructionsSize().height() + kMargin;

    QImage sheet(QSize(sheetWidth, sheetHeight) * dpr, QImage::Format_ARGB32_Premultiplied);
    sheet.setDevicePixelRatio(dpr);
    QPainter p(&sheet);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawTiledPixmap(QRect(0, 0, sheetWidth, sheetHeight), art::backgroundTile(dpr));

    for (int n = 0; n < art::kCardPictureCount; ++n) {
        const int col = n % kColumns;
        const int row = n / kColumns;
        p.drawPixmap(
            QPoint(kMargin + col * (card.width() + kGap), kMargin + row * (card.height() + kGap)),
            art::card(n, dpr));
    }

    // Ten cards in ascending order, spaced as the table spaces a hand.
    constexpr int kHandStep = 76;
    constexpr int kHand[] = {3, 9, 14, 22, 27, 33, 41, 46, 52, 58};
    for (int i = 0; i < 10; ++i) {
        p.drawPixmap(QPoint(kMargin + i * kHandStep, extrasTop), art::card(kHand[i], dpr));
    }

    int x = kMargin;
    const int y = smallTop;
    p.drawPixmap(QPoint(x, y), art::turnArrow(dpr));
    x += art::turnArrowSize().width() + kGap;
    p.drawPixmap(QPoint(x, y + 8), art::eyes(dpr));
    x += art::eyesSize().width() + kGap;
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    p.drawText(QPoint(x, y + 20), QStringLiteral("Duro"));
    x += 50;
    p.drawPixmap(QPoint(x, y + 8), art::notPlaying(dpr));
    x += art::notPlayingSize().width() + kGap;
    p.drawPixmap(QPoint(x, y), art::startGameButton(dpr));
    x += art::startGameButtonSize().width() + kGap;
    p.drawPixmap(QPoint(x, y), art::startGameButton(dpr, true));

    const int smileyTop = y + 48;
    for (int i = 0; i < art::kSmileyCount; ++i) {
        p.drawPixmap(QPoint(kMargin + i * 24, smileyTop), art::smiley(i, dpr));
    }
    // The same faces on the chat log's pale yellow, at the size they are seen.
    const QRect chatStrip(kMargin, smileyTop + 24, art::kSmileyCount * 24, 22);
    p.fillRect(chatStrip, QColor(0xFF, 0xFF, 0xD9));
    for (int i = 0; i < art::kSmileyCount; ++i) {
        p.drawPixmap(QPoint(kMargin + 3 + i * 24, smileyTop + 27), art::smiley(i, dpr));
    }

    // Window pictures.
    p.drawPixmap(QPoint(kMargin, windowTop), art::quickInstructions(dpr));
    p.drawPixmap(QPoint(kMargin + art::quickInstructionsSize().width() + kGap, windowTop),
                 art::logo(dpr));
    p.end();

    if (!sheet.save(output)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%s\n", qPrintable(output));
    return 0;
}
