#pragma once
// The look of the game's windows: the desktop's style, except for the one picture of it Qt
// reads from a file when the first menu bar is made, the arrow of the button for menus that do
// not fit. Reading it makes Qt try every image-format plug-in it has, three libraries loaded
// and about 2.5 ms of every start before the first frame; here it is drawn instead.
//
// A few widgets have a look of their own, which the style draws too. A style sheet on each of
// them would build a style of its own for every such widget and take it through that style's
// rules on every polish, size and paint: a seventh of the UI thread's work in a solo start, 4
// to 5 ms before the player is logged in.
#include <QColor>
#include <QMargins>
#include <QProxyStyle>

class QFrame;
class QLabel;
class QLineEdit;
class QToolButton;

namespace mb {

class GameStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};

// The chat's small buttons: a light rounded button, edged in blue under the mouse, without the
// arrow of a menu.
void setChatButtonLook(QToolButton* button);
// The chat's entry line: white and rounded, edged in blue while it has the focus.
void setChatEntryLook(QLineEdit* entry);
// Bold words in `text` on a rounded, see-through `ground`, `padding` inside it.
void setCaptionLook(QLabel* label, const QColor& text, const QColor& ground, QMargins padding);
// The same rounded, see-through `ground` under a whole frame and what it holds: words laid
// over the cards stay readable whatever card lies below.
void setGroundLook(QFrame* frame, const QColor& ground);
// A white panel with a grey line round it; what is on it keeps its own look.
void setWhitePanelLook(QWidget* panel);
// The colour of a widget's words, whatever its state.
void setTextColour(QWidget* widget, const QColor& colour);

// Sets the game's style on the application, once; before the first window is made.
void useGameStyle();

}  // namespace mb
