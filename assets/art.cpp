#include "assets/art.h"

#include "assets/picturecache.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <vector>

namespace mb::art {
namespace {

constexpr QSize kCardSize{71, 96};
constexpr QSize kTurnArrowSize{18, 32};
constexpr QSize kNotPlayingSize{80, 16};
constexpr QSize kStartButtonSize{134, 27};
constexpr QSize kEyesSize{23, 10};
constexpr QSize kBackgroundTileSize{96, 96};
constexpr QSize kSmileySize{17, 16};
constexpr QSize kLogoSize{308, 94};
constexpr QSize kInstructionsSize{588, 341};
constexpr QSize kLobbyPictureSize{436, 360};
// The application icon is designed on this grid and scaled to whatever size is asked for.
constexpr qreal kIconGrid = 64.0;
// Below this many pixels the card numerals would be noise: the icon shows plain tinted cards.
constexpr int kIconDetailPixels = 48;

// Hue of the lowest card (a cool blue-violet) and of the highest (a warm red); the faces walk
// evenly between them so the rough value of a card shows before its number is read.
constexpr qreal kLowCardHue = 250.0;
constexpr qreal kHighCardHue = 0.0;

constexpr auto kFontFamily = "DejaVu Sans";

QFont pixelFont(qreal pixelSize, int weight = QFont::Bold) {
    QFont font(QString::fromLatin1(kFontFamily));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    font.setWeight(static_cast<QFont::Weight>(weight));
    // Small captions stay legible when the hinting is not allowed to squash them.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Draws `text` so that the ink of its glyphs (not the font's line box) is centred on `centre`.
void drawCentredText(QPainter& p, const QString& text, const QFont& font, QPointF centre) {
    const QFontMetricsF metrics(font);
    const QRectF ink = metrics.tightBoundingRect(text);
    p.setFont(font);
    p.drawText(QPointF(centre.x() - ink.center().x(), centre.y() - ink.center().y()), text);
}

// Same, but scaled down horizontally when the text would be wider than `maxWidth`.
void drawFittedText(QPainter& p, const QString& text, const QFont& font, QPointF centre,
                    qreal maxWidth) {
    const qreal width = QFontMetricsF(font).tightBoundingRect(text).width();
    if (width <= maxWidth || width <= 0) {
        drawCentredText(p, text, font, centre);
        return;
    }
    p.save();
    p.translate(centre);
    p.scale(maxWidth / width, 1.0);
    drawCentredText(p, text, font, QPointF(0, 0));
    p.restore();
}

// ---- cards ----------------------------------------------------------------------------------

qreal cardHue(int number) {
    const qreal t = qreal(number - kFirstCard) / qreal(kLastCard - kFirstCard);
    return (kLowCardHue + (kHighCardHue - kLowCardHue) * t) / 360.0;
}

QRectF cardOutline() {
    return QRectF(0.5, 0.5, kCardSize.width() - 1, kCardSize.height() - 1);
}

constexpr qreal kCardRadius = 5.0;

void paintCardFace(QPainter& p, int number) {
    const qreal hue = cardHue(number);
    const qreal t = qreal(number - kFirstCard) / qreal(kLastCard - kFirstCard);
    const QColor accent = QColor::fromHsvF(hue, 0.78, 0.86);
    const QColor ink = QColor::fromHslF(hue, 0.85, 0.22);
    const QColor paleTop = QColor::fromHsvF(hue, 0.10, 1.0);
    const QColor paleBottom = QColor::fromHsvF(hue, 0.30, 0.97);

    // Paper and outline.
    p.setPen(QPen(QColor(70, 70, 70), 1.0));
    p.setBrush(Qt::white);
    p.drawRoundedRect(cardOutline(), kCardRadius, kCardRadius);

    // Tinted field inside a coloured frame.
    const QRectF field(3.5, 3.5, kCardSize.width() - 7, kCardSize.height() - 7);
    QLinearGradient fieldFill(field.topLeft(), field.bottomLeft());
    fieldFill.setColorAt(0.0, paleTop);
    fieldFill.setColorAt(1.0, paleBottom);
    p.setPen(QPen(accent, 1.6));
    p.setBrush(fieldFill);
    p.drawRoundedRect(field, 3.0, 3.0);

    const QString label = QString::number(number);

    // Corner indices, both upright: cards on a screen are never turned round, and the lower one
    // stays readable where a fanned hand overlaps the upper corners.
    constexpr qreal kIndexInset = 7.0;
    const QFont indexFont = pixelFont(11);
    const QRectF indexInk = QFontMetricsF(indexFont).tightBoundingRect(label);
    p.setPen(ink);
    p.setFont(indexFont);
    p.drawText(QPointF(kIndexInset - indexInk.left(), kIndexInset - indexInk.top()), label);
    p.drawText(QPointF(kCardSize.width() - kIndexInset - indexInk.right(),
                       kCardSize.height() - kIndexInset - indexInk.bottom()),
               label);

    // Big numeral on a white medallion so that it reads at a glance whatever the tint.
    const QPointF centre(kCardSize.width() / 2.0, 42.0);
    const QRectF medallion(centre.x() - 29, centre.y() - 21, 58, 42);
    p.setPen(QPen(accent, 1.4));
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawRoundedRect(medallion, 12, 12);
    p.setPen(ink);
    drawFittedText(p, label, pixelFont(32, QFont::Black), centre, medallion.width() - 10);

    // Gauge: how far along the range 1..60 this card sits, with a tick every ten values.
    const QRectF track(10.0, 70.0, kCardSize.width() - 20.0, 6.0);
    p.setPen(QPen(QColor(0, 0, 0, 60), 0.8));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRoundedRect(track, 3, 3);
    QRectF filled = track.adjusted(0.8, 0.8, -0.8, -0.8);
    filled.setWidth(qMax(filled.height(), filled.width() * t));
    // The fill runs through the colours of all the cards below this one.
    QLinearGradient gaugeFill(track.topLeft(), track.topRight());
    constexpr int kGaugeStops = 8;
    for (int i = 0; i <= kGaugeStops; ++i) {
        const int value = kFirstCard + (kLastCard - kFirstCard) * i / kGaugeStops;
        gaugeFill.setColorAt(qreal(i) / kGaugeStops, QColor::fromHsvF(cardHue(value), 0.8, 0.85));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(gaugeFill);
    p.drawRoundedRect(filled, 2.2, 2.2);
    constexpr int kGaugeSections = 6;
    p.setPen(QPen(QColor(0, 0, 0, 70), 0.7));
    for (int i = 1; i < kGaugeSections; ++i) {
        const qreal x = track.left() + track.width() * i / kGaugeSections;
        p.drawLine(QPointF(x, track.top() + 1.2), QPointF(x, track.bottom() - 1.2));
    }
}

void paintCardBack(QPainter& p) {
    const QColor deep(28, 52, 98);
    const QColor mid(44, 80, 140);
    const QColor line(120, 160, 215, 150);
    const QColor gold(232, 196, 104);

    p.setPen(QPen(QColor(40, 40, 40), 1.0));
    QLinearGradient paper(0, 0, 0, kCardSize.height());
    paper.setColorAt(0.0, QColor(250, 248, 240));
    paper.setColorAt(1.0, QColor(236, 232, 220));
    p.setBrush(paper);
    p.drawRoundedRect(cardOutline(), kCardRadius, kCardRadius);

    const QRectF panel(4.5, 4.5, kCardSize.width() - 9, kCardSize.height() - 9);
    QLinearGradient panelFill(panel.topLeft(), panel.bottomRight());
    panelFill.setColorAt(0.0, mid);
    panelFill.setColorAt(1.0, deep);
    p.setPen(QPen(deep, 1.0));
    p.setBrush(panelFill);
    p.drawRoundedRect(panel, 3, 3);

    // Diamond lattice clipped to the panel.
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(panel.adjusted(1.5, 1.5, -1.5, -1.5), 2, 2);
    p.setClipPath(clip);
    constexpr qreal kLatticeStep = 9.0;
    p.setPen(QPen(line, 0.8));
    const qreal span = kCardSize.width() + kCardSize.height();
    for (qreal d = -span; d <= span; d += kLatticeStep) {
        p.drawLine(QPointF(d, 0), QPointF(d + kCardSize.height(), kCardSize.height()));
        p.drawLine(QPointF(d, kCardSize.height()), QPointF(d + kCardSize.height(), 0));
    }
    // Small dots in the middle of each diamond.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(170, 200, 240, 130));
    const qreal half = kLatticeStep / 2.0;
    for (qreal y = 0; y <= kCardSize.height(); y += half) {
        const bool odd = qRound(y / half) % 2 == 1;
        for (qreal x = odd ? 0.0 : half; x <= kCardSize.width(); x += kLatticeStep) {
            p.drawEllipse(QPointF(x + half / 2 + 0.25, y), 0.9, 0.9);
        }
    }
    p.restore();

    // Central medallion with the game's initial.
    const QPointF centre(kCardSize.width() / 2.0, kCardSize.height() / 2.0);
    QRadialGradient medal(centre, 17);
    medal.setColorAt(0.0, QColor(255, 250, 235));
    medal.setColorAt(1.0, QColor(238, 226, 196));
    p.setPen(QPen(gold, 2.0));
    p.setBrush(medal);
    p.drawEllipse(centre, 16.0, 16.0);
    p.setPen(QPen(deep, 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 13.0, 13.0);
    p.setPen(deep);
    drawCentredText(p, QStringLiteral("M"), pixelFont(17, QFont::Black), centre);
}

// ---- table pictures ---------------------------------------------------------------------------

void paintTurnArrow(QPainter& p) {
    const qreal midY = kTurnArrowSize.height() / 2.0;
    constexpr qreal kTail = 1.5;
    constexpr qreal kNeck = 8.5;
    constexpr qreal kTip = 16.5;
    constexpr qreal kShaftHalf = 3.5;
    constexpr qreal kHeadHalf = 8.0;
    QPainterPath arrow;
    arrow.moveTo(kTail, midY - kShaftHalf);
    arrow.lineTo(kNeck, midY - kShaftHalf);
    arrow.lineTo(kNeck, midY - kHeadHalf);
    arrow.lineTo(kTip, midY);
    arrow.lineTo(kNeck, midY + kHeadHalf);
    arrow.lineTo(kNeck, midY + kShaftHalf);
    arrow.lineTo(kTail, midY + kShaftHalf);
    arrow.closeSubpath();

    // Soft drop shadow.
    p.save();
    p.translate(0.8, 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawPath(arrow);
    p.restore();

    QLinearGradient fill(0, midY - kHeadHalf, 0, midY + kHeadHalf);
    fill.setColorAt(0.0, QColor(255, 214, 92));
    fill.setColorAt(1.0, QColor(234, 128, 24));
    p.setPen(QPen(QColor(130, 62, 10), 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(arrow);
}

void paintNotPlaying(QPainter& p) {
    const QRectF badge(0.5, 0.5, kNotPlayingSize.width() - 1, kNotPlayingSize.height() - 1);
    QLinearGradient fill(badge.topLeft(), badge.bottomLeft());
    fill.setColorAt(0.0, QColor(150, 150, 156));
    fill.setColorAt(1.0, QColor(110, 110, 118));
    p.setPen(QPen(QColor(80, 80, 86), 1.0));
    p.setBrush(fill);
    const qreal radius = badge.height() / 2.0;
    p.drawRoundedRect(badge, radius, radius);
    p.setPen(Qt::white);
    drawFittedText(p, QStringLiteral("NOT PLAYING"), pixelFont(9.5), badge.center(),
                   badge.width() - 2 * radius);
}

void paintStartButton(QPainter& p, bool pressed) {
    const QRectF body(0.5, 0.5, kStartButtonSize.width() - 1, kStartButtonSize.height() - 1);
    constexpr qreal kRadius = 6.0;
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    if (pressed) {
        fill.setColorAt(0.0, QColor(26, 110, 48));
        fill.setColorAt(1.0, QColor(52, 150, 74));
    } else {
        fill.setColorAt(0.0, QColor(92, 196, 110));
        fill.setColorAt(0.5, QColor(48, 156, 72));
        fill.setColorAt(1.0, QColor(30, 120, 52));
    }
    p.setPen(QPen(QColor(18, 78, 34), 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(body, kRadius, kRadius);

    if (!pressed) {
        // Gloss on the upper half.
        const QRectF gloss = body.adjusted(2, 1.5, -2, -body.height() / 2.0);
        QLinearGradient shine(gloss.topLeft(), gloss.bottomLeft());
        shine.setColorAt(0.0, QColor(255, 255, 255, 90));
        shine.setColorAt(1.0, QColor(255, 255, 255, 10));
        p.setPen(Qt::NoPen);
        p.setBrush(shine);
        p.drawRoundedRect(gloss, kRadius - 2, kRadius - 2);
    }

    const QPointF offset = pressed ? QPointF(0.5, 1.0) : QPointF(0, 0);
    const QPointF centre = body.center() + offset;
    const QFont font = pixelFont(14, QFont::Black);
    const QString caption = QStringLiteral("START GAME");
    p.setPen(QColor(0, 60, 20, 170));
    drawFittedText(p, caption, font, centre + QPointF(0.8, 1.0), body.width() - 16);
    p.setPen(Qt::white);
    drawFittedText(p, caption, font, centre, body.width() - 16);
}

void paintEyes(QPainter& p) {
    const QSizeF eye(10.0, 8.6);
    const qreal top = (kEyesSize.height() - eye.height()) / 2.0;
    for (qreal left : {1.0, 12.0}) {
        const QRectF white(left, top, eye.width(), eye.height());
        p.setPen(QPen(QColor(40, 40, 40), 1.0));
        p.setBrush(Qt::white);
        p.drawEllipse(white);
        // Pupils look to the right, towards the name beside them.
        const QPointF pupil(white.center().x() + 1.8, white.center().y() + 0.4);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 110, 180));
        p.drawEllipse(pupil, 2.8, 2.8);
        p.setBrush(QColor(15, 15, 20));
        p.drawEllipse(pupil, 1.6, 1.6);
        p.setBrush(Qt::white);
        p.drawEllipse(pupil + QPointF(-0.8, -0.9), 0.6, 0.6);
    }
}

void paintBackgroundTile(QPainter& p) {
    const int w = kBackgroundTileSize.width();
    const int h = kBackgroundTileSize.height();
    p.fillRect(QRect(QPoint(0, 0), kBackgroundTileSize), QColor(0xDF, 0xDF, 0xDF));

    // Fine grain from a fixed pseudo-random sequence, so every run looks the same. The grain is
    // laid on a logical grid, which keeps the tile seamless at every pixel ratio.
    constexpr int kGrain = 2;
    quint32 state = 0x2545F491u;
    for (int y = 0; y < h; y += kGrain) {
        for (int x = 0; x < w; x += kGrain) {
            state = state * 1664525u + 1013904223u;
            const int shade = int(state >> 28) - 8;  // -8..7
            if (shade == 0) continue;
            const QColor grain =
                shade > 0 ? QColor(255, 255, 255, shade * 3) : QColor(90, 90, 100, -shade * 2);
            p.fillRect(QRectF(x, y, kGrain, kGrain), grain);
        }
    }

    // A faint woven diagonal; drawn on the neighbouring tiles too so the edges meet.
    constexpr qreal kWeaveStep = 12.0;
    p.setPen(QPen(QColor(255, 255, 255, 70), 1.2));
    for (int dx = -w; dx <= w; dx += w) {
        for (qreal d = 0; d < w; d += kWeaveStep) {
            p.drawLine(QPointF(dx + d, 0), QPointF(dx + d + h, h));
        }
    }
    p.setPen(QPen(QColor(120, 120, 130, 28), 1.0));
    for (int dx = -w; dx <= w; dx += w) {
        for (qreal d = kWeaveStep / 2; d < w + kWeaveStep; d += kWeaveStep) {
            p.drawLine(QPointF(dx + d, 0), QPointF(dx + d - h, h));
        }
    }
}

// ---- smileys ------------------------------------------------------------------------------------

enum Smiley {
    kSmile,
    kGrin,
    kWink,
    kSad,
    kSurprised,
    kTongue,
    kCool,
    kLaugh,
    kAngry,
    kCry,
    kKiss,
    kConfused,
    kSleepy,
    kBlush,
    kDevil,
    kAngel,
    kNeutral,
    kLove,
};

void paintHeart(QPainter& p, QPointF centre, qreal size, const QColor& colour) {
    QPainterPath heart;
    heart.moveTo(centre.x(), centre.y() + size * 0.55);
    heart.cubicTo(centre.x() - size * 1.1, centre.y() - size * 0.1, centre.x() - size * 0.45,
                  centre.y() - size * 0.85, centre.x(), centre.y() - size * 0.3);
    heart.cubicTo(centre.x() + size * 0.45, centre.y() - size * 0.85, centre.x() + size * 1.1,
                  centre.y() - size * 0.1, centre.x(), centre.y() + size * 0.55);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(heart);
}

void paintSmiley(QPainter& p, int index) {
    const QColor outline(120, 72, 0);
    const QColor feature(60, 34, 0);
    QColor faceLight(255, 236, 110);
    QColor faceDark(240, 170, 20);
    if (index == kAngry) {
        faceLight = QColor(255, 150, 120);
        faceDark = QColor(220, 60, 40);
    } else if (index == kDevil) {
        faceLight = QColor(200, 140, 230);
        faceDark = QColor(130, 60, 170);
    }

    const bool smallFace = index == kDevil || index == kAngel;
    const QPointF c(8.5, smallFace ? 9.0 : 8.0);
    const qreal r = smallFace ? 6.4 : 7.2;

    if (index == kAngel) {
        p.setPen(QPen(QColor(230, 190, 40), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(c.x(), 1.6), 4.2, 1.2);
    }
    if (index == kDevil) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(160, 20, 30));
        for (const qreal side : {-1.0, 1.0}) {
            QPainterPath horn;
            horn.moveTo(c.x() + side * 2.4, c.y() - r + 1.0);
            horn.lineTo(c.x() + side * 5.6, 0.4);
            horn.lineTo(c.x() + side * 5.2, c.y() - r + 2.8);
            horn.closeSubpath();
            p.drawPath(horn);
        }
    }

    QRadialGradient face(c + QPointF(-2.0, -2.5), r * 1.4);
    face.setColorAt(0.0, faceLight);
    face.setColorAt(1.0, faceDark);
    p.setPen(QPen(index == kDevil ? QColor(70, 20, 90) : outline, 0.9));
    p.setBrush(face);
    p.drawEllipse(c, r, r);

    const qreal eyeY = c.y() - r * 0.25;
    const QPointF leftEye(c.x() - r * 0.36, eyeY);
    const QPointF rightEye(c.x() + r * 0.36, eyeY);
    const qreal mouthY = c.y() + r * 0.35;
    const QPen stroke(feature, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);

    auto dotEye = [&](QPointF at) {
        p.setPen(Qt::NoPen);
        p.setBrush(feature);
        p.drawEllipse(at, 0.95, 1.3);
    };
    auto closedEye = [&](QPointF at, bool happy) {
        p.setPen(stroke);
        p.setBrush(Qt::NoBrush);
        QPainterPath lid;
        lid.moveTo(at + QPointF(-1.4, 0.3));
        lid.quadTo(at + QPointF(0, happy ? -1.6 : 1.4), at + QPointF(1.4, 0.3));
        p.drawPath(lid);
    };
    auto smile = [&](qreal width, qreal depth) {
        p.setPen(stroke);
        p.setBrush(Qt::NoBrush);
        QPainterPath mouth;
        mouth.moveTo(c.x() - width, mouthY - depth * 0.3);
        mouth.quadTo(c.x(), mouthY + depth, c.x() + width, mouthY - depth * 0.3);
        p.drawPath(mouth);
    };
    auto openMouth = [&](qreal width, qreal depth) {
        QPainterPath mouth;
        mouth.moveTo(c.x() - width, mouthY - 0.6);
        mouth.lineTo(c.x() + width, mouthY - 0.6);
        mouth.quadTo(c.x(), mouthY + depth * 1.6, c.x() - width, mouthY - 0.6);
        p.setPen(QPen(feature, 0.8));
        p.setBrush(QColor(120, 20, 20));
        p.drawPath(mouth);
    };

    switch (index) {
        case kSmile:
        default:
            dotEye(leftEye);
            dotEye(rightEye);
            smile(3.6, 2.2);
            break;
        case kGrin:
            dotEye(leftEye);
            dotEye(rightEye);
            openMouth(3.8, 2.2);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(c.x() - 3.0, mouthY - 0.5, 6.0, 1.0));
            break;
        case kWink:
            dotEye(leftEye);
            closedEye(rightEye, true);
            smile(3.4, 2.0);
            break;
        case kSad:
            dotEye(leftEye);
            dotEye(rightEye);
            smile(3.0, -1.8);
            break;
        case kSurprised:
            dotEye(leftEye);
            dotEye(rightEye);
            p.setPen(QPen(feature, 0.8));
            p.setBrush(QColor(120, 20, 20));
            p.drawEllipse(QPointF(c.x(), mouthY + 0.6), 1.5, 1.9);
            break;
        case kTongue:
            dotEye(leftEye);
            dotEye(rightEye);
            smile(3.4, 1.2);
            p.setPen(QPen(QColor(150, 30, 50), 0.6));
            p.setBrush(QColor(240, 90, 110));
            p.drawChord(QRectF(c.x() - 0.4, mouthY - 1.2, 3.4, 4.4), 180 * 16, 180 * 16);
            break;
        case kCool: {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(20, 20, 30));
            p.drawRoundedRect(QRectF(leftEye.x() - 2.4, eyeY - 1.6, 4.6, 3.2), 1.2, 1.2);
            p.drawRoundedRect(QRectF(rightEye.x() - 2.2, eyeY - 1.6, 4.6, 3.2), 1.2, 1.2);
            p.setPen(QPen(QColor(20, 20, 30), 0.9));
            p.drawLine(QPointF(c.x() - r + 0.6, eyeY - 0.9), QPointF(c.x() + r - 0.6, eyeY - 0.9));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 170));
            p.drawEllipse(QPointF(leftEye.x() - 1.0, eyeY - 0.6), 0.6, 0.5);
            p.drawEllipse(QPointF(rightEye.x() - 0.8, eyeY - 0.6), 0.6, 0.5);
            smile(3.0, 1.6);
            break;
        }
        case kLaugh:
            closedEye(leftEye, true);
            closedEye(rightEye, true);
            openMouth(4.2, 2.6);
            break;
        case kAngry:
            dotEye(leftEye + QPointF(0, 0.6));
            dotEye(rightEye + QPointF(0, 0.6));
            p.setPen(QPen(feature, 1.1, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(leftEye + QPointF(-1.8, -2.4), leftEye + QPointF(1.4, -1.0));
            p.drawLine(rightEye + QPointF(1.8, -2.4), rightEye + QPointF(-1.4, -1.0));
            smile(2.8, -1.4);
            break;
        case kCry:
            closedEye(leftEye, false);
            closedEye(rightEye, false);
            smile(2.8, -1.6);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(80, 160, 255));
            p.drawEllipse(QPointF(leftEye.x() - 0.6, eyeY + 3.0), 1.0, 1.6);
            p.drawEllipse(QPointF(rightEye.x() + 0.6, eyeY + 3.6), 1.0, 1.6);
            break;
        case kKiss:
            closedEye(leftEye, false);
            dotEye(rightEye);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(210, 30, 60));
            p.drawEllipse(QPointF(c.x() - 0.2, mouthY + 0.3), 1.6, 1.2);
            paintHeart(p, QPointF(c.x() + r - 0.8, mouthY - 0.6), 2.4, QColor(230, 30, 70));
            break;
        case kConfused: {
            dotEye(leftEye);
            dotEye(rightEye + QPointF(0, -0.5));
            p.setPen(stroke);
            p.setBrush(Qt::NoBrush);
            QPainterPath wave;
            wave.moveTo(c.x() - 3.4, mouthY + 0.5);
            wave.cubicTo(c.x() - 1.6, mouthY - 1.4, c.x() + 0.4, mouthY + 2.2, c.x() + 3.4,
                         mouthY - 0.3);
            p.drawPath(wave);
            break;
        }
        case kSleepy:
            closedEye(leftEye, false);
            closedEye(rightEye, false);
            p.setPen(QPen(feature, 0.8));
            p.setBrush(QColor(120, 20, 20));
            p.drawEllipse(QPointF(c.x(), mouthY + 0.6), 1.2, 1.0);
            p.setPen(QPen(QColor(40, 80, 200), 0.9));
            p.setFont(pixelFont(5));
            p.drawText(QPointF(c.x() + r - 3.0, 3.8), QStringLiteral("z"));
            break;
        case kBlush:
            closedEye(leftEye, true);
            closedEye(rightEye, true);
            smile(2.4, 1.4);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 90, 110, 150));
            p.drawEllipse(QPointF(c.x() - r * 0.6, mouthY - 0.8), 1.7, 1.1);
            p.drawEllipse(QPointF(c.x() + r * 0.6, mouthY - 0.8), 1.7, 1.1);
            break;
        case kDevil:
            p.setPen(QPen(feature, 1.0, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(leftEye + QPointF(-1.6, -1.8), leftEye + QPointF(1.2, -0.8));
            p.drawLine(rightEye + QPointF(1.6, -1.8), rightEye + QPointF(-1.2, -0.8));
            dotEye(leftEye + QPointF(0, 0.4));
            dotEye(rightEye + QPointF(0, 0.4));
            smile(3.2, 1.8);
            break;
        case kAngel:
            dotEye(leftEye);
            dotEye(rightEye);
            smile(3.0, 1.8);
            break;
        case kNeutral:
            dotEye(leftEye);
            dotEye(rightEye);
            p.setPen(stroke);
            p.drawLine(QPointF(c.x() - 2.8, mouthY + 0.4), QPointF(c.x() + 2.8, mouthY + 0.4));
            break;
        case kLove:
            paintHeart(p, leftEye, 2.4, QColor(225, 25, 60));
            paintHeart(p, rightEye, 2.4, QColor(225, 25, 60));
            smile(3.2, 2.0);
            break;
    }
}

// ---- window pictures ----------------------------------------------------------------------------

// A card face or back drawn with its top left corner at `at`, shrunk or grown by `scale` and
// turned by `degrees` about its centre.
void paintCardAt(QPainter& p, int number, QPointF at, qreal scale, qreal degrees = 0.0) {
    p.save();
    p.translate(at);
    p.scale(scale, scale);
    if (degrees != 0.0) {
        const QPointF centre(kCardSize.width() / 2.0, kCardSize.height() / 2.0);
        p.translate(centre);
        p.rotate(degrees);
        p.translate(-centre);
    }
    if (number == kCardBack) {
        paintCardBack(p);
    } else {
        paintCardFace(p, number);
    }
    p.restore();
}

// A horizontal gradient through the card colours, from the lowest card to the highest.
QLinearGradient rangeGradient(qreal left, qreal right, qreal saturation, qreal value) {
    QLinearGradient gradient(left, 0, right, 0);
    constexpr int kStops = 8;
    for (int i = 0; i <= kStops; ++i) {
        const int number = kFirstCard + (kLastCard - kFirstCard) * i / kStops;
        gradient.setColorAt(qreal(i) / kStops,
                            QColor::fromHsvF(cardHue(number), saturation, value));
    }
    return gradient;
}

void paintLogo(QPainter& p) {
    // A small fan of cards, low to high, beside the name.
    constexpr qreal kFanScale = 0.62;
    const QPointF fanOrigin(6, 10);
    const struct {
        int number;
        qreal dx;
        qreal dy;
        qreal degrees;
    } fan[] = {{7, 0, 8, -16}, {29, 20, 2, -2}, {54, 40, 6, 13}};
    for (const auto& c : fan) {
        paintCardAt(p, c.number, fanOrigin + QPointF(c.dx, c.dy), kFanScale, c.degrees);
    }

    const QString name = QStringLiteral("Marrowby");
    QFont font = pixelFont(42, QFont::Black);
    font.setLetterSpacing(QFont::AbsoluteSpacing, -0.5);
    const QFontMetricsF metrics(font);
    const QRectF ink = metrics.tightBoundingRect(name);
    constexpr qreal kTextLeft = 112.0;
    constexpr qreal kTextRight = kLogoSize.width() - 6.0;
    const qreal scale = std::min(1.0, (kTextRight - kTextLeft) / ink.width());
    const qreal baseline = 58.0;

    QPainterPath path;
    path.addText(0, 0, font, name);
    QTransform place;
    place.translate(kTextLeft - ink.left() * scale, baseline);
    place.scale(scale, 1.0);
    path = place.map(path);

    p.save();
    p.translate(1.5, 2.0);
    p.fillPath(path, QColor(0, 0, 0, 60));
    p.restore();
    p.setPen(QPen(QColor(30, 30, 60), 1.2));
    p.setBrush(rangeGradient(kTextLeft, kTextRight, 0.85, 0.8));
    p.drawPath(path);

    p.setPen(QColor(50, 50, 70));
    p.setFont(pixelFont(12, QFont::DemiBold));
    const QRectF tagline(kTextLeft, baseline + 8, kTextRight - kTextLeft, 18);
    p.drawText(tagline, Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Put your ten cards in order"));
}

void paintArrowLine(QPainter& p, const QPainterPath& line, const QColor& colour) {
    constexpr qreal kHead = 7.0;
    p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(line);
    const qreal angle = qDegreesToRadians(line.angleAtPercent(1.0));
    const QPointF tip = line.pointAtPercent(1.0);
    // angleAtPercent counts anticlockwise with y up; the screen's y runs down.
    const QPointF back(-std::cos(angle), std::sin(angle));
    const QPointF side(-back.y(), back.x());
    QPolygonF head;
    head << tip << tip + back * kHead + side * (kHead * 0.55)
         << tip + back * kHead - side * (kHead * 0.55);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(head);
}

void paintNote(QPainter& p, const QRectF& box, int number, const QString& text) {
    const QColor edge(70, 90, 140);
    p.setPen(QPen(edge, 1.2));
    p.setBrush(QColor(255, 252, 228));
    p.drawRoundedRect(box, 8, 8);

    const QPointF badge(box.left() + 15, box.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(edge);
    p.drawEllipse(badge, 10, 10);
    p.setPen(Qt::white);
    drawCentredText(p, QString::number(number), pixelFont(13, QFont::Black), badge);

    p.setPen(QColor(30, 30, 40));
    p.setFont(pixelFont(12, QFont::DemiBold));
    p.drawText(box.adjusted(31, 4, -8, -4), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap,
               text);
}

void paintInstructions(QPainter& p) {
    const QRectF sheet(0.5, 0.5, kInstructionsSize.width() - 1, kInstructionsSize.height() - 1);
    QLinearGradient paper(sheet.topLeft(), sheet.bottomLeft());
    paper.setColorAt(0.0, QColor(252, 250, 242));
    paper.setColorAt(1.0, QColor(236, 240, 248));
    p.setPen(QPen(QColor(90, 100, 130), 1.0));
    p.setBrush(paper);
    p.drawRoundedRect(sheet, 10, 10);

    p.setPen(QColor(30, 40, 80));
    drawCentredText(p, QStringLiteral("Marrowby Instructions"), pixelFont(24, QFont::Black),
                    QPointF(sheet.center().x(), 26));

    // The piles.
    constexpr qreal kPileScale = 0.62;
    const QPointF drawPile(250, 56);
    const QPointF discardPile(300, 56);
    paintCardAt(p, kCardBack, drawPile, kPileScale);
    paintCardAt(p, 30, discardPile, kPileScale);
    p.setPen(QColor(40, 40, 60));
    const QFont caption = pixelFont(9, QFont::Bold);
    const qreal pileWidth = kCardSize.width() * kPileScale;
    const qreal pileHeight = kCardSize.height() * kPileScale;
    drawCentredText(p, QStringLiteral("DRAW"), caption,
                    QPointF(drawPile.x() + pileWidth / 2, drawPile.y() + pileHeight + 8));
    drawCentredText(p, QStringLiteral("DISCARD"), caption,
                    QPointF(discardPile.x() + pileWidth / 2, discardPile.y() + pileHeight + 8));

    // A hand that is nearly in order; the fifth card is out of place.
    constexpr int kHand[] = {4, 9, 15, 21, 44, 30, 38, 47, 52, 58};
    constexpr int kOddOne = 4;
    constexpr qreal kHandScale = 0.58;
    constexpr qreal kHandStep = 44.0;
    const qreal handWidth = kHandStep * 9 + kCardSize.width() * kHandScale;
    const qreal handLeft = (kInstructionsSize.width() - handWidth) / 2.0;
    constexpr qreal kHandTop = 158.0;
    constexpr qreal kRaise = 8.0;
    for (int i = 0; i < 10; ++i) {
        const qreal top = kHandTop - (i == kOddOne ? kRaise : 0.0);
        paintCardAt(p, kHand[i], QPointF(handLeft + i * kHandStep, top), kHandScale);
    }
    const qreal handCardWidth = kCardSize.width() * kHandScale;
    const qreal handBottom = kHandTop + kCardSize.height() * kHandScale;

    const QColor arrowColour(200, 80, 30);
    const QRectF note1(16, 60, 200, 56);
    paintNote(p, note1, 1,
              QStringLiteral("Click the draw pile or the discard pile to start your turn."));
    QPainterPath toPiles;
    toPiles.moveTo(note1.right() + 3, note1.center().y());
    toPiles.quadTo(note1.right() + 16, note1.center().y() + 4, drawPile.x() - 3,
                   drawPile.y() + pileHeight / 2);
    paintArrowLine(p, toPiles, arrowColour);

    const QRectF note2(372, 60, 200, 56);
    paintNote(p, note2, 2,
              QStringLiteral("Click a card in your hand to replace it with the card picked up."));
    const qreal oddCentre = handLeft + kOddOne * kHandStep + handCardWidth / 2;
    QPainterPath toHand;
    toHand.moveTo(note2.left() + 30, note2.bottom() + 3);
    toHand.cubicTo(note2.left() + 20, kHandTop - 8, oddCentre + 50, kHandTop - 20, oddCentre + 8,
                   kHandTop - kRaise - 3);
    paintArrowLine(p, toHand, arrowColour);

    // Lowest to highest, left to right, under the hand.
    const qreal rangeTop = handBottom + 12;
    const QRectF band(handLeft, rangeTop, handWidth - 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(rangeGradient(band.left(), band.right(), 0.75, 0.9));
    p.drawRoundedRect(band, 4, 4);
    QPolygonF head;
    head << QPointF(band.right() + 10, band.center().y())
         << QPointF(band.right() - 2, band.top() - 5)
         << QPointF(band.right() - 2, band.bottom() + 5);
    p.setBrush(QColor::fromHsvF(cardHue(kLastCard), 0.75, 0.9));
    p.drawPolygon(head);
    p.setPen(QColor(40, 40, 60));
    p.setFont(pixelFont(10, QFont::Bold));
    p.drawText(QRectF(band.left(), band.bottom() + 3, 120, 14), Qt::AlignLeft,
               QStringLiteral("lowest"));
    p.drawText(QRectF(band.right() - 120, band.bottom() + 3, 120, 14), Qt::AlignRight,
               QStringLiteral("highest"));

    const QRectF note3(84, 266, 420, 60);
    paintNote(p, note3, 3,
              QStringLiteral("Put your cards in order from lowest to highest, left to right. The "
                             "numbers need not follow on from each other."));
}

// ---- lobby picture and icon --------------------------------------------------------------------

// Head and shoulders of a player seen from the front, standing on `base`.
void paintPlayer(QPainter& p, QPointF base, qreal size, const QColor& colour) {
    const QColor dark = colour.darker(150);
    p.setPen(QPen(dark, 1.2));
    QLinearGradient body(base.x(), base.y() - size, base.x(), base.y());
    body.setColorAt(0.0, colour.lighter(120));
    body.setColorAt(1.0, colour);
    p.setBrush(body);
    QPainterPath shoulders;
    shoulders.moveTo(base + QPointF(-size * 0.62, 0));
    shoulders.cubicTo(base + QPointF(-size * 0.62, -size * 0.55),
                      base + QPointF(-size * 0.35, -size * 0.62), base + QPointF(0, -size * 0.62));
    shoulders.cubicTo(base + QPointF(size * 0.35, -size * 0.62),
                      base + QPointF(size * 0.62, -size * 0.55), base + QPointF(size * 0.62, 0));
    shoulders.closeSubpath();
    p.drawPath(shoulders);
    QRadialGradient face(base + QPointF(-size * 0.08, -size * 0.98), size * 0.36);
    face.setColorAt(0.0, QColor(255, 230, 205));
    face.setColorAt(1.0, QColor(226, 178, 140));
    p.setPen(QPen(QColor(150, 105, 75), 1.0));
    p.setBrush(face);
    p.drawEllipse(base + QPointF(0, -size * 0.9), size * 0.3, size * 0.33);
}

// A speech bubble with a short line of text, its tail pointing down at `tail`.
void paintBubble(QPainter& p, const QRectF& box, QPointF tail, const QString& text) {
    QPainterPath bubble;
    bubble.addRoundedRect(box, 8, 8);
    QPolygonF pointer;
    pointer << QPointF(tail.x() - 6, box.bottom() - 1) << tail
            << QPointF(tail.x() + 6, box.bottom() - 1);
    bubble.addPolygon(pointer);
    bubble = bubble.simplified();
    p.setPen(QPen(QColor(60, 80, 120), 1.1));
    p.setBrush(QColor(255, 255, 255, 240));
    p.drawPath(bubble);
    p.setPen(QColor(30, 40, 70));
    drawFittedText(p, text, pixelFont(11, QFont::DemiBold), box.center(), box.width() - 10);
}

void paintLobbyPicture(QPainter& p) {
    const QRectF all(0, 0, kLobbyPictureSize.width(), kLobbyPictureSize.height());

    // Evening sky over a world of players.
    QLinearGradient sky(all.topLeft(), all.bottomLeft());
    sky.setColorAt(0.0, QColor(18, 34, 78));
    sky.setColorAt(0.55, QColor(40, 76, 140));
    sky.setColorAt(1.0, QColor(92, 132, 190));
    p.fillRect(all, sky);

    // A globe rising behind the table, with its meridians and parallels.
    const QPointF globeCentre(all.center().x(), 250);
    constexpr qreal kGlobeRadius = 190.0;
    QRadialGradient globe(globeCentre + QPointF(-50, -80), kGlobeRadius * 1.2);
    globe.setColorAt(0.0, QColor(84, 160, 220));
    globe.setColorAt(1.0, QColor(24, 70, 130));
    p.setPen(Qt::NoPen);
    p.setBrush(globe);
    p.drawEllipse(globeCentre, kGlobeRadius, kGlobeRadius);
    p.save();
    QPainterPath globeClip;
    globeClip.addEllipse(globeCentre, kGlobeRadius, kGlobeRadius);
    p.setClipPath(globeClip);
    p.setPen(QPen(QColor(170, 215, 250, 90), 1.2));
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 4; ++i) p.drawEllipse(globeCentre, kGlobeRadius * i / 4.5, kGlobeRadius);
    for (int i = -3; i <= 3; ++i) {
        const qreal y = globeCentre.y() + i * kGlobeRadius / 4.0;
        p.drawLine(QPointF(0, y), QPointF(all.width(), y));
    }
    p.restore();

    // Stars.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 230, 200));
    const QPointF stars[] = {{24, 22},  {70, 58},  {118, 16}, {322, 20}, {372, 52},
                             {410, 14}, {402, 96}, {32, 96},  {286, 62}, {150, 70}};
    for (const QPointF& star : stars) p.drawEllipse(star, 1.3, 1.3);

    // Title.
    p.setPen(QColor(0, 0, 0, 90));
    const QFont title = pixelFont(30, QFont::Black);
    drawFittedText(p, QStringLiteral("The Kestro Lobby"), title,
                   QPointF(all.center().x() + 1.5, 38.5), all.width() - 30);
    p.setPen(QColor(255, 236, 160));
    drawFittedText(p, QStringLiteral("The Kestro Lobby"), title, QPointF(all.center().x(), 37),
                   all.width() - 30);
    p.setPen(QColor(220, 232, 255));
    drawCentredText(p, QStringLiteral("Find a table. Meet the players. Play."),
                    pixelFont(13, QFont::DemiBold), QPointF(all.center().x(), 66));

    // The table: green felt in perspective, with a wooden rim.
    const QRectF rim(58, 214, 320, 112);
    const QRectF felt = rim.adjusted(10, 8, -10, -10);
    p.setPen(QPen(QColor(70, 40, 20), 1.5));
    QLinearGradient wood(rim.topLeft(), rim.bottomLeft());
    wood.setColorAt(0.0, QColor(170, 110, 60));
    wood.setColorAt(1.0, QColor(110, 62, 30));
    p.setBrush(wood);
    p.drawEllipse(rim);
    QRadialGradient cloth(felt.center() + QPointF(0, -14), felt.width() * 0.6);
    cloth.setColorAt(0.0, QColor(60, 160, 90));
    cloth.setColorAt(1.0, QColor(22, 96, 52));
    p.setPen(QPen(QColor(18, 70, 38), 1.0));
    p.setBrush(cloth);
    p.drawEllipse(felt);

    // Players around it: two behind, one on each side, each saying something.
    paintPlayer(p, QPointF(150, 226), 62, QColor(200, 70, 70));
    paintPlayer(p, QPointF(286, 226), 62, QColor(70, 120, 200));
    paintPlayer(p, QPointF(52, 300), 72, QColor(230, 160, 40));
    paintPlayer(p, QPointF(384, 300), 72, QColor(120, 80, 180));
    paintBubble(p, QRectF(96, 112, 86, 26), QPointF(140, 150), QStringLiteral("Deal me in!"));
    paintBubble(p, QRectF(262, 112, 80, 26), QPointF(284, 150), QStringLiteral("Good game"));
    paintBubble(p, QRectF(8, 186, 70, 26), QPointF(46, 222), QStringLiteral("Hi all :)"));
    paintBubble(p, QRectF(346, 186, 82, 26), QPointF(384, 222), QStringLiteral("One more?"));

    // A hand laid out on the felt, low to high.
    constexpr qreal kTableCardScale = 0.42;
    const int hand[] = {4, 17, 26, 39, 51};
    for (int i = 0; i < 5; ++i)
        paintCardAt(p, hand[i], QPointF(152 + i * 24, 236 + std::abs(i - 2) * 3), kTableCardScale,
                    (i - 2) * 7.0);
    paintCardAt(p, kCardBack, QPointF(108, 250), kTableCardScale, -12);

    // The tagline on a ribbon at the foot.
    const QRectF ribbon(0, all.height() - 30, all.width(), 30);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 20, 50, 200));
    p.drawRect(ribbon);
    p.setPen(Qt::white);
    drawFittedText(p, QStringLiteral("Games against people from everywhere, free"),
                   pixelFont(14, QFont::Bold), ribbon.center(), ribbon.width() - 20);
}

void paintAppIcon(QPainter& p, bool detailed) {
    // A rounded tile of green felt with three cards fanned low to high.
    const QRectF tile(2, 2, kIconGrid - 4, kIconGrid - 4);
    QRadialGradient felt(tile.center() + QPointF(-8, -10), kIconGrid * 0.8);
    felt.setColorAt(0.0, QColor(70, 170, 100));
    felt.setColorAt(1.0, QColor(18, 90, 48));
    p.setPen(QPen(QColor(12, 60, 32), 1.5));
    p.setBrush(felt);
    p.drawRoundedRect(tile, 12, 12);

    const struct {
        int number;
        QPointF at;
        qreal degrees;
    } fan[] = {{9, {9, 14}, -18}, {30, {20, 10}, 0}, {56, {31, 14}, 18}};
    constexpr qreal kIconCardScale = 0.36;
    for (const auto& c : fan) {
        if (detailed) {
            paintCardAt(p, c.number, c.at, kIconCardScale, c.degrees);
            continue;
        }
        // Plain tinted cards: at a few pixels only the colours and the fan carry.
        p.save();
        p.translate(c.at);
        p.scale(kIconCardScale, kIconCardScale);
        const QPointF centre(kCardSize.width() / 2.0, kCardSize.height() / 2.0);
        p.translate(centre);
        p.rotate(c.degrees);
        p.translate(-centre);
        p.setPen(QPen(QColor(40, 40, 40), 3.0));
        p.setBrush(Qt::white);
        p.drawRoundedRect(cardOutline(), 8, 8);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor::fromHsvF(cardHue(c.number), 0.8, 0.9));
        p.drawRoundedRect(QRectF(12, 14, kCardSize.width() - 24, kCardSize.height() - 28), 6, 6);
        p.restore();
    }
}

// The pictures that may be drawn ahead, each named once for both ways of drawing it.
struct Picture {
    Item item;
    QSize logical;
    void (*paint)(QPainter&);
};

void paintStartButtonUp(QPainter& p) {
    paintStartButton(p, false);
}

void paintStartButtonDown(QPainter& p) {
    paintStartButton(p, true);
}

constexpr Picture kTilePicture{Item::Tile, kBackgroundTileSize, paintBackgroundTile};
constexpr Picture kTurnArrowPicture{Item::TurnArrow, kTurnArrowSize, paintTurnArrow};
constexpr Picture kNotPlayingPicture{Item::NotPlaying, kNotPlayingSize, paintNotPlaying};
constexpr Picture kEyesPicture{Item::Eyes, kEyesSize, paintEyes};
constexpr Picture kStartUpPicture{Item::StartButton, kStartButtonSize, paintStartButtonUp};
constexpr Picture kStartDownPicture{Item::StartButtonPressed, kStartButtonSize,
                                    paintStartButtonDown};
constexpr Picture kLobbyPicture{Item::LobbyPicture, kLobbyPictureSize, paintLobbyPicture};

QPixmap render(const Picture& picture, qreal dpr) {
    return render(picture.item, 0, picture.logical, dpr, picture.paint);
}

void drawAhead(std::initializer_list<Picture> pictures, qreal dpr) {
    dpr = sanitizedDpr(dpr);
    std::vector<Batch> batch;
    for (const Picture& p : pictures)
        batch.push_back({keyOf(p.item, 0, dpr), p.logical, dpr, p.paint});
    drawAhead(std::move(batch));
}

}  // namespace

QSize cardSize() {
    return kCardSize;
}

QPixmap card(int number, qreal dpr) {
    if (number < kFirstCard || number > kLastCard) number = kCardBack;
    return render(Item::Card, number, kCardSize, dpr, [number](QPainter& p) {
        if (number == kCardBack) {
            paintCardBack(p);
        } else {
            paintCardFace(p, number);
        }
    });
}

QSize turnArrowSize() {
    return kTurnArrowSize;
}

QPixmap turnArrow(qreal dpr) {
    return render(kTurnArrowPicture, dpr);
}

QSize notPlayingSize() {
    return kNotPlayingSize;
}

QPixmap notPlaying(qreal dpr) {
    return render(kNotPlayingPicture, dpr);
}

QSize startGameButtonSize() {
    return kStartButtonSize;
}

QPixmap startGameButton(qreal dpr, bool pressed) {
    return render(pressed ? kStartDownPicture : kStartUpPicture, dpr);
}

QSize eyesSize() {
    return kEyesSize;
}

QPixmap eyes(qreal dpr) {
    return render(kEyesPicture, dpr);
}

QSize backgroundTileSize() {
    return kBackgroundTileSize;
}

QPixmap backgroundTile(qreal dpr) {
    return render(kTilePicture, dpr);
}

QSize smileySize() {
    return kSmileySize;
}

QPixmap smiley(int index, qreal dpr) {
    if (index < 0 || index >= kSmileyCount) index = 0;
    return render(Item::Smiley, index, kSmileySize, dpr,
                  [index](QPainter& p) { paintSmiley(p, index); });
}

QSize logoSize() {
    return kLogoSize;
}

QPixmap logo(qreal dpr) {
    return render(Item::Logo, 0, kLogoSize, dpr, paintLogo);
}

QSize quickInstructionsSize() {
    return kInstructionsSize;
}

QPixmap quickInstructions(qreal dpr) {
    return render(Item::Instructions, 0, kInstructionsSize, dpr, paintInstructions);
}

QSize lobbyPictureSize() {
    return kLobbyPictureSize;
}

QPixmap lobbyPicture(qreal dpr) {
    return render(kLobbyPicture, dpr);
}

void drawLobbyPictureAhead(qreal dpr) {
    drawAhead({kLobbyPicture}, dpr);
}

void drawTableAhead(qreal dpr) {
    drawAhead({kTilePicture, kTurnArrowPicture, kNotPlayingPicture, kEyesPicture, kStartUpPicture,
               kStartDownPicture},
              dpr);
    // The chat's smileys, which its picker shows from the start, in a batch of their own.
    dpr = sanitizedDpr(dpr);
    std::vector<Batch> smileys;
    for (int i = 0; i < kSmileyCount; ++i)
        smileys.push_back({keyOf(Item::Smiley, i, dpr), kSmileySize, dpr,
                           [i](QPainter& p) { paintSmiley(p, i); }});
    drawAhead(std::move(smileys));
}

QImage appIcon(int pixels) {
    pixels = std::clamp(pixels, 1, kMaxIconPixels);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    painter.scale(pixels / kIconGrid, pixels / kIconGrid);
    paintAppIcon(painter, pixels >= kIconDetailPixels);
    return image;
}

QImage lobbyIcon(int pixels) {
    QImage image = appIcon(pixels);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing);
    const qreal side = image.width();
    // The globe covers the lower right 45 per cent; its outline keeps it apart from the cards.
    const QRectF globe(side * 0.53, side * 0.53, side * 0.45, side * 0.45);
    const qreal line = std::max(1.0, side / 40.0);
    painter.setPen(QPen(QColor(0xFF, 0xFF, 0xFF), line * 1.5));
    painter.setBrush(QColor(0x2A, 0x6F, 0xC9));
    painter.drawEllipse(globe);
    if (pixels >= kIconDetailPixels / 2) {
        painter.setPen(QPen(QColor(0xE8, 0xF1, 0xFF), line));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(globe.adjusted(globe.width() * 0.3, 0, -globe.width() * 0.3, 0));
        painter.drawLine(QPointF(globe.left(), globe.center().y()),
                         QPointF(globe.right(), globe.center().y()));
        painter.drawLine(QPointF(globe.center().x(), globe.top()),
                         QPointF(globe.center().x(), globe.bottom()));
    }
    return image;
}

}  // namespace mb::art
