#pragma once
// The look of the game's windows: the desktop's style, except for the one picture of it Qt
// reads from a file when the first menu bar is made, the arrow of the button for menus that do
// not fit. Reading it makes Qt try every image-format plug-in it has, three libraries loaded
// and about 2.5 ms of every start before the first frame; here it is drawn instead.
#include <QProxyStyle>

namespace mb {

class GameStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

// Sets the game's style on the application, once; before the first window is made.
void useGameStyle();

}  // namespace mb
