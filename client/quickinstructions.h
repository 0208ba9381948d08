#pragma once
// The quick instructions: a picture of how a turn is played and a "Done" button that puts it
// away. It stands over the table at its own size, centred across the board, as a sibling above
// the board rather than its child, so that nothing the board raises while it redraws can come
// in front of it. The picture is drawn when the panel is shown, for the pixel density of the
// screen the window stands on then.
#include <QFrame>
#include <QPoint>

class QLabel;
class QRect;

class QuickInstructions : public QFrame {
    Q_OBJECT
public:
    // Hidden at first; `parent` is the board's parent, `boardTopLeft` where the board stands.
    QuickInstructions(QWidget* parent, QPoint boardTopLeft);

    // Shows the panel in front of its siblings.
    void showInstructions();
    // Keeps the panel's size and height, centred across `board`.
    void centreOver(const QRect& board);

private:
    QLabel* picture_ = nullptr;
};
