#pragma once
// A panel whose background is a tiled picture.
#include <QFrame>
#include <QPixmap>
#include <functional>

namespace mb {

// Draws the tile for a pixel density.
using TileMaker = std::function<QPixmap(qreal dpr)>;

class BackgroundPanel : public QFrame {
    Q_OBJECT
public:
    explicit BackgroundPanel(QWidget* parent = nullptr);
    // The tile is made when the panel paints, for the density it paints at, and again only
    // when that changes: a window opened on, or moved to, a screen of another density is as
    // crisp as the one it came from.
    void setTile(TileMaker maker);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TileMaker maker_;
    QPixmap tile_;
    qreal tileDpr_ = 0;
};

}  // namespace mb
