#include "widgets/gamestyle.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace mb {
namespace {

// The size of a small icon in the style, and the screen scales the arrow is drawn for; other
// scales take the nearest.
constexpr int kArrowSide = 16;
constexpr qreal kArrowScales[] = {1.0, 1.5, 2.0, 3.0};

// Two chevrons in `colour`, pointing right (or down, when not `horizontal`).
QPixmap moreMenusArrow(qreal scale, const QColor& colour, bool horizontal) {
    const int pixels = qRound(kArrowSide * scale);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (!horizontal) {
        p.translate(kArrowSide, 0);
        p.rotate(90);
    }
    p.setPen(QPen(colour, kArrowSide / 9.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    constexpr qreal kMid = kArrowSide / 2.0;
    constexpr qreal kHalfHeight = kArrowSide / 4.0;
    for (const qreal x : {kArrowSide * 0.28, kArrowSide * 0.53}) {
        const QPointF chevron[] = {
            {x, kMid - kHalfHeight}, {x + kHalfHeight, kMid}, {x, kMid + kHalfHeight}};
        p.drawPolyline(chevron, 3);
    }
    p.end();
    return QPixmap::fromImage(image);
}

}  // namespace

QIcon GameStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                              const QWidget* widget) const {
    const bool horizontal = icon == SP_ToolBarHorizontalExtensionButton;
    if (!horizontal && icon != SP_ToolBarVerticalExtensionButton)
        return QProxyStyle::standardIcon(icon, option, widget);
    const QColor colour = (widget ? widget->palette() : QApplication::palette())
                              .color(QPalette::Active, QPalette::ButtonText);
    QIcon arrow;
    for (const qreal scale : kArrowScales)
        arrow.addPixmap(moreMenusArrow(scale, colour, horizontal));
    return arrow;
}

void useGameStyle() {
    static bool done = false;
    if (done) return;
    done = true;
    // The application owns and deletes it.
    QApplication::setStyle(new GameStyle);
}

}  // namespace mb
