#pragma once
// A label that reports clicks with its tag. It shows text as plain text only: names and lines
// typed by other players must never be read as markup.
#include <QAbstractButton>
#include <QLabel>

namespace mb {

class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(int tag = 0, QWidget* parent = nullptr);
    int tag() const { return tag_; }

signals:
    void clicked(int tag);
    void rightClicked(int tag, const QPoint& globalPos);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int tag_;
};

// A picture button: the normal picture, and the pressed one while the button is held down.
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PictureButton(QWidget* parent = nullptr);
    void setPictures(QPixmap normal, QPixmap pressed);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap normal_;
    QPixmap pressed_;
};

// A panel whose background is a tiled picture.
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
