#include "assets/art.h"

#include <QCryptographicHash>
#include <QImage>
#include <QSet>
#include <QtTest>

#include <climits>

namespace art = mb::art;

namespace {

QByteArray fingerprint(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (int y = 0; y < image.height(); ++y) {
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(image.constScanLine(y)),
                                    image.width() * 4));
    }
    return hash.result();
}

int opaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) == 255;
    }
    return count;
}

void checkGeometry(const QPixmap& pixmap, QSize logical, qreal dpr) {
    QCOMPARE(pixmap.devicePixelRatio(), dpr);
    QCOMPARE(pixmap.size(), QSize(qRound(logical.width() * dpr), qRound(logical.height() * dpr)));
    QCOMPARE(pixmap.deviceIndependentSize().toSize(), logical);
}

}  // namespace

class ArtTest : public QObject {
    Q_OBJECT

private slots:
    void cardsHaveTheirLogicalSizeAtEveryRatio_data();
    void cardsHaveTheirLogicalSizeAtEveryRatio();
    void highRatioCardsAreRedrawnNotUpscaled();
    void everyFaceIsDistinctAndUnlikeTheBack();
    void numbersOutsideTheDeckShowTheBack();
    void colourRunsFromCoolToWarm();
    void repeatedRequestsShareOnePixmap();
    void picturesHaveTheirSizes_data();
    void picturesHaveTheirSizes();
    void startButtonShowsWhenPressed();
    void backgroundTileCoversEveryPixel();
    void smileysAreDistinctAndUnknownIndicesFallBack();
    void picturesDrawnAheadMatchOnesDrawnHere();
};

void ArtTest::cardsHaveTheirLogicalSizeAtEveryRatio_data() {
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("1x") << 1.0;
    QTest::newRow("1.5x") << 1.5;
    QTest::newRow("2x") << 2.0;
}

void ArtTest::cardsHaveTheirLogicalSizeAtEveryRatio() {
    QFETCH(qreal, dpr);
    QCOMPARE(art::cardSize(), QSize(71, 96));
    for (int n = 0; n < art::kCardPictureCount; ++n) {
        const QPixmap pixmap = art::card(n, dpr);
        checkGeometry(pixmap, art::cardSize(), dpr);
        // Rounded corners leave the very corner see-through; the middle is solid card.
        const QImage image = pixmap.toImage();
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 0);
        QCOMPARE(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
    }
}

void ArtTest::highRatioCardsAreRedrawnNotUpscaled() {
    const QImage sharp = art::card(37, 2.0).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage blown = art::card(37, 1.0)
                             .toImage()
                             .scaled(sharp.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                             .convertToFormat(QImage::Format_ARGB32);
    QVERIFY(sharp != blown);
}

void ArtTest::everyFaceIsDistinctAndUnlikeTheBack() {
    for (qreal dpr : {1.0, 2.0}) {
        QSet<QByteArray> seen;
        for (int n = 0; n < art::kCardPictureCount; ++n)
            seen.insert(fingerprint(art::card(n, dpr)));
        QCOMPARE(seen.size(), art::kCardPictureCount);
    }
}

void ArtTest::numbersOutsideTheDeckShowTheBack() {
    const QByteArray back = fingerprint(art::card(art::kCardBack));
    for (int n : {-1, 61, 100, INT_MIN, INT_MAX}) {
        QCOMPARE(fingerprint(art::card(n)), back);
    }
    QCOMPARE(fingerprint(art::card(99, 2.0)), fingerprint(art::card(0, 2.0)));
}

void ArtTest::colourRunsFromCoolToWarm() {
    // The hue of a card's coloured frame (down its left side) moves steadily from blue at the
    // bottom of the range to red at the top.
    auto frameHue = [](int n) {
        const QImage image = art::card(n).toImage();
        constexpr int kFrameColumn = 3;
        qreal red = 0;
        qreal green = 0;
        qreal blue = 0;
        for (int y = 20; y < 60; ++y) {
            const QRgb px = image.pixel(kFrameColumn, y);
            red += qRed(px);
            green += qGreen(px);
            blue += qBlue(px);
        }
        qreal hue =
            QColor::fromRgbF(red / (255 * 40), green / (255 * 40), blue / (255 * 40)).hsvHueF() *
            360;
        if (hue > 300) hue -= 360;  // reds just below 360 count as just below 0
        return hue;
    };
    QVERIFY(frameHue(1) > 200);
    QVERIFY(frameHue(60) < 20);
    qreal previous = frameHue(1);
    for (int n = 6; n <= 60; n += 6) {
        const qreal hue = frameHue(n);
        QVERIFY2(hue < previous, qPrintable(QStringLiteral("card %1").arg(n)));
        previous = hue;
    }
}

void ArtTest::repeatedRequestsShareOnePixmap() {
    QCOMPARE(art::card(12, 2.0).cacheKey(), art::card(12, 2.0).cacheKey());
    QVERIFY(art::card(12, 1.0).cacheKey() != art::card(12, 2.0).cacheKey());
    QCOMPARE(art::eyes(1.0).cacheKey(), art::eyes(1.0).cacheKey());
}

void ArtTest::picturesHaveTheirSizes_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<QSize>("logical");
    QTest::addColumn<qreal>("dpr");
    const QList<std::pair<const char*, QSize>> pictures = {
        {"turn arrow", QSize(18, 32)},  {"not playing", QSize(80, 16)},
        {"start game", QSize(134, 27)}, {"eyes", QSize(23, 10)},
        {"background", QSize(96, 96)},  {"smiley", QSize(17, 16)},
        {"logo", QSize(308, 94)},       {"instructions", QSize(588, 341)},
    };
    for (int i = 0; i < pictures.size(); ++i) {
        for (qreal dpr : {1.0, 2.0}) {
            QTest::addRow("%s %gx", pictures[i].first, dpr) << i << pictures[i].second << dpr;
        }
    }
}

void ArtTest::picturesHaveTheirSizes() {
    QFETCH(int, which);
    QFETCH(QSize, logical);
    QFETCH(qreal, dpr);
    const QList<std::pair<QSize, QPixmap>> made = {
        {art::turnArrowSize(), art::turnArrow(dpr)},
        {art::notPlayingSize(), art::notPlaying(dpr)},
        {art::startGameButtonSize(), art::startGameButton(dpr)},
        {art::eyesSize(), art::eyes(dpr)},
        {art::backgroundTileSize(), art::backgroundTile(dpr)},
        {art::smileySize(), art::smiley(0, dpr)},
        {art::logoSize(), art::logo(dpr)},
        {art::quickInstructionsSize(), art::quickInstructions(dpr)},
    };
    const auto& [declared, pixmap] = made.at(which);
    QCOMPARE(declared, logical);
    checkGeometry(pixmap, logical, dpr);
    // Something is drawn, and a solid body of it, not just a faint outline.
    const QImage image = pixmap.toImage();
    QVERIFY(opaquePixels(image) > image.width() * image.height() / 8);
}

void ArtTest::startButtonShowsWhenPressed() {
    QVERIFY(fingerprint(art::startGameButton(1.0, false)) !=
            fingerprint(art::startGameButton(1.0, true)));
    checkGeometry(art::startGameButton(2.0, true), art::startGameButtonSize(), 2.0);
}

void ArtTest::backgroundTileCoversEveryPixel() {
    for (qreal dpr : {1.0, 2.0}) {
        const QImage tile = art::backgroundTile(dpr).toImage();
        QCOMPARE(opaquePixels(tile), tile.width() * tile.height());
    }
}

void ArtTest::smileysAreDistinctAndUnknownIndicesFallBack() {
    QSet<QByteArray> seen;
    for (int i = 0; i < art::kSmileyCount; ++i) seen.insert(fingerprint(art::smiley(i)));
    QCOMPARE(seen.size(), art::kSmileyCount);
    QCOMPARE(fingerprint(art::smiley(-1)), fingerprint(art::smiley(0)));
    QCOMPARE(fingerprint(art::smiley(art::kSmileyCount)), fingerprint(art::smiley(0)));
}

namespace {
// Mean difference per colour channel of two images of one size, in the rows [top, bottom).
double meanDifference(const QImage& a, const QImage& b, int top, int bottom) {
    double sum = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * (bottom - top));
}
}  // namespace

void ArtTest::picturesDrawnAheadMatchOnesDrawnHere() {
    art::drawLobbyPictureAhead(2.0);
    // Asking at another ratio meanwhile neither waits for nor takes the picture being drawn.
    const QPixmap here = art::lobbyPicture(1.0);
    art::drawLobbyPictureAhead(2.0);  // already under way: no second drawing
    const QPixmap ahead = art::lobbyPicture(2.0);
    checkGeometry(ahead, art::lobbyPictureSize(), 2.0);
    QCOMPARE(art::lobbyPicture(2.0).cacheKey(), ahead.cacheKey());
    art::drawLobbyPictureAhead(2.0);  // drawn: nothing more to do
    QCOMPARE(art::lobbyPicture(2.0).cacheKey(), ahead.cacheKey());

    // The other thread drew the same picture, title and lettering included: halved, it
    // matches the one drawn here but for the smoothing, far closer than the bare sky would.
    const QImage small =
        ahead.toImage()
            .scaled(art::lobbyPictureSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGB32);
    const QImage reference = here.toImage().convertToFormat(QImage::Format_RGB32);
    constexpr int kTitleRows = 80;
    QImage sky = reference.copy();
    sky.fill(reference.pixel(0, 0));
    const double drift = meanDifference(small, reference, 0, kTitleRows);
    QVERIFY2(drift < 4.0, qPrintable(QString::number(drift)));
    QVERIFY(meanDifference(sky, reference, 0, kTitleRows) > 4 * drift);

    // The table's batch: each picture comes back as itself, not as another of the batch.
    art::drawTableAhead(3.0);
    art::drawTableAhead(3.0);  // nothing is drawn twice
    checkGeometry(art::backgroundTile(3.0), art::backgroundTileSize(), 3.0);
    checkGeometry(art::turnArrow(3.0), art::turnArrowSize(), 3.0);
    checkGeometry(art::notPlaying(3.0), art::notPlayingSize(), 3.0);
    checkGeometry(art::eyes(3.0), art::eyesSize(), 3.0);
    const QPixmap up = art::startGameButton(3.0), down = art::startGameButton(3.0, true);
    checkGeometry(up, art::startGameButtonSize(), 3.0);
    QVERIFY(fingerprint(up) != fingerprint(down));
    QCOMPARE(opaquePixels(art::backgroundTile(3.0).toImage()), 288 * 288);
    // Each smiley of the batch is its own face.
    QSet<QByteArray> faces;
    for (int i = 0; i < art::kSmileyCount; ++i) {
        const QPixmap face = art::smiley(i, 3.0);
        checkGeometry(face, art::smileySize(), 3.0);
        faces.insert(fingerprint(face));
    }
    QCOMPARE(faces.size(), art::kSmileyCount);
}

QTEST_MAIN(ArtTest)
#include "test_art.moc"
