#include "widgets/gamestyle.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QStyleOption>
#include <QToolButton>
#include <QWidget>
#include <algorithm>

namespace mb {
namespace {

// The size of a small icon in the style, and the screen scales the arrow is drawn for; other
// scales take the nearest.
constexpr int kArrowSide = 16;
constexpr qreal kArrowScales[] = {1.0, 1.5, 2.0, 3.0};

// The looks of setChatButtonLook() and the others, kept on the widget.
enum class Look { None, ChatButton, ChatEntry, Caption, WhitePanel };
constexpr char kLookProperty[] = "marrowbyLook";
constexpr char kGroundProperty[] = "marrowbyGround";

constexpr QColor kEdge{0x8c, 0x8c, 0x8c};
constexpr QColor kActiveEdge{0x4a, 0x78, 0xb0};  // under the mouse, or with the focus
constexpr QColor kButtonTop{0xff, 0xff, 0xff};
constexpr QColor kButtonBottom{0xdc, 0xdc, 0xdc};
constexpr QColor kHoverBottom{0xe8, 0xee, 0xf6};
constexpr QColor kButtonDown{0xc9, 0xd4, 0xe2};
constexpr QColor kButtonText{0x20, 0x20, 0x20};
constexpr QColor kPanelEdge{0xa0, 0xa0, 0xa0};
constexpr int kEdgeWidth = 1;
constexpr qreal kButtonRadius = 4;
constexpr qreal kEntryRadius = 3;
constexpr qreal kCaptionRadius = 3;
constexpr qreal kGroundRoundness = 6;  // height over corner radius
constexpr int kButtonPadding = 3;      // beside the words of a chat button
constexpr int kEntryPadding = 4;       // beside the words of the chat entry

Look lookOf(const QWidget* widget) {
    return widget ? Look(widget->property(kLookProperty).toInt()) : Look::None;
}

void setLook(QWidget* widget, Look look) {
    widget->setProperty(kLookProperty, int(look));
}

// A rounded box with a one-pixel line round `rect` in the painter's pen and brush. The line runs
// on the pixels' centres, half a pixel in, so that it stays sharp; its outer edge keeps `radius`.
void drawLinedBox(QPainter* painter, const QRect& rect, qreal radius) {
    constexpr qreal kHalf = kEdgeWidth / 2.0;
    painter->drawRoundedRect(QRectF(rect).adjusted(kHalf, kHalf, -kHalf, -kHalf), radius - kHalf,
                             radius - kHalf);
}

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

void GameStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                   QPainter* painter, const QWidget* widget) const {
    const auto* button = qstyleoption_cast<const QStyleOptionToolButton*>(option);
    if (control != CC_ToolButton || !button || lookOf(widget) != Look::ChatButton) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const bool enabled = button->state & State_Enabled;
    const bool hover = enabled && ((button->state & State_MouseOver) || widget->underMouse());
    const bool down = button->state & (State_Sunken | State_On);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(hover ? kActiveEdge : kEdge, kEdgeWidth));
    if (down) {
        painter->setBrush(kButtonDown);
    } else {
        QLinearGradient ground(button->rect.topLeft(), button->rect.bottomLeft());
        ground.setColorAt(0, kButtonTop);
        ground.setColorAt(1, hover ? kHoverBottom : kButtonBottom);
        painter->setBrush(ground);
    }
    drawLinedBox(painter, button->rect, kButtonRadius);
    painter->restore();
    // The words or icon alone: no arrow for the button that opens a menu.
    QStyleOptionToolButton label = *button;
    label.rect = button->rect.adjusted(kEdgeWidth + kButtonPadding, kEdgeWidth,
                                       -(kEdgeWidth + kButtonPadding), -kEdgeWidth);
    label.palette.setColor(QPalette::ButtonText, kButtonText);
    proxy()->drawControl(CE_ToolButtonLabel, &label, painter, widget);
}

void GameStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const {
    const Look look = lookOf(widget);
    if (element != CE_ShapedFrame || (look != Look::Caption && look != Look::WhitePanel)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    painter->save();
    if (look == Look::Caption) {
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(widget->property(kGroundProperty).value<QColor>());
        // Under the room round the words as well, which the frame's own rectangle leaves out.
        // A caption's corners; a taller ground rounds in proportion.
        const qreal radius = std::max(kCaptionRadius, widget->height() / kGroundRoundness);
        painter->drawRoundedRect(QRectF(widget->rect()), radius, radius);
    } else {
        // The line is a logical pixel wide, two on a doubled screen.
        painter->fillRect(option->rect, kPanelEdge);
        painter->fillRect(
            option->rect.marginsRemoved(QMargins(kEdgeWidth, kEdgeWidth, kEdgeWidth, kEdgeWidth)),
            Qt::white);
    }
    painter->restore();
}

void GameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                              QPainter* painter, const QWidget* widget) const {
    if (element != PE_PanelLineEdit || lookOf(widget) != Look::ChatEntry) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen((option->state & State_HasFocus) ? kActiveEdge : kEdge, kEdgeWidth));
    painter->setBrush(Qt::white);
    drawLinedBox(painter, option->rect, kEntryRadius);
    painter->restore();
}

int GameStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                           const QWidget* widget) const {
    // The entry's words start inside its one-pixel line, not the desktop style's frame.
    if (metric == PM_DefaultFrameWidth && lookOf(widget) == Look::ChatEntry) return kEdgeWidth;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void setChatButtonLook(QToolButton* button) {
    setLook(button, Look::ChatButton);
    // Redrawn as the mouse comes and goes.
    button->setAttribute(Qt::WA_Hover);
}

void setChatEntryLook(QLineEdit* entry) {
    setLook(entry, Look::ChatEntry);
    entry->setTextMargins(kEntryPadding, 0, kEntryPadding, 0);
}

void setGroundLook(QFrame* frame, const QColor& ground) {
    setLook(frame, Look::Caption);
    frame->setProperty(kGroundProperty, ground);
}

void setCaptionLook(QLabel* label, const QColor& text, const QColor& ground, QMargins padding) {
    setGroundLook(label, ground);
    setTextColour(label, text);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setContentsMargins(padding);
}

void setWhitePanelLook(QWidget* panel) {
    setLook(panel, Look::WhitePanel);
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

void useGameStyle() {
    static bool done = false;
    if (done) return;
    done = true;
    // The application owns and deletes it.
    QApplication::setStyle(new GameStyle);
}

}  // namespace mb
