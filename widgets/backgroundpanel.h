#pragma once
// A panel whose background is a tiled picture.
#include <QFrame>
#include <QPixmap>

namespace mb {

class BackgroundPanel : public QFrame {
    Q_OBJECT
public:
    explicit BackgroundPanel(QWidget* parent = nullptr);
    void setTile(const QPixmap& tile);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap tile_;
};

}  // namespace mb
